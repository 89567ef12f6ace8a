#include "core/Exception.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/RendererWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace engine;

template <class T>
void setArray(Mesh& mesh, int slot, ElementType type, int components, const std::vector<T>& values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    mesh.setVertexArray(slot, int32_t(type), components, std::move(bytes));
}

// A mesh of the given vertices (x, y pairs at z = 0) with one segment over all indices.
std::unique_ptr<Mesh> flatMesh(const std::vector<float>& xy, std::vector<int32_t> indices, PrimitiveType type) {
    auto mesh = std::make_unique<Mesh>(int(xy.size() / 2));
    std::vector<float> positions;
    for (size_t i = 0; i < xy.size(); i += 2)
        positions.insert(positions.end(), {xy[i], xy[i + 1], 0.0f});
    setArray(*mesh, PositionSlot, ElementType::Float, 3, positions);
    MeshSegment& segment = mesh->addSegment();
    segment.type = int32_t(type);
    segment.count = int32_t(indices.size()) / indicesPerPrimitive(int32_t(type));
    mesh->setIndices(std::move(indices));
    return mesh;
}

TEST(RenderableMeshGL, BoneWeightBytesSumTo255) {
    struct Case {
        std::vector<float> weights;
        uint8_t bytes[4];
    } cases[] = {
        {{0.5f, 0.25f, 0.25f}, {127, 63, 65, 0}},
        {{1.0f}, {255, 0, 0, 0}},
        {{0.25f, 0.25f, 0.25f, 0.25f}, {63, 63, 63, 66}},
        {{0.6f, 0.4f, 0.0f}, {153, 102, 0, 0}},
        {{0.5f, 0.5f, 0.0f, 0.0f, 0.9f}, {127, 128, 0, 0}},  // bones past four are dropped
        {{1.5f, -0.5f}, {255, 0, 0, 0}},                     // out of range weights clamp to a byte
        {{0.0f, 0.0f}, {255, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        uint8_t bytes[4];
        packBoneWeights(c.weights.data(), int(std::min<size_t>(c.weights.size(), 4)), bytes);
        EXPECT_EQ(std::vector<int>(bytes, bytes + 4), std::vector<int>(c.bytes, c.bytes + 4)) << c.weights[0];
    }
}

TEST(RenderContextGL, DepthConversionMapsZeroToWOntoMinusWToW) {
    const Mat4& m = depthConversionMatrix();
    auto clipZ = [&m](float z, float w) { return z * m.m[2][2] + w * m.m[3][2]; };
    EXPECT_EQ(clipZ(0, 1), -1);
    EXPECT_EQ(clipZ(1, 1), 1);
    EXPECT_EQ(clipZ(2, 2), 2);
    EXPECT_EQ(m.m[3][3], 1);
    EXPECT_EQ(m.m[2][3], 0);
}

// Draws with a one-colour program whose attribute 0 is the position.
class RenderableMeshGLWindow : public test::RendererWindow {
protected:
    void SetUp() override {
        RendererWindow::SetUp();
        if (IsSkipped())
            return;
        m_renderer = static_cast<RendererGL*>(m_systems->renderer());
        m_context = m_renderer->context();
        m_program = makeProgram();
    }

    GLuint makeProgram() {
        const GLEntryPoints& f = gl();
        const char* vertex = "#version 120\nattribute vec3 position;\n"
                             "void main() { gl_Position = vec4(position, 1.0); }\n";
        const char* fragment = "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n";
        GLuint program = f.glCreateProgram();
        for (auto [kind, text] : {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_FRAGMENT_SHADER, fragment}}) {
            GLuint shader = f.glCreateShader(kind);
            f.glShaderSource(shader, 1, &text, nullptr);
            f.glCompileShader(shader);
            f.glAttachShader(program, shader);
        }
        f.glBindAttribLocation(program, 0, "position");
        f.glLinkProgram(program);
        GLint linked = 0;
        f.glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(linked);
        return program;
    }

    template <class F>
    static F entry(const char* name) {
        return reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    }

    // The bytes of a buffer object.
    static std::vector<uint8_t> bufferBytes(GLenum target, GLuint buffer, size_t size) {
        auto getBufferSubData = entry<PFNGLGETBUFFERSUBDATAPROC>("glGetBufferSubData");
        std::vector<uint8_t> bytes(size);
        gl().glBindBuffer(target, buffer);
        getBufferSubData(target, 0, GLsizeiptr(size), bytes.data());
        gl().glBindBuffer(target, 0);
        return bytes;
    }

    // The back buffer after drawing the mesh on black.
    std::vector<uint8_t> drawn(const RenderableMeshGL& mesh) {
        m_renderer->clearColor = {0, 0, 0, 255};
        m_renderer->beginRender();
        m_context->useProgram(m_program);
        mesh.draw();
        std::vector<uint8_t> pixels(size_t(Width) * Height * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static uint8_t red(const std::vector<uint8_t>& pixels, int x, int y) { return pixels[size_t(y * Width + x) * 4]; }

    RendererGL* m_renderer = nullptr;
    RenderContextGL* m_context = nullptr;
    GLuint m_program = 0;
};

TEST_F(RenderableMeshGLWindow, IndexSizeIs16BitsBelow65536VerticesAnd32BitsFrom65536) {
    for (int vertices : {65535, 65536}) {
        auto mesh = std::make_unique<Mesh>(vertices);
        setArray(*mesh, PositionSlot, ElementType::Float, 3, std::vector<float>(size_t(vertices) * 3, 0.0f));
        mesh->setIndices({0, vertices - 1, 1});
        mesh->addSegment().count = 1;
        RenderableMeshGL renderable;
        renderable.init(*mesh, false);
        int size = vertices < 65536 ? 2 : 4;
        ASSERT_EQ(renderable.indexSize(), size) << vertices;
        std::vector<uint8_t> bytes = bufferBytes(GL_ELEMENT_ARRAY_BUFFER, renderable.indexBuffer(), 3 * size_t(size));
        uint32_t last = 0;
        std::memcpy(&last, &bytes[size_t(size)], size_t(size));
        EXPECT_EQ(last, uint32_t(vertices - 1)) << vertices;
    }
}

TEST_F(RenderableMeshGLWindow, LayoutHoldsOnlyTheArraysTheMeshHas) {
    Mesh mesh(2);
    setArray(mesh, PositionSlot, ElementType::Float, 3, std::vector<float>{1, 2, 3, 4, 5, 6});
    setArray(mesh, TexcoordSlot, ElementType::Float, 2, std::vector<float>{0.5f, 0.25f, 1, 0});
    setArray(mesh, ColorSlot, ElementType::UnsignedByte, 4, std::vector<uint8_t>(8, 255));
    mesh.setIndices({0, 1, 1});
    mesh.addSegment().count = 1;
    RenderableMeshGL renderable;
    renderable.init(mesh, false);

    const VertexLayoutGL& layout = renderable.layout();
    EXPECT_EQ(layout.stride, 20);  // position and texture coordinate; colours are not uploaded
    EXPECT_EQ(layout.normal, -1);
    EXPECT_EQ(layout.tangent, -1);
    EXPECT_EQ(layout.texcoord, 12);
    EXPECT_EQ(layout.boneIndices, -1);
    EXPECT_FALSE(renderable.isSkinned());
    std::vector<uint8_t> bytes = bufferBytes(GL_ARRAY_BUFFER, renderable.vertexBuffer(), 40);
    float second[5];
    std::memcpy(second, &bytes[20], sizeof second);
    EXPECT_EQ(std::vector<float>(second, second + 5), (std::vector<float>{4, 5, 6, 1, 0}));

    // A normal pointer left enabled by an earlier draw is switched off.
    gl().glEnableVertexAttribArray(1);
    renderable.bind();
    auto getVertexAttribiv = entry<PFNGLGETVERTEXATTRIBIVPROC>("glGetVertexAttribiv");
    GLint normalEnabled = 1, texcoordEnabled = 0;
    getVertexAttribiv(1, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &normalEnabled);
    getVertexAttribiv(4, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &texcoordEnabled);
    EXPECT_EQ(normalEnabled, GL_FALSE);
    EXPECT_EQ(texcoordEnabled, GL_TRUE);
}

TEST_F(RenderableMeshGLWindow, SkinnedVerticesCarryBoneIndexAndWeightBytes) {
    Mesh mesh(1);
    std::vector<float> three(3, 1.0f);
    for (int slot : {PositionSlot, NormalSlot, TangentSlot, BitangentSlot})
        setArray(mesh, slot, ElementType::Float, 3, three);
    setArray(mesh, TexcoordSlot, ElementType::Float, 2, std::vector<float>{0, 0});
    setArray(mesh, BoneIndexSlot, ElementType::Int, 3, std::vector<int32_t>{3, 7, 9});
    setArray(mesh, BoneWeightSlot, ElementType::Float, 3, std::vector<float>{0.5f, 0.25f, 0.25f});
    RenderableMeshGL renderable;
    renderable.init(mesh, false);

    const VertexLayoutGL& layout = renderable.layout();
    EXPECT_TRUE(renderable.isSkinned());
    EXPECT_EQ(layout.stride, 12 * 4 + 8 + 4 + 4);
    EXPECT_EQ(layout.boneIndices, 56);
    EXPECT_EQ(layout.boneWeights, 60);
    std::vector<uint8_t> bytes = bufferBytes(GL_ARRAY_BUFFER, renderable.vertexBuffer(), size_t(layout.stride));
    EXPECT_EQ(std::vector<int>(bytes.begin() + 56, bytes.end()), (std::vector<int>{3, 7, 9, 0, 127, 63, 65, 0}));
}

TEST_F(RenderableMeshGLWindow, AnIndexPastTheVerticesIsRefusedAndTheOldContentsStay) {
    auto good = flatMesh({0, 0, 1, 0, 0, 1}, {0, 1, 2}, PrimitiveType::Triangles);
    RenderableMeshGL renderable;
    renderable.init(*good, true);
    auto bad = flatMesh({0, 0, 1, 0, 0, 1}, {0, 1, 3}, PrimitiveType::Triangles);
    try {
        renderable.init(*bad, false);
        FAIL() << "no exception";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "Invalid vertex index 3 in a mesh of 3 vertices");
    }
    EXPECT_NE(renderable.vertexBuffer(), 0u);
    ASSERT_NE(renderable.getSourceData(), nullptr);
    EXPECT_EQ(renderable.getSourceData()->getIndices(), good->getIndices());
}

TEST_F(RenderableMeshGLWindow, AQuadsSegmentDrawsWhatTwoTrianglesDraw) {
    std::vector<float> square = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 0.5f, -0.5f};
    RenderableMeshGL quads, triangles;
    quads.init(*flatMesh(square, {0, 1, 2, 3}, PrimitiveType::Quads), false);
    triangles.init(*flatMesh(square, {0, 1, 2, 0, 2, 3}, PrimitiveType::Triangles), false);

    std::vector<uint8_t> fromQuads = drawn(quads);
    std::vector<uint8_t> fromTriangles = drawn(triangles);
    EXPECT_EQ(red(fromQuads, Width / 2, Height / 2), 255);
    EXPECT_EQ(red(fromQuads, Width / 4 + 2, Height / 4 + 2), 255);
    EXPECT_EQ(red(fromQuads, 2, 2), 0);
    EXPECT_TRUE(fromQuads == fromTriangles);
}

TEST_F(RenderableMeshGLWindow, ASegmentReachingPastTheIndicesDrawsOnlyWhatIsThere) {
    auto mesh = flatMesh({-1, -1, -1, 1, 1, 1}, {0, 1, 2}, PrimitiveType::Triangles);
    mesh->segments()[0].count = 1000;
    RenderableMeshGL renderable;
    renderable.init(*mesh, false);
    EXPECT_EQ(renderable.segments()[0].count, 1);
    std::vector<uint8_t> pixels = drawn(renderable);
    EXPECT_EQ(red(pixels, 10, Height - 10), 255);
}

// Counts the driver's glUseProgram calls on their way through the entry point table.
PFNGLUSEPROGRAMPROC g_realUseProgram = nullptr;
int g_useProgramCalls = 0;
void APIENTRY countingUseProgram(GLuint program) {
    ++g_useProgramCalls;
    g_realUseProgram(program);
}

TEST_F(RenderableMeshGLWindow, TheProgramCacheCallsGLOnlyForAChangeButAlwaysRestartsTextureUnits) {
    g_realUseProgram = gl().glUseProgram;
    gl().glUseProgram = countingUseProgram;
    g_useProgramCalls = 0;
    m_context->useProgram(m_program);
    EXPECT_EQ(m_context->takeTextureUnit(), 0);
    EXPECT_EQ(m_context->takeTextureUnit(), 1);
    m_context->useProgram(m_program);
    EXPECT_EQ(g_useProgramCalls, 1);
    EXPECT_EQ(m_context->takeTextureUnit(), 0);
    m_context->useProgram(0);
    m_context->useProgram(0);
    EXPECT_EQ(g_useProgramCalls, 2);
    gl().glUseProgram = g_realUseProgram;
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

TEST_F(RenderableMeshGLWindow, BlendModesSetTheirFactors) {
    struct Case {
        BlendMode mode;
        bool enabled;
        GLint source, destination;
    } cases[] = {
        {BlendMode::Additive, true, GL_ONE, GL_ONE},
        {BlendMode::Modulative, true, GL_DST_COLOR, GL_ZERO},
        {BlendMode::Translucent, true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {BlendMode::AdditiveAlpha, true, GL_SRC_ALPHA, GL_ONE},
        {BlendMode::Opaque, false, 0, 0},
    };
    for (const Case& c : cases) {
        m_context->setBlendMode(c.mode);
        EXPECT_EQ(bool(glIsEnabled(GL_BLEND)), c.enabled) << int(c.mode);
        if (!c.enabled)
            continue;
        GLint source = 0, destination = 0;
        glGetIntegerv(GL_BLEND_SRC, &source);
        glGetIntegerv(GL_BLEND_DST, &destination);
        EXPECT_EQ(source, c.source) << int(c.mode);
        EXPECT_EQ(destination, c.destination) << int(c.mode);
    }
}

TEST_F(RenderableMeshGLWindow, RenderTargetsGoThroughTheFrameBufferObject) {
    try {
        m_context->setRenderTargets(0, 0, 0, 0);
        FAIL() << "no exception";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "Could not set render targets (glCheckFramebufferStatus returned 36055)");
    }

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    m_context->setRenderTargets(texture, 0, 0, 0);
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), m_context->framebuffer());

    // The full-screen quad covers every pixel of the target.
    glViewport(0, 0, 4, 4);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    m_context->useProgram(m_program);
    m_context->drawFullScreenQuad();
    std::vector<uint8_t> pixels(4 * 4 * 4);
    glReadPixels(0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_EQ(pixels, std::vector<uint8_t>(pixels.size(), 255));

    m_context->bindWindowFramebuffer();
    glDeleteTextures(1, &texture);
}

TEST_F(RenderableMeshGLWindow, ScratchMemoryAndQuadIndices) {
    EXPECT_NE(m_context->scratchMemory(RenderContextGL::ScratchBytes), nullptr);
    EXPECT_EQ(m_context->scratchMemory(RenderContextGL::ScratchBytes + 1), nullptr);
    const uint16_t* quads = m_context->quadIndices();
    EXPECT_EQ(std::vector<int>(quads + 6, quads + 12), (std::vector<int>{4, 5, 6, 4, 6, 7}));
    const uint16_t* last = quads + (RenderContextGL::MaxQuads - 1) * 6;
    EXPECT_EQ(std::vector<int>(last, last + 6), (std::vector<int>{65532, 65533, 65534, 65532, 65534, 65535}));
}

TEST_F(RenderableMeshGLWindow, AMeshOutlivingItsRendererCanNoLongerBeFilled) {
    auto mesh = flatMesh({0, 0, 1, 0, 0, 1}, {0, 1, 2}, PrimitiveType::Triangles);
    auto renderable = std::unique_ptr<RenderableMesh>(m_renderer->createRenderableMesh());
    renderable->init(*mesh, false);
    EngineSystems::destroy();
    try {
        renderable->init(*mesh, false);
        FAIL() << "no exception";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "Renderer not initialized");
    }
    renderable.reset();  // its buffers went with the context
}

} // namespace
