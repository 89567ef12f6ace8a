// The Direct3D 9 renderer made through EngineSystems on a real window: the
// clear and the screenshot of it, meshes and textures made on the device,
// and a device reset that every resource the scripts hold survives.
#ifdef _WIN32
#include "core/Image.h"
#include "engine/assets/Material.h"
#include "engine/draw/DebugDraw.h"
#include "engine/draw/Graphics.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "engine/render/d3d9/GraphicsD3D9.h"
#include "engine/render/DDSFile.h"
#include "engine/render/RenderableTexture.h"
#include "engine/render/d3d9/RenderableMeshD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/RendererD3D9.h"
#include "support/ExceptionMessage.h"
#include "support/RendererWindow.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using engine::RendererD3D9;

class RendererD3D9Window : public test::RendererWindow {
protected:
    void SetUp() override
    {
        renderEngine = engine::RenderEngineKind::D3D9;
        RendererWindow::SetUp();
        if (m_systems)
            m_renderer = dynamic_cast<RendererD3D9*>(m_systems->renderer());
        ASSERT_NE(m_renderer, nullptr);
    }

    // The pixel at (x, y) of a screenshot of the frame being drawn.
    core::Image::Rgba shotPixel(int x, int y, int* width = nullptr, int* height = nullptr)
    {
        m_renderer->saveScreenShot("shot.png");
        core::Image shot = core::Image::load("shot.png");
        if (width)
            *width = shot.getWidth();
        if (height)
            *height = shot.getHeight();
        return shot.getPixel(x, y);
    }

    // A quad over the whole target at depth 0.5, with texture coordinates.
    static std::unique_ptr<engine::Mesh> screenQuad()
    {
        auto mesh = std::make_unique<engine::Mesh>(4);
        const float positions[] = {-1, 1, 0.5f, 1, 1, 0.5f, 1, -1, 0.5f, -1, -1, 0.5f};
        const float texcoords[] = {0, 0, 1, 0, 1, 1, 0, 1};
        mesh->setVertexArray(engine::PositionSlot, int32_t(engine::ElementType::Float), 3, positions);
        mesh->setVertexArray(engine::TexcoordSlot, int32_t(engine::ElementType::Float), 2, texcoords);
        mesh->setIndices({0, 1, 2, 0, 2, 3});
        mesh->addSegment().count = 2;
        return mesh;
    }

    // Draws the mesh with the fixed-function pipeline (identity transforms),
    // sampling the texture unfiltered.
    void drawTextured(const engine::RenderableMeshD3D9& mesh, engine::RenderableTextureD3D9& texture)
    {
        engine::RenderContextD3D9& context = *m_renderer->context();
        d3d::Device& device = context.device();
        device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d3d::SamplerDesc{texture.texture(), d3d::SamplerDesc::Nearest, d3d::SamplerDesc::Clamp, false}.apply(0);
        context.bindVertexShader(nullptr);
        context.bindPixelShader(nullptr);
        mesh.bind(context);
        mesh.drawSegment(context, 0);
        device.setTexture(0, nullptr);
    }

    // The top-left pixel of a half-float render target: red, green, blue, alpha.
    std::array<uint16_t, 4> firstHalfPixel(d3d::Texture2D& target)
    {
        std::array<uint16_t, 4> halves{};
        IDirect3DDevice9* device = m_renderer->context()->device().get();
        IDirect3DSurface9* surface = target.surface(0);
        IDirect3DSurface9* copy = nullptr;
        if (device->CreateOffscreenPlainSurface(UINT(target.width()), UINT(target.height()), D3DFMT_A16B16G16R16F,
                                                D3DPOOL_SYSTEMMEM, &copy, nullptr) == D3D_OK &&
            device->GetRenderTargetData(surface, copy) == D3D_OK) {
            D3DLOCKED_RECT locked;
            if (copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
                std::memcpy(halves.data(), locked.pBits, sizeof halves);
                copy->UnlockRect();
            }
        }
        if (copy)
            copy->Release();
        surface->Release();
        return halves;
    }

    TempDirectory m_folder;
    RendererD3D9* m_renderer = nullptr;
};

