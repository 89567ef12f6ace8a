#include "engine/render/d3d9/RenderResourcesD3D9.h"

#include "core/Exception.h"
#include "engine/assets/Material.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/draw/Font.h"
#include "engine/render/d3d9/RenderableMeshD3D9.h"
#include "engine/render/d3d9/RenderableShaderD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace engine {

namespace {

RenderResourcesD3D9* g_resources = nullptr;

const char* const PostProcessVertexText =
    "void main(float4 pos : POSITION, out float4 oPos : POSITION, out float2 oTexcoord : TEXCOORD ) { oPos = pos; "
    "oTexcoord = pos.xy * float2(0.5, -0.5) + float2(0.5, 0.5); }";
const char* const PostProcessPixelText =
    "sampler2D g_sourceTex; void main(float2 texcoord : TEXCOORD, out float4 oColor : COLOR) { oColor = "
    "tex2D(g_sourceTex, texcoord); }";

// A texture of pixels given as 0xAARRGGBB, which is A8R8G8B8 in memory.
RenderableTextureD3D9* textureOf(int width, int height, const uint32_t* pixels)
{
    auto texture = std::make_unique<d3d::Texture2D>(width, height, 1, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    D3DLOCKED_RECT locked = texture->lock(0);
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                    pixels + size_t(y) * size_t(width), size_t(width) * 4);
    texture->unlock(0);
    return new RenderableTextureD3D9(std::move(texture));
}

} // namespace

uint8_t rotationAngleByte(int i)
{
    static const uint8_t start[] = {66, 218, 148, 1, 209, 114, 197, 83, 239, 140, 236, 72};
    if (i < int(sizeof start))
        return start[i];
    // The rest: any fixed sequence serves; a small linear congruential one.
    uint32_t state = 12345u + uint32_t(i) * 2654435761u;
    state = state * 1103515245u + 12345u;
    return uint8_t(state >> 16);
}

uint32_t rotationPixel(uint8_t angle)
{
    double a = angle * 2.0 * M_PI / 255.0;
    auto q = [](double x) { return uint32_t(int((x * 0.5 + 0.5) * 255.0)); };
    return q(std::cos(a)) << 24 | q(std::cos(a)) << 16 | q(-std::sin(a)) << 8 | q(std::sin(a));
}

RenderResourcesD3D9* renderResourcesD3D9() { return g_resources; }

RenderResourcesD3D9::RenderResourcesD3D9() = default;

RenderResourcesD3D9::~RenderResourcesD3D9()
{
    if (g_resources == this)
        g_resources = nullptr;
}

void RenderResourcesD3D9::create()
{
    const uint32_t white = 0xFFFFFFFFu;
    const uint32_t flatNormal = 0xFF8080FFu;
    whiteTexture = core::CountedRef<RenderableTextureD3D9>(textureOf(1, 1, &white));
    flatNormalTexture = core::CountedRef<RenderableTextureD3D9>(textureOf(1, 1, &flatNormal));
    uint32_t rotations[32 * 32];
    for (int i = 0; i < 32 * 32; ++i)
        rotations[i] = rotationPixel(rotationAngleByte(i));
    rotationTexture = core::CountedRef<RenderableTextureD3D9>(textureOf(32, 32, rotations));
    lightVolumeSphere = core::CountedRef<RenderableMeshD3D9>(new RenderableMeshD3D9);
    lightVolumeSphere->init(*createSphere(2), false);
    spotLightVolume = core::CountedRef<RenderableMeshD3D9>(new RenderableMeshD3D9);
    spotLightVolume->init(*createCone(10), false);
    debugFont = core::CountedRef<Font>(Font::createBuiltin(1));
    try {
        auto* shader = new RenderableShaderD3D9(*d3d::Device::current());
        postProcessShader = core::CountedRef<RenderableShaderD3D9>(shader);
        shader->loadPostProcessShaderFromText(PostProcessVertexText, PostProcessPixelText);
        postProcessMaterial = core::CountedRef<Material>(new Material(""));
        postProcessMaterial->shader = core::CountedRef<RenderableShader>(shader);
    } catch (const core::Exception&) {
        postProcessShader = {};
        postProcessMaterial = {};
    }
    g_resources = this;
}

} // namespace engine
