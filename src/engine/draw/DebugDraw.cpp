#include "engine/draw/DebugDraw.h"

#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"

#include <cmath>

namespace engine::DebugDraw {

namespace {

std::vector<Line> queue;
std::vector<ScreenText> textQueue;
std::vector<WorldText> worldTextQueue;

constexpr float Pi = 3.1415927f;

Color colorOf(uint32_t rgba) {
    return {uint8_t(rgba >> 24), uint8_t(rgba >> 16), uint8_t(rgba >> 8), uint8_t(rgba)};
}

// The 12 edges between corners indexed by their (x, y, z) bits.
void drawCorners(const Vec3 (&corners)[8], uint32_t color) {
    for (int i = 0; i < 8; ++i) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if (!(i & bit))
                drawLine(corners[i], corners[i | bit], color);
        }
    }
}

} // namespace

void drawLine(const Vec3& from, const Vec3& to, uint32_t color) {
    queue.push_back({from, to, color});
}

void drawBox(const BoundingBox& box, uint32_t color) {
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        corners[i] = {i & 1 ? box.max.x : box.min.x, i & 2 ? box.max.y : box.min.y, i & 4 ? box.max.z : box.min.z};
    }
    drawCorners(corners, color);
}

void drawSphere(const Vec3& center, float radius, int detail, uint32_t color) {
    drawSphere(center, radius, detail, Mat4x3::identity(), color);
}

void drawSphere(const Vec3& center, float radius, int detail, const Mat4x3& transform, uint32_t color) {
    const float twoPi = 6.2831855f;
    int n = detail;
    auto point = [&](float polar, float azimuth) {
        float ring = radius * std::sin(polar);
        return transform.transformPoint(Vec3{center.x + ring * std::cos(azimuth), center.y - radius * std::cos(polar),
                                             center.z + ring * std::sin(azimuth)});
    };
    for (int k = 0; k < n; ++k) {
        float polar = float(k) * Pi / float(n);
        for (int j = 0; j < 2 * n; ++j) {
            drawLine(point(polar, float(j) * twoPi / float(2 * n)), point(polar, float(j + 1) * twoPi / float(2 * n)),
                     color);
        }
    }
    for (int j = 0; j < 2 * n; ++j) {
        float azimuth = float(j) * twoPi / float(2 * n);
        for (int k = 0; k < n; ++k)
            drawLine(point(float(k) * Pi / float(n), azimuth), point(float(k + 1) * Pi / float(n), azimuth), color);
    }
}

void drawBox(const Vec3& min, const Vec3& max, const Mat4x3& transform, uint32_t color) {
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        corners[i] = transform.transformPoint(
            {i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z});
    }
    drawCorners(corners, color);
}

void drawCapsule(float length, float radius, const Mat4x3& transform, uint32_t color) {
    const float half = length / 2;
    auto side = [](int i) { return float(i) * 2.0f * Pi / 8.0f; };
    auto line = [&](const Vec3& a, const Vec3& b) {
        drawLine(transform.transformPoint(a), transform.transformPoint(b), color);
    };
    for (int i = 0; i < 8; ++i) {
        float c = radius * std::cos(side(i)), s = radius * std::sin(side(i));
        line({c, s, half}, {c, s, -half});
    }
    // Cap angle i: 0 at the side lines, 90 degrees at the pole.
    auto capPoint = [&](int sideIndex, int capIndex, float sign) {
        float cap = float(capIndex) * 0.25f * Pi / 2.0f;
        float ring = radius * std::cos(cap);
        return Vec3{ring * std::cos(side(sideIndex)), ring * std::sin(side(sideIndex)),
                    sign * (radius * std::sin(cap) + half)};
    };
    for (float sign : {1.0f, -1.0f}) {
        for (int capIndex = 0; capIndex < 4; ++capIndex)
            for (int i = 0; i < 8; ++i)
                line(capPoint(i, capIndex, sign), capPoint((i + 1) % 8, capIndex, sign));
        for (int i = 0; i < 8; ++i)
            for (int capIndex = 0; capIndex < 4; ++capIndex)
                line(capPoint(i, capIndex, sign), capPoint(i, capIndex + 1, sign));
    }
}

void drawBase(const Mat4x3& transform, float scale) {
    const Vec3& origin = transform.pos;
    drawLine(origin, origin + transform.rot.row[0] * scale, Red);
    drawLine(origin, origin + transform.rot.row[1] * scale, Green);
    drawLine(origin, origin + transform.rot.row[2] * scale, Blue);
}

void drawMarker(const Vec3& position, float size, uint32_t color) {
    float h = size * 0.5f;
    drawLine(position - Vec3{h, 0, 0}, position + Vec3{h, 0, 0}, color);
    drawLine(position - Vec3{0, h, 0}, position + Vec3{0, h, 0}, color);
    drawLine(position - Vec3{0, 0, h}, position + Vec3{0, 0, h}, color);
}

void drawFrustum(const Mat4& viewProjection, uint32_t color) {
    Mat4 back = inverse(viewProjection);
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i) {
        Vec4 p = Vec4{i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : 0.0f, 1.0f} * back;
        corners[i] = Vec3{p.x, p.y, p.z} / p.w;
    }
    drawCorners(corners, color);
}

void drawText(const std::string& text, const Vec2& position, uint32_t color) {
    textQueue.push_back({text, position, 1.0f, color});
}

void drawText3D(const std::string& text, const Vec3& position, uint32_t color) {
    worldTextQueue.push_back({text, position, color});
}

const std::vector<Line>& lines() {
    return queue;
}

const std::vector<ScreenText>& texts() {
    return textQueue;
}

const std::vector<WorldText>& worldTexts() {
    return worldTextQueue;
}

void clear() {
    queue.clear();
    textQueue.clear();
    worldTextQueue.clear();
}

// A flush inside the scripts' own drawing leaves them drawing.
void flush(DrawContext& context, const Mat4& viewProjection, const Font& font) {
    bool wasDrawing = context.isDrawing();
    int width = 0, height = 0;
    if (context.backend())
        context.backend()->getScreenSize(width, height);
    const Mat4 transform = context.state().transform;
    if (!queue.empty()) {
        context.beginDraw();
        context.setTransform(viewProjection);
        for (const Line& line : queue)
            context.drawLine3D(line.from, line.to, colorOf(line.color));
        context.endDraw();
    }
    context.setTransform(Mat4::identity());
    if (!textQueue.empty() || !worldTextQueue.empty()) {
        context.beginDraw();
        for (const ScreenText& text : textQueue)
            context.drawText(text.text, text.position.x, text.position.y, font, colorOf(text.color));
        for (const WorldText& text : worldTextQueue) {
            Vec4 p = Vec4{text.position.x, text.position.y, text.position.z, 1.0f} * viewProjection;
            if (!(p.w > 0))
                continue;
            float x = std::trunc((p.x / p.w * 0.5f + 0.5f) * float(width));
            float y = std::trunc((0.5f - p.y / p.w * 0.5f) * float(height));
            context.drawText(text.text, x, y, font, colorOf(text.color));
        }
        context.endDraw();
    }
    context.setTransform(transform);
    if (wasDrawing)
        context.beginDraw();
    clear();
}

} // namespace engine::DebugDraw
