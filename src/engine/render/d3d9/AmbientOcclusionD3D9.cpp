#include "engine/render/d3d9/AmbientOcclusionD3D9.h"

#include "engine/render/OcclusionPattern.h"
#include "engine/render/d3d9/D3DDevice.h"
#include "engine/render/d3d9/DeferredPipelineD3D9.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "engine/scene/Camera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

const char* const OcclusionFile = "shaders/d3d9/ssao.hlsl";

std::unique_ptr<d3d::Texture2D> renderTexture(int width, int height, D3DFORMAT format) {
    return std::make_unique<d3d::Texture2D>(width, height, 1, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
}

void setVec(RenderContextD3D9& context, const char* name, std::initializer_list<float> values) {
    context.setConstant(name, values.begin(), int(values.size()));
}

d3d::SamplerDesc nearest(const d3d::BaseTexture& texture, int address) {
    return {&texture, d3d::SamplerDesc::Nearest, address, false};
}

} // namespace

uint32_t AmbientOcclusionD3D9::rotationPixel(int k) {
    // The GL tile's bytes in memory are q(cos), q(-sin), q(sin), q(cos).
    std::array<uint8_t, 64> gl = occlusionRotationPixels();
    uint32_t cosine = gl[size_t(k) * 4], minusSine = gl[size_t(k) * 4 + 1], sine = gl[size_t(k) * 4 + 2];
    return cosine << 24 | cosine << 16 | minusSine << 8 | sine;
}

std::unique_ptr<d3d::Texture2D> AmbientOcclusionD3D9::createRotationTile() {
    auto tile = std::make_unique<d3d::Texture2D>(4, 4, 1, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    D3DLOCKED_RECT locked = tile->lock(0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t pixel = rotationPixel(y * 4 + x);
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch) + size_t(x) * 4,
                        &pixel, 4);
        }
    tile->unlock(0);
    return tile;
}

AmbientOcclusionD3D9::AmbientOcclusionD3D9(RenderContextD3D9& context, int width, int height) : m_context(context) {
    d3d::Device& device = context.device();
    auto vertex = [&](const char* entry) {
        return ShaderD3D9::createVertexShader(device, {OcclusionFile, entry, {}, true, {}});
    };
    auto pixel = [&](const char* entry) {
        return ShaderD3D9::createPixelShader(device, {OcclusionFile, entry, {}, true, {}});
    };
    m_depthVs = vertex("downscale_depth_vs");
    m_depthPs = pixel("downscale_depth_ps");
    m_occlusionVs = vertex("ssao_vs");
    m_occlusionPs = pixel("ssao_ps");
    m_occlusionHighPs = pixel("ssao_high_ps");
    m_blurVs = vertex("blur_vs");
    m_blurXPs = pixel("blurX_ps");
    m_blurYPs = pixel("blurY_ps");
    const D3DFORMAT depthFormats[] = {D3DFMT_R16F, D3DFMT_G16R16F, D3DFMT_A16B16G16R16F, D3DFMT_UNKNOWN};
    const D3DFORMAT occlusionFormats[] = {D3DFMT_G16R16F, D3DFMT_A16B16G16R16F, D3DFMT_UNKNOWN};
    m_depthFormat = d3d::chooseRenderTargetFormat(depthFormats, D3DUSAGE_RENDERTARGET);
    m_occlusionFormat = d3d::chooseRenderTargetFormat(occlusionFormats, D3DUSAGE_RENDERTARGET);
    m_rotation = createRotationTile();
    resize(width, height);
}

AmbientOcclusionD3D9::~AmbientOcclusionD3D9() = default;

void AmbientOcclusionD3D9::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    m_depth.reset();
    m_occlusion.reset();
    m_blur.reset();
    m_depth = renderTexture(width, height, m_depthFormat);
    m_occlusion = renderTexture(width, height, m_occlusionFormat);
    m_blur = renderTexture(width, height, m_occlusionFormat);
}

void AmbientOcclusionD3D9::apply(Camera& camera, DeferredPipelineD3D9& pipeline, int quality) {
    d3d::Device& device = m_context.device();
    const d3d::Texture2D& geometryBuffer = pipeline.geometryBuffer();
    const float w = float(geometryBuffer.width());
    const float h = float(geometryBuffer.height());
    const Mat4& invProjection = camera.inverseProjection();
    auto unproject = [&](float x, float y) {
        Vec4 p = Vec4{x, y, 0, 1} * invProjection;
        Vec3 v{p.x / p.w, p.y / p.w, p.z / p.w};
        return Vec2{v.x / v.z, v.y / v.z};
    };
    const Vec2 a = unproject(-1, 1);
    const Vec2 b = unproject(1, -1);

    device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    auto target = [&](d3d::Texture2D& texture) {
        device.setRenderTarget(0, texture);
        pipeline.applyViewport();
    };
    auto commonConstants = [&] {
        setVec(m_context, "g_invScreenSize", {1.0f / w, 1.0f / h});
        m_context.uploadConstants();
        m_context.drawFullScreenQuad();
    };

    target(*m_depth);
    m_context.bindShaders(m_depthVs.get(), m_depthPs.get());
    m_context.setSampler("g_geometryBuffer", nearest(geometryBuffer, d3d::SamplerDesc::Clamp));
    commonConstants();

    target(*m_occlusion);
    m_context.bindShaders(m_occlusionVs.get(), quality > 0 ? m_occlusionHighPs.get() : m_occlusionPs.get());
    m_context.setSampler("g_geometryBuffer", nearest(geometryBuffer, d3d::SamplerDesc::Clamp));
    m_context.setSampler("g_depthBuffer", nearest(*m_depth, d3d::SamplerDesc::Clamp));
    m_context.setSampler("g_rotTex", nearest(*m_rotation, d3d::SamplerDesc::Wrap));
    m_context.setConstant("g_invProjectionMatrix", invProjection);
    setVec(m_context, "g_invNear", {1.0f / camera.nearDistance()});
    float samples[OcclusionKernelSize * 4] = {};
    for (int k = 0; k < OcclusionKernelSize; ++k) {
        samples[4 * k] = OcclusionKernel[size_t(2 * k)];
        samples[4 * k + 1] = OcclusionKernel[size_t(2 * k + 1)];
    }
    m_context.setConstant("g_samples", samples, OcclusionKernelSize * 4);
    setVec(m_context, "g_pixRadius", {PixelRadius});
    setVec(m_context, "g_screenToView", {(b.x - a.x) / w, (a.y - b.y) / h});
    commonConstants();

    // Four taps, one register each: two pixels either side, across then down.
    auto blur = [&](ShaderD3D9* program, const d3d::Texture2D& source, float dx, float dy) {
        m_context.bindShaders(m_blurVs.get(), program);
        m_context.setSampler("g_ssaoBuffer", nearest(source, d3d::SamplerDesc::Clamp));
        setVec(m_context, "g_threshold", {BlurThreshold});
        const float steps[4] = {-2, -1, 1, 2};
        float offsets[16] = {};
        for (int k = 0; k < 4; ++k) {
            offsets[4 * k] = steps[k] * dx;
            offsets[4 * k + 1] = steps[k] * dy;
        }
        m_context.setConstant("g_offset", offsets, 16);
        commonConstants();
    };
    target(*m_blur);
    blur(m_blurXPs.get(), *m_occlusion, 1 / w, 0);

    target(pipeline.finalBuffer());
    device.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
    device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device.setRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    blur(m_blurYPs.get(), *m_blur, 0, 1 / h);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

} // namespace engine
