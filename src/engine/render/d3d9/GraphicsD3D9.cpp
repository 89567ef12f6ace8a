#include "engine/render/d3d9/GraphicsD3D9.h"

#include "core/Exception.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RenderableShaderD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/RendererD3D9.h"

namespace engine {

GraphicsD3D9::GraphicsD3D9(RenderContextD3D9& context, RendererD3D9& renderer)
    : m_context(context), m_renderer(renderer)
{
}

void GraphicsD3D9::setRenderTarget(RenderableTexture* texture)
{
    auto* textureD3D9 = dynamic_cast<RenderableTextureD3D9*>(texture);
    d3d::Texture2D* storage = textureD3D9 ? textureD3D9->texture2D() : nullptr;
    if (texture && !storage)
        throw core::Exception("Render target texture has no storage");
    d3d::Device& device = m_context.device();
    if (storage) {
        device.setRenderTarget(0, *storage);
        m_context.setViewport(0, 0, storage->width(), storage->height());
    } else {
        d3d::SwapChain* chain = m_renderer.windowSwapChain();
        device.setRenderTarget(0, chain);
        m_context.setViewport(0, 0, chain ? chain->width() : m_renderer.renderWidth(),
                              chain ? chain->height() : m_renderer.renderHeight());
    }
}

void GraphicsD3D9::useShader(RenderableShader* shader)
{
    auto* shaderD3D9 = dynamic_cast<RenderableShaderD3D9*>(shader);
    if (!shaderD3D9 || !shaderD3D9->slot(1) || !shaderD3D9->slot(2))
        throw core::Exception("Shader has no full-screen program");
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_context.bindShaders(shaderD3D9->slot(1), shaderD3D9->slot(2));
    m_context.uploadConstants();
}

void GraphicsD3D9::clear(Color color)
{
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    const unsigned char rgba[4] = {color.r, color.g, color.b, color.a};
    device.clear(rgba, d3d::Device::ClearTarget | d3d::Device::ClearDepth);
}

void GraphicsD3D9::drawFullScreenQuad()
{
    m_context.uploadConstants();
    m_context.drawFullScreenQuad();
}

void GraphicsD3D9::blit(RenderableTexture* source, RenderableTexture* target, RenderableShader* shader)
{
    if (!shader)
        shader = m_renderer.resources().postProcessShader.get();
    if (!shader)
        throw core::Exception("No post-process shader");
    auto* sourceD3D9 = dynamic_cast<RenderableTextureD3D9*>(source);
    const d3d::BaseTexture* storage = sourceD3D9 ? sourceD3D9->texture() : nullptr;
    if (!storage)
        throw core::Exception("Source texture has no storage");
    setRenderTarget(target);
    useShader(shader);
    m_context.setSampler("g_sourceTex", {storage, d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
    drawFullScreenQuad();
}

} // namespace engine
