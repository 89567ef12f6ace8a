#include "engine/draw/DebugDraw.h"
#include "engine/draw/ImmediateMode.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace engine;

namespace {

// Records what the drawing context hands over.
struct Call {
    std::string what;  // "points", "lines", "lines3d", "triangles", "quads", "aa"
    std::vector<DrawVertex> vertices;
    RenderableTexture* texture = nullptr;
    ClipRect clip;
};

class RecordingBackend final : public ImmediateMode {
public:
    void begin() override { ++begins; }
    void end() override { ++ends; }
    void setClip(int left, int top, int right, int bottom) override { clips.push_back({left, top, right, bottom}); }
    void setBlendMode(DrawBlendMode mode) override { blendModes.push_back(mode); }
    void getScreenSize(int& width, int& height) override { width = 640, height = 480; }
    void drawPoints(const DrawVertex* v, int n, const DrawState& s, bool) override { record("points", v, n, s); }
    void drawLines(const DrawVertex* v, int n, const DrawState& s, bool is3D) override {
        record(is3D ? "lines3d" : "lines", v, n, s);
    }
    void drawTriangles(const DrawVertex* v, int n, const DrawState& s, RenderableTexture* t) override {
        record("triangles", v, n, s, t);
    }
    void drawQuads(const DrawVertex* v, int n, const DrawState& s, RenderableTexture* t) override {
        record("quads", v, n, s, t);
    }
    void drawLinesAntialiased(const DrawVertex* v, int n, const DrawState& s, float) override { record("aa", v, n, s); }
    void fillRoundedRectAntialiased(const Vec2&, const Vec2&, float, Color) override {}
    bool supportsAntialiasedRoundedRect() override { return false; }

    std::vector<std::string> kinds() const {
        std::vector<std::string> result;
        for (const Call& call : calls)
            result.push_back(call.what);
        return result;
    }

    std::vector<Call> calls;
    std::vector<ClipRect> clips;
    std::vector<DrawBlendMode> blendModes;
    int begins = 0, ends = 0;

private:
    void record(const char* what, const DrawVertex* v, int n, const DrawState& s, RenderableTexture* t = nullptr) {
        calls.push_back({what, std::vector<DrawVertex>(v, v + n), t, s.clip});
    }
};

constexpr Color Red{255, 0, 0, 255};

class ImmediateModeTest : public testing::Test {
protected:
    void SetUp() override {
        context.setBackend(&backend);
        context.resetState(640, 480);
    }