TEST_F(RendererD3D9Window, BeginRenderClearsToTheClearColourAndTheScreenshotShowsIt)
{
    EXPECT_EQ(engine::Renderer::current(), m_renderer);
    ASSERT_TRUE(m_renderer->isReadyToRender());
    m_renderer->clearColor = {255, 128, 0, 255};
    engine::renderStats().drawSegments = 7;
    m_renderer->beginRender();
    EXPECT_EQ(engine::renderStats().drawSegments, 0);
    m_renderer->renderScene(nullptr, nullptr, nullptr); // draws nothing yet, but does not fail
    int width = 0, height = 0;
    EXPECT_EQ(shotPixel(Width / 2, Height / 2, &width, &height), (core::Image::Rgba{255, 128, 0, 255}));
    EXPECT_EQ(width, Width);
    EXPECT_EQ(height, Height);
    m_renderer->endRender();
    EXPECT_FALSE(m_renderer->enumerateResolutions().empty());
    EXPECT_GT(m_renderer->getAvailableTextureMemory(), 0u);
}

TEST_F(RendererD3D9Window, MeshesTexturesAndRenderBuffersSurviveADeviceReset)
{
    core::Image red(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            red.setPixel(x, y, {255, 0, 0, 255});
    std::unique_ptr<engine::RenderableTexture> texture(engine::createTexture(red));
    auto* textureD3D9 = dynamic_cast<engine::RenderableTextureD3D9*>(texture.get());
    ASSERT_NE(textureD3D9, nullptr);
    engine::RenderableMeshD3D9 mesh;
    mesh.init(*screenQuad(), false);
    std::unique_ptr<engine::RenderableTexture> buffer(m_renderer->createRenderBuffer(8, 8));
    d3d::Texture2D* bufferTexture = dynamic_cast<engine::RenderableTextureD3D9&>(*buffer).texture2D();
    ASSERT_NE(bufferTexture, nullptr);

    ASSERT_TRUE(m_renderer->context()->device().reset());
    ASSERT_TRUE(m_renderer->isReadyToRender());

    m_renderer->clearColor = {0, 0, 255, 255};
    m_renderer->beginRender();
    drawTextured(mesh, *textureD3D9);
    EXPECT_EQ(shotPixel(Width / 2, Height / 2), (core::Image::Rgba{255, 0, 0, 255}));

    // The render buffer was made again and takes a clear: half-float 1.0 in green.
    d3d::Device& device = m_renderer->context()->device();
    device.setRenderTarget(0, *bufferTexture);
    const unsigned char green[4] = {0, 255, 0, 255};
    device.clear(green, d3d::Device::ClearTarget);
    EXPECT_EQ(firstHalfPixel(*bufferTexture), (std::array<uint16_t, 4>{0x0000, 0x3C00, 0x0000, 0x3C00}));
    device.setRenderTarget(0, m_renderer->windowSwapChain());
    m_renderer->endRender();
}

TEST_F(RendererD3D9Window, GraphicsClearsARenderTargetAndGoesBackToTheWindow)
{
    ASSERT_EQ(engine::Graphics::current(), m_renderer->graphics());
    engine::Graphics& graphics = *engine::Graphics::current();
    std::unique_ptr<engine::RenderableTexture> buffer(m_renderer->createRenderBuffer(8, 8));
    m_renderer->beginRender();
    graphics.setRenderTarget(buffer.get());
    graphics.clear({0, 255, 0, 255});
    EXPECT_EQ(firstHalfPixel(*dynamic_cast<engine::RenderableTextureD3D9&>(*buffer).texture2D()),
              (std::array<uint16_t, 4>{0x0000, 0x3C00, 0x0000, 0x3C00}));
    graphics.setRenderTarget(nullptr);
    IDirect3DDevice9* device = m_renderer->context()->device().get();
    IDirect3DSurface9 *bound = nullptr, *back = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &bound), D3D_OK);
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(bound, back);
    bound->Release();
    back->Release();
    EXPECT_EQ(messageOf([&] { graphics.useShader(nullptr); }), "Shader has no full-screen program");
    m_renderer->endRender();
}

// A picture blitted to the window stands upright, as on OpenGL: its first
// row (red) at the top, its last (blue) at the bottom.
TEST_F(RendererD3D9Window, BlittedPicturesStandUpright)
{
    core::Image picture(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.setPixel(x, y, y < 2 ? core::Image::Rgba{255, 0, 0, 255} : core::Image::Rgba{0, 0, 255, 255});
    std::unique_ptr<engine::RenderableTexture> texture(engine::createTexture(picture));
    m_renderer->beginRender();
    engine::Graphics::current()->blit(texture.get(), nullptr, nullptr);
    EXPECT_EQ(shotPixel(Width / 2, 2), (core::Image::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(shotPixel(Width / 2, Height - 3), (core::Image::Rgba{0, 0, 255, 255}));
    m_renderer->endRender();
}

TEST_F(RendererD3D9Window, AfterResizingFramesGoToTheNewSwapChain)
{
    EXPECT_EQ(m_renderer->windowSwapChain(), nullptr);
    m_renderer->resizeRenderBuffers(160, 100);
    ASSERT_NE(m_renderer->windowSwapChain(), nullptr);
    EXPECT_EQ(m_renderer->depthStencilBuffer()->width(), 160);
    m_renderer->clearColor = {0, 200, 0, 255};
    m_renderer->beginRender();
    IDirect3DSurface9* bound = nullptr;
    ASSERT_EQ(m_renderer->context()->device().get()->GetRenderTarget(0, &bound), D3D_OK);
    IDirect3DSurface9* back = m_renderer->windowSwapChain()->backBuffer();
    EXPECT_EQ(bound, back);
    bound->Release();
    back->Release();
    EXPECT_EQ(shotPixel(10, 10), (core::Image::Rgba{0, 200, 0, 255}));
    m_renderer->endRender();
}

TEST_F(RendererD3D9Window, MeshIndicesWidenPastSixteenBitsAndQuadsBecomeTriangles)
{
    for (int vertices : {65535, 65536}) {
        engine::Mesh mesh(vertices);
        std::vector<float> positions(size_t(vertices) * 3, 0.0f);
        mesh.setVertexArray(engine::PositionSlot, int32_t(engine::ElementType::Float), 3, positions.data());
        mesh.setIndices({0, 1, vertices - 1});
        mesh.addSegment().count = 1;
        engine::RenderableMeshD3D9 renderable;
        renderable.init(mesh, false);
        EXPECT_EQ(renderable.indexBuffer()->is32Bit(), vertices > 65535) << vertices;
    }

    engine::Mesh mesh(6);
    std::vector<float> positions(18, 0.0f);
    mesh.setVertexArray(engine::PositionSlot, int32_t(engine::ElementType::Float), 3, positions.data());
    mesh.setIndices({0, 1, 2, 3, 3, 4, 5});
    engine::MeshSegment& quads = mesh.addSegment();
    quads.type = int32_t(engine::PrimitiveType::Quads);
    quads.count = 1;
    engine::MeshSegment& triangles = mesh.addSegment();
    triangles.firstIndex = 4;
    triangles.count = 1;
    engine::RenderableMeshD3D9 renderable;
    renderable.init(mesh, true);
    ASSERT_EQ(renderable.segments().size(), 2u);
    EXPECT_EQ(renderable.segments()[0].count, 2);
    EXPECT_EQ(renderable.segments()[1].firstIndex, 6);
    EXPECT_EQ(renderable.stride(), 12);
    EXPECT_NE(renderable.getSourceData(), nullptr);
    auto* indices = static_cast<const uint16_t*>(renderable.indexBuffer()->lock());
    std::vector<uint16_t> got(indices, indices + 9);
    renderable.indexBuffer()->unlock();
    EXPECT_EQ(got, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 3, 4, 5}));
}

TEST_F(RendererD3D9Window, DDSLevelsAreSkippedOnlyForLargeTexturesWithAChain)
{
    struct {
        int size, skip, width, levels;
    } cases[] = {
        {128, 2, 32, 6},
        {32, 2, 32, 6},  // under 64 pixels: every level kept
        {64, 9, 4, 3},   // a compressed top level keeps at least one whole block
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::string name = "chain" + std::to_string(c.size) + ".dds";
        engine::writeDDS(name, core::Image(c.size, c.size), engine::DDSFile::Format::DXT1);
        std::unique_ptr<engine::RenderableTexture> texture;
        ASSERT_EQ(messageOf([&] { texture.reset(engine::loadTexture(name, c.skip, true)); }), "");
        auto& d3d9 = dynamic_cast<engine::RenderableTextureD3D9&>(*texture);
        EXPECT_EQ(texture->getWidth(), c.width);
        EXPECT_EQ(d3d9.texture()->levels(), c.levels);
        EXPECT_EQ(d3d9.texture()->format(), D3DFMT_DXT1);
        EXPECT_TRUE(d3d9.srgb());
        texture->reload();
        EXPECT_EQ(texture->getWidth(), c.width) << "reloaded with the same skip";
    }
}

// The statistics overlay is queued at the end of the frame; a buffer view
// shows a texture of the context's size pixel for pixel from the top-left.
TEST_F(RendererD3D9Window, StatisticsOverlayAndBufferView)
{
    engine::DebugDraw::clear();
    m_renderer->drawStats = true;
    m_renderer->beginRender();
    engine::renderStats().drawSegments = 3;
    m_renderer->endRender();
    m_renderer->drawStats = false;
    ASSERT_EQ(engine::DebugDraw::texts().size(), 4u);
    EXPECT_EQ(engine::DebugDraw::texts()[0].text, "Visible meshes:   0");
    EXPECT_EQ(engine::DebugDraw::texts()[2].text, "Draw segments:    3");
    engine::DebugDraw::clear();

    core::Image image(Width, Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.setPixel(x, y, x == 1 && y == 0 ? core::Image::Rgba{255, 0, 0, 255} : core::Image::Rgba{0, 0, 255, 255});
    std::unique_ptr<engine::RenderableTexture> texture(engine::createTexture(image));
    m_renderer->beginRender();
    m_renderer->context()->showBuffer(*dynamic_cast<engine::RenderableTextureD3D9&>(*texture).texture());
    EXPECT_EQ(shotPixel(1, 0), (core::Image::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(shotPixel(0, 0), (core::Image::Rgba{0, 0, 255, 255}));
    EXPECT_EQ(shotPixel(1, 1), (core::Image::Rgba{0, 0, 255, 255}));
    m_renderer->endRender();
}

// Material parameters reach the bound programs' constants and samplers; an
// entity without a skeleton skins with identity bones.
TEST_F(RendererD3D9Window, MaterialParametersAndSkinningMatricesReachTheConstants)
{
    engine::RenderContextD3D9& context = *m_renderer->context();
    auto vertex = engine::ShaderD3D9::createVertexShader(
        context.device(), {"float4 g_skinningMatrices[192]; float4 g_tint; float2 g_offset;\n"
                           "float4 main(float4 p : POSITION, float4 i : BLENDINDICES) : POSITION {"
                           " return g_skinningMatrices[(int)i.x] + g_tint + float4(g_offset, 0, 0); }",
                           "main", {}, false, ""});
    auto pixel = engine::ShaderD3D9::createPixelShader(
        context.device(), {"sampler2D g_map; float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(g_map, uv); }",
                           "main", {}, false, ""});
    context.bindShaders(vertex.get(), pixel.get());

    engine::Material material("parameters");
    const float tint[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    material.setParameter("g_tint", tint, 4);
    material.setParameter("g_offset", tint, 2);
    material.setParameter("g_absent", 3.0f);
    engine::RenderableTexture* map = engine::createTexture(core::Image(4, 4)); // the material's now
    material.setParameterTexture("g_map", map);
    context.applyMaterialParameters(material);
    const float* written = vertex->find("g_tint")->data;
    EXPECT_EQ(std::vector<float>(written, written + 4), std::vector<float>(tint, tint + 4));
    const float* offset = vertex->find("g_offset")->data;
    EXPECT_EQ(offset[0], 0.25f);
    EXPECT_EQ(offset[1], 0.5f);
    IDirect3DBaseTexture9* bound = nullptr;
    ASSERT_EQ(context.device().get()->GetTexture(pixel->find("g_map")->registerIndex, &bound), D3D_OK);
    EXPECT_EQ(bound, dynamic_cast<engine::RenderableTextureD3D9&>(*map).texture2D()->get());
    if (bound)
        bound->Release();

    engine::RenderableMeshD3D9 mesh;
    mesh.init(*screenQuad(), false);
    engine::MeshEntity entity;
    context.setSkinningMatrices(entity, mesh);
    const float* bones = vertex->find("g_skinningMatrices")->data;
    // Bone 5's three columns of the identity.
    const float* bone = bones + 5 * 12;
    EXPECT_EQ(std::vector<float>(bone, bone + 12), (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}));
    context.bindShaders(nullptr, nullptr);
}

} // namespace
#endif