    RecordingBackend backend;
    DrawContext context;
};

std::vector<std::pair<float, float>> positions(const Call& call) {
    std::vector<std::pair<float, float>> result;
    for (const DrawVertex& v : call.vertices)
        result.emplace_back(v.x, v.y);
    return result;
}

TEST_F(ImmediateModeTest, PrimitivesOfOneKindShareADrawAndEveryChangeFlushes) {
    context.beginDraw();
    context.fillRect(0, 0, 1, 1, Red);
    context.fillRect(2, 0, 1, 1, Red);
    context.drawLine(0, 0, 5, 5, Red);
    context.fillRect(0, 0, 1, 1, Red);
    context.drawLine(0, 0, 5, 5, Red);
    context.drawPoint(1, 1, Red);
    context.setLineWidth(2);  // a state change draws what is pending
    context.drawPoint(2, 2, Red);
    auto* atlas = reinterpret_cast<RenderableTexture*>(0x10);
    context.drawImage(atlas, 0, 0, 4, 4, 0, 0, 1, 1, Red, 0);
    context.drawImage(atlas, 8, 0, 4, 4, 0, 0, 1, 1, Red, 0);
    context.fillRect(0, 0, 1, 1, Red);  // same kind, no texture: a new batch
    context.endDraw();

    EXPECT_EQ(backend.kinds(), (std::vector<std::string>{"quads", "lines", "quads", "lines", "points", "points",
                                                         "quads", "quads"}));
    EXPECT_EQ(backend.calls[0].vertices.size(), 8u);
    EXPECT_EQ(backend.calls[6].texture, atlas);
    EXPECT_EQ(backend.calls[6].vertices.size(), 8u);
    EXPECT_EQ(backend.calls[7].texture, nullptr);
    EXPECT_EQ(context.batchSize(), 0u);
    EXPECT_EQ(context.batchKind(), PrimitiveKind::None);
    EXPECT_EQ(backend.begins, 1);
    EXPECT_EQ(backend.ends, 1);
}

TEST_F(ImmediateModeTest, PrimitivesOutsideDrawingFailAndQueueNothing) {
    const std::vector<std::pair<std::function<void()>, const char*>> cases = {
        {[&] { context.drawPoint(0, 0, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.drawLine(0, 0, 1, 1, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.drawLineAntialiased(0, 0, 1, 1, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.drawRect(0, 0, 1, 1, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.fillRect(0, 0, 1, 1, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.fillRoundedRect(0, 0, 9, 9, 2, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.fillRoundedRectAntialiased(0, 0, 9, 9, 2, Red); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.drawImage(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, Red, 0); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.beginShape(PrimitiveKind::Lines, false); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.vertexPosition(0, 0); }, "ImmediateMode.beginDraw() not called"},
        {[&] { context.fillPolygon({{0, 0}, {1, 0}, {1, 1}}, Red); }, "beginDraw not called"},
    };
    for (const auto& [call, message] : cases)
        EXPECT_EQ(messageOf(call), message);
    EXPECT_EQ(context.batchSize(), 0u);
    context.beginDraw();
    context.endDraw();
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_EQ(messageOf([&] { context.drawPoint(0, 0, Red); }), "ImmediateMode.beginDraw() not called");
}

TEST_F(ImmediateModeTest, DrawRectOutlinesBetweenCornersWhileFillRectSpansASize) {
    context.beginDraw();
    context.drawRect(10, 10, 20, 20, Red);
    context.fillRect(10, 10, 20, 20, Red);
    context.endDraw();
    ASSERT_EQ(backend.calls.size(), 2u);
    using P = std::vector<std::pair<float, float>>;
    EXPECT_EQ(positions(backend.calls[0]),
              (P{{10, 10}, {20, 10}, {20, 10}, {20, 20}, {20, 20}, {10, 20}, {10, 20}, {10, 10}}));
    EXPECT_EQ(positions(backend.calls[1]), (P{{10, 10}, {30, 10}, {30, 30}, {10, 30}}));
    EXPECT_EQ(backend.calls[1].vertices[2].r, 255);
    EXPECT_EQ(backend.calls[1].vertices[2].g, 0);
}

TEST_F(ImmediateModeTest, ClipToOnlyShrinksTheClip) {
    struct Case {
        ClipRect request;
        ClipRect expected;
    };
    const Case cases[] = {
        {{-50, -50, 1000, 1000}, {100, 100, 300, 200}},  // larger: unchanged
        {{150, 120, 250, 500}, {150, 120, 250, 200}},    // partly inside: the overlap
        {{400, 300, 500, 400}, {300, 200, 300, 200}},    // outside: empty, on the edge
        {{0, 0, 50, 50}, {100, 100, 100, 100}},
    };
    for (const Case& c : cases) {
        context.resetState(640, 480);
        context.clipTo(100, 100, 300, 200);
        context.clipTo(c.request.left, c.request.top, c.request.right, c.request.bottom);
        EXPECT_EQ(context.state().clip, c.expected);
        EXPECT_EQ(backend.clips.back(), c.expected);
    }
    context.resetClip();
    EXPECT_EQ(context.state().clip, (ClipRect{0, 0, 640, 480}));
}

TEST_F(ImmediateModeTest, PoppingRestoresTheStateAndTheBottomStateStays) {
    EXPECT_EQ(messageOf([&] { context.popState(); }), "can't pop empty stack");
    context.pushState();
    context.clipTo(10, 10, 20, 20);
    context.setBlendMode(DrawBlendMode::Additive);
    context.setLineWidth(3);
    backend.clips.clear();
    backend.blendModes.clear();
    context.beginDraw();
    context.fillRect(0, 0, 5, 5, Red);
    context.popState();
    // The pending rectangle went out under the state it was recorded in.
    ASSERT_EQ(backend.calls.size(), 1u);
    EXPECT_EQ(backend.calls[0].clip, (ClipRect{10, 10, 20, 20}));
    EXPECT_EQ(context.state().clip, (ClipRect{0, 0, 640, 480}));
    EXPECT_EQ(context.state().lineWidth, 1.0f);
    EXPECT_EQ(backend.clips.back(), (ClipRect{0, 0, 640, 480}));
    EXPECT_EQ(backend.blendModes.back(), DrawBlendMode::Translucent);
    EXPECT_EQ(messageOf([&] { context.popState(); }), "can't pop empty stack");
    EXPECT_EQ(context.stateDepth(), 1u);
    context.endDraw();
}

TEST_F(ImmediateModeTest, RoundedRectIsAFanOfThirtyFourTrianglesInsideTheRect) {
    context.beginDraw();
    context.fillRoundedRect(10, 20, 100, 50, 8, Red);
    context.endDraw();
    ASSERT_EQ(backend.calls.size(), 1u);
    const Call& call = backend.calls[0];
    EXPECT_EQ(call.what, "triangles");
    ASSERT_EQ(call.vertices.size(), 3u * 34);
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (size_t i = 0; i < call.vertices.size(); ++i) {
        const DrawVertex& v = call.vertices[i];
        if (i % 3 == 0) {  // every triangle starts at point 0: right edge, bottom corner's centre
            EXPECT_FLOAT_EQ(v.x, 110);
            EXPECT_FLOAT_EQ(v.y, 62);
        }
        minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    }
    EXPECT_NEAR(minX, 10, 1e-4);
    EXPECT_NEAR(maxX, 110, 1e-4);
    EXPECT_NEAR(minY, 20, 1e-4);
    EXPECT_NEAR(maxY, 70, 1e-4);
    // The fan closes: the last triangle ends where the outline started.
    EXPECT_NEAR(call.vertices.back().x, 110, 1e-4);
    EXPECT_NEAR(call.vertices.back().y, 28, 1e-4);
    // The corners are cut: no vertex near the bounding box's corner.
    for (const DrawVertex& v : call.vertices)
        EXPECT_FALSE(v.x < 12 && v.y < 22);
    // Without an antialiased one in the backend, the tessellated one is drawn.
    backend.calls.clear();
    context.beginDraw();
    context.fillRoundedRectAntialiased(10, 20, 100, 50, 8, Red);
    context.endDraw();
    ASSERT_EQ(backend.calls.size(), 1u);
    EXPECT_EQ(backend.calls[0].vertices.size(), 102u);
}

TEST_F(ImmediateModeTest, ImageFlagsTurnAndMirrorTheTextureRectangle) {
    struct Case {
        int flags;
        float corners[4][2];
        float uvs[4][2];
    };
    // A 20 × 10 image at (100, 50), texture rectangle (0.25, 0.5)-(0.75, 1).
    const Case cases[] = {
        {0, {{100, 50}, {120, 50}, {120, 60}, {100, 60}}, {{0.25f, 0.5f}, {0.75f, 0.5f}, {0.75f, 1}, {0.25f, 1}}},
        {1, {{110, 50}, {110, 70}, {100, 70}, {100, 50}}, {{0.25f, 0.5f}, {0.75f, 0.5f}, {0.75f, 1}, {0.25f, 1}}},
        {2, {{100, 50}, {120, 50}, {120, 60}, {100, 60}}, {{0.75f, 1}, {0.25f, 1}, {0.25f, 0.5f}, {0.75f, 0.5f}}},
        {4, {{100, 50}, {120, 50}, {120, 60}, {100, 60}}, {{0.75f, 0.5f}, {0.25f, 0.5f}, {0.25f, 1}, {0.75f, 1}}},
        {8, {{100, 50}, {120, 50}, {120, 60}, {100, 60}}, {{0.25f, 1}, {0.75f, 1}, {0.75f, 0.5f}, {0.25f, 0.5f}}},
        {2 | 4 | 8, {{100, 50}, {120, 50}, {120, 60}, {100, 60}},
         {{0.25f, 0.5f}, {0.75f, 0.5f}, {0.75f, 1}, {0.25f, 1}}},
    };
    auto* texture = reinterpret_cast<RenderableTexture*>(0x10);
    context.beginDraw();
    for (const Case& c : cases)
        context.drawImage(texture, 100, 50, 20, 10, 0.25f, 0.5f, 0.75f, 1, Red, c.flags);
    context.endDraw();
    ASSERT_EQ(backend.calls.size(), 1u);
    for (size_t k = 0; k < std::size(cases); ++k) {
        for (int i = 0; i < 4; ++i) {
            const DrawVertex& v = backend.calls[0].vertices[4 * k + size_t(i)];
            EXPECT_EQ(v.x, cases[k].corners[i][0]) << "flags " << cases[k].flags << " corner " << i;
            EXPECT_EQ(v.y, cases[k].corners[i][1]) << "flags " << cases[k].flags << " corner " << i;
            EXPECT_EQ(v.u, cases[k].uvs[i][0]) << "flags " << cases[k].flags << " corner " << i;
            EXPECT_EQ(v.v, cases[k].uvs[i][1]) << "flags " << cases[k].flags << " corner " << i;
        }
    }
}

TEST_F(ImmediateModeTest, PolygonsAreFansAndShapesTakeTheirVertexAttributes) {
    context.beginDraw();
    context.fillPolygon({{0, 0}, {10, 0}}, Red);  // too few points: nothing
    EXPECT_EQ(context.batchSize(), 0u);
    context.fillPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, Red);
    context.beginShape(PrimitiveKind::Lines, false);
    context.vertexColor({1, 2, 3, 4});  // no shape vertex yet: ignored
    context.vertexPosition(1, 2);
    context.vertexColor({0, 255, 0, 128});
    context.vertexTexcoord(0.5f, 0.25f);
    context.vertexPosition(3, 4);
    context.endShape();
    context.vertexColor({9, 9, 9, 9});  // after endShape: ignored
    context.endDraw();
    ASSERT_EQ(backend.calls.size(), 2u);
    using P = std::vector<std::pair<float, float>>;
    EXPECT_EQ(positions(backend.calls[0]), (P{{0, 0}, {10, 0}, {10, 10}, {0, 0}, {10, 10}, {0, 10}}));
    const auto& shape = backend.calls[1].vertices;
    ASSERT_EQ(shape.size(), 2u);
    EXPECT_EQ((std::vector<int>{shape[0].r, shape[0].g, shape[0].b, shape[0].a}), (std::vector<int>{0, 255, 0, 128}));
    EXPECT_EQ(shape[0].u, 0.5f);
    EXPECT_EQ(shape[0].v, 0.25f);
    EXPECT_EQ((std::vector<int>{shape[1].r, shape[1].g, shape[1].b, shape[1].a}),
              (std::vector<int>{255, 255, 255, 255}));
}

TEST_F(ImmediateModeTest, TheVertexArrayGrowsInWholeStepsAndIsKept) {
    context.beginDraw();
    for (int i = 0; i < 4097; ++i)
        context.drawPoint(i, 0, Red);
    EXPECT_EQ(context.batchCapacity(), 2 * DrawContext::GrowthStep);
    context.endDraw();
    ASSERT_EQ(backend.calls.size(), 1u);
    EXPECT_EQ(backend.calls[0].vertices.size(), 4097u);
    EXPECT_EQ(backend.calls[0].vertices[4096].x, 4096);
    EXPECT_EQ(context.batchCapacity(), 2 * DrawContext::GrowthStep);
}

TEST_F(ImmediateModeTest, DiscardingDropsThePendingBatchUndrawn) {
    context.beginDraw();
    context.fillRect(0, 0, 5, 5, Red);
    context.discard();
    EXPECT_FALSE(context.isDrawing());
    EXPECT_EQ(context.batchSize(), 0u);
    EXPECT_EQ(context.batchTexture(), nullptr);
    context.beginDraw();
    context.endDraw();
    EXPECT_TRUE(backend.calls.empty());
}

TEST(DrawContextWithoutBackend, StateAndDrawingWorkAndDrawNothing) {
    DrawContext context;
    context.resetState(100, 100);
    context.beginDraw();
    context.fillRect(0, 0, 10, 10, Red);
    context.clipTo(5, 5, 50, 50);
    context.resetClip();
    EXPECT_EQ(context.state().clip, (ClipRect{0, 0, 0, 0}));
    context.endDraw();
    EXPECT_EQ(context.batchSize(), 0u);
}

TEST(DebugDrawShapes, QueueTheirEdges) {
    DebugDraw::clear();
    Mat4x3 moved = Mat4x3::identity();
    moved.pos = {10, 0, 0};
    DebugDraw::drawBox({0, 0, 0}, {1, 2, 3}, Mat4x3::identity(), DebugDraw::White);
    ASSERT_EQ(DebugDraw::lines().size(), 12u);
    for (const auto& line : DebugDraw::lines()) {
        // Axis-aligned: each edge changes one coordinate.
        int changed = (line.from.x != line.to.x) + (line.from.y != line.to.y) + (line.from.z != line.to.z);
        EXPECT_EQ(changed, 1);
    }
    DebugDraw::clear();

    Mat4x3 scaled = moved;
    scaled.rot.row[0] = {0, 1, 0};
    scaled.rot.row[1] = {-1, 0, 0};
    DebugDraw::drawBase(scaled, 2);
    ASSERT_EQ(DebugDraw::lines().size(), 3u);
    const auto& axes = DebugDraw::lines();
    EXPECT_EQ(axes[0].to.x, 10);
    EXPECT_EQ(axes[0].to.y, 2);
    EXPECT_EQ(axes[0].color, DebugDraw::Red);
    EXPECT_EQ(axes[1].to.x, 8);
    EXPECT_EQ(axes[1].color, DebugDraw::Green);
    EXPECT_EQ(axes[2].to.z, 2);
    EXPECT_EQ(axes[2].color, DebugDraw::Blue);
    DebugDraw::clear();

    DebugDraw::drawCapsule(4, 1, moved, DebugDraw::White);
    // 8 side lines; per cap 4 rings of 8 segments and 8 meridians of 4 segments.
    ASSERT_EQ(DebugDraw::lines().size(), 8u + 2 * (32 + 32));
    float top = -1e9f, bottom = 1e9f;
    for (const auto& line : DebugDraw::lines()) {
        for (const Vec3& p : {line.from, line.to}) {
            top = std::max(top, p.z), bottom = std::min(bottom, p.z);
            EXPECT_LE(std::hypot(p.x - 10, p.y), 1.0001f);
        }
    }
    EXPECT_NEAR(top, 3, 1e-5);  // the poles: half the length plus the radius
    EXPECT_NEAR(bottom, -3, 1e-5);
    DebugDraw::clear();

    DebugDraw::drawSphere({0, 0, 0}, 2, 4, DebugDraw::White);
    EXPECT_EQ(DebugDraw::lines().size(), 4u * 8 + 8 * 4);
    DebugDraw::clear();
}

} // namespace
