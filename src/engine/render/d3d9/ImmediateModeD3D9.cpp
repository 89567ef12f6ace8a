#include "engine/render/d3d9/ImmediateModeD3D9.h"

#include "core/Exception.h"
#include "engine/render/Renderer.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/ShaderD3D9.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

// A compiler that offers a small part of HLSL (Wine's, which defines
// QUILL_MINIMAL_HLSL) gets texts it reads right: the colour travels as a
// texture coordinate. It cannot sample textures in these shader models at
// all; textured batches are then drawn by the fixed-function pipeline.
const char* const VertexText =
    "#ifdef QUILL_MINIMAL_HLSL\n"
    "float4x4 g_transform; void main(float4 pos : POSITION, float4 color : COLOR, float2 texcoord : TEXCOORD, "
    "out float4 oPos : POSITION, out float4 oColor : TEXCOORD1, out float2 oTexcoord : TEXCOORD0) { oPos = "
    "mul(g_transform, pos); oColor = color; oTexcoord = texcoord; }\n"
    "#else\n"
    "float4x4 g_transform; void main(float4 pos : POSITION, float4 color : COLOR, float2 texcoord : TEXCOORD, "
    "out float4 oPos : POSITION, out float4 oColor : COLOR, out float2 oTexcoord : TEXCOORD ) { oPos = "
    "mul(g_transform, pos); oColor = color; oTexcoord = texcoord; }\n"
    "#endif\n";
const char* const PlainText =
    "#ifdef QUILL_MINIMAL_HLSL\n"
    "void main(float4 color : TEXCOORD1, float2 texcoord : TEXCOORD0, out float4 oColor : COLOR) { oColor = color; }\n"
    "#else\n"
    "void main(float4 color : COLOR, float2 texcoord : TEXCOORD, out float4 oColor : COLOR) { oColor = color; }\n"
    "#endif\n";
const char* const TexturedText =
    "sampler2D g_tex; void main(float4 color : COLOR, float2 texcoord : TEXCOORD, out float4 oColor : COLOR) { "
    "oColor = tex2D(g_tex, texcoord) * color; }";

ShaderSourceD3D9 text(const char* source) { return {source, "main", {}, false, ""}; }

} // namespace

ImmediateModeD3D9::ImmediateModeD3D9(RenderContextD3D9& context, Renderer& renderer)
    : m_context(context), m_renderer(renderer)
{
    d3d::Device& device = context.device();
    m_vertexShader = ShaderD3D9::createVertexShader(device, text(VertexText));
    m_plainShader = ShaderD3D9::createPixelShader(device, text(PlainText));
    try {
        m_texturedShader = ShaderD3D9::createPixelShader(device, text(TexturedText));
    } catch (const core::Exception&) {
        m_texturedShader.reset();
    }
    using Decl = d3d::VertexDeclaration;
    m_declaration.add(0, Decl::Float3, Decl::Position);
    m_declaration.add(0, Decl::Float2, Decl::TexCoord);
    m_declaration.add(0, Decl::Color, Decl::VertexColor);
    m_declaration.finish();
    m_width = renderer.viewport().width;
    m_height = renderer.viewport().height;
}

ImmediateModeD3D9::~ImmediateModeD3D9() = default;

void ImmediateModeD3D9::begin()
{
    const Viewport& viewport = m_renderer.viewport();
    m_context.setViewport(viewport.x, viewport.y, viewport.width, viewport.height);
    m_width = viewport.width;
    m_height = viewport.height;
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    applyBlendMode();
}

void ImmediateModeD3D9::end() { m_context.device().setRenderState(D3DRS_SCISSORTESTENABLE, FALSE); }

void ImmediateModeD3D9::setClip(int left, int top, int right, int bottom)
{
    // An empty clip is still a rectangle to Direct3D, which refuses inverted ones.
    m_context.device().setScissorRect(left, top, std::max(right, left), std::max(bottom, top));
}

void ImmediateModeD3D9::setBlendMode(DrawBlendMode mode)
{
    m_blendMode = mode;
    applyBlendMode();
}

void ImmediateModeD3D9::applyBlendMode()
{
    static const DWORD factors[][2] = {
        {D3DBLEND_ONE, D3DBLEND_ZERO},             // opaque
        {D3DBLEND_ONE, D3DBLEND_ONE},              // additive
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},       // modulative
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, // translucent
    };
    int mode = std::clamp(int(m_blendMode), 0, 3);
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_SRCBLEND, factors[mode][0]);
    device.setRenderState(D3DRS_DESTBLEND, factors[mode][1]);
}

// Row vectors on both sides: the engine's matrix is the projection as it stands.
void ImmediateModeD3D9::useFixedFunction(const Mat4& matrix)
{
    m_context.bindShaders(nullptr, nullptr);
    IDirect3DDevice9* device = m_context.device().get();
    D3DMATRIX identity = {};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    D3DMATRIX projection;
    std::memcpy(&projection, &matrix.m[0][0], sizeof projection);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void ImmediateModeD3D9::getScreenSize(int& width, int& height)
{
    width = m_width;
    height = m_height;
}

void ImmediateModeD3D9::drawPoints(const DrawVertex* vertices, int count, const DrawState& state, bool is3D)
{
    draw(Topology::Points, vertices, count, state, nullptr, is3D);
}

void ImmediateModeD3D9::drawLines(const DrawVertex* vertices, int count, const DrawState& state, bool is3D)
{
    draw(Topology::Lines, vertices, count, state, nullptr, is3D);
}

void ImmediateModeD3D9::drawTriangles(const DrawVertex* vertices, int count, const DrawState& state,
                                      RenderableTexture* texture)
{
    draw(Topology::Triangles, vertices, count, state, texture, false);
}

void ImmediateModeD3D9::drawQuads(const DrawVertex* vertices, int count, const DrawState& state,
                                  RenderableTexture* texture)
{
    draw(Topology::Quads, vertices, count, state, texture, false);
}

void ImmediateModeD3D9::draw(Topology topology, const DrawVertex* vertices, int count, const DrawState& state,
                             RenderableTexture* texture, bool is3D)
{
    static const int perPrimitive[] = {1, 2, 3, 4};
    int per = perPrimitive[int(topology)];
    count -= count % per;
    if (count <= 0)
        return;
    auto* textureD3D9 = dynamic_cast<RenderableTextureD3D9*>(texture);
    const d3d::BaseTexture* storage = textureD3D9 ? textureD3D9->texture() : nullptr;

    d3d::Device& device = m_context.device();
    // Culling stays off: screen-space batches come in either winding, as on OpenGL.
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_ZENABLE, is3D ? D3DZB_TRUE : D3DZB_FALSE);
    device.setRenderState(D3DRS_ZWRITEENABLE, is3D ? TRUE : FALSE);
    device.setRenderState(D3DRS_ZFUNC, is3D ? D3DCMP_LESSEQUAL : D3DCMP_ALWAYS);
    applyBlendMode();

    Mat4 matrix = state.transform;
    if (!is3D) {
        // Direct3D 9 samples at pixel corners: filled shapes move half a pixel
        // up and left to cover the pixels they cover on OpenGL. Points and
        // lines stay on the pixel centres, a sixteenth of a pixel down and
        // right, so that no rasteriser's tie rule drops a line's end pixel.
        bool filled = topology == Topology::Triangles || topology == Topology::Quads;
        float w = float(std::max(m_width, 1)), h = float(std::max(m_height, 1));
        float tx = filled ? -1.0f - 1.0f / w : -1.0f + 0.125f / w;
        float ty = filled ? 1.0f + 1.0f / h : 1.0f - 0.125f / h;
        matrix = matrix * screenProjection(m_width, m_height, tx, ty);
    }
    // The script's filter when it chose one (as on OpenGL), else trilinear.
    static const int filters[] = {d3d::SamplerDesc::LinearMipLinear, d3d::SamplerDesc::Nearest,
                                  d3d::SamplerDesc::Linear, d3d::SamplerDesc::LinearMipLinear};
    int filter = texture ? filters[int(texture->getFilter())] : d3d::SamplerDesc::LinearMipLinear;
    d3d::SamplerDesc sampler{storage, filter, d3d::SamplerDesc::Wrap, false};
    if (storage && !m_texturedShader) {
        useFixedFunction(matrix);
        sampler.apply(0);
    } else {
        m_context.bindShaders(m_vertexShader.get(), storage ? m_texturedShader.get() : m_plainShader.get());
        m_context.setConstant("g_transform", matrix);
        if (storage)
            m_context.setSampler("g_tex", sampler);
        m_context.uploadConstants();
    }
    m_context.bindDeclaration(&m_declaration);

    int chunk = topology == Topology::Quads ? 4 * MaxQuadsPerDraw : MaxVerticesPerDraw;
    for (int first = 0; first < count; first += chunk) {
        int n = std::min(chunk, count - first);
        auto* out = static_cast<DrawVertex*>(m_context.lockStream(n * int(sizeof(DrawVertex))));
        std::memcpy(out, vertices + first, size_t(n) * sizeof(DrawVertex));
        // The device reads colours as blue, green, red, alpha.
        for (int i = 0; i < n; ++i)
            std::swap(out[i].r, out[i].b);
        switch (topology) {
        case Topology::Points:
            m_context.drawStream(D3DPT_POINTLIST, n);
            break;
        case Topology::Lines:
            m_context.drawStream(D3DPT_LINELIST, n / 2);
            break;
        case Topology::Triangles:
            m_context.drawStream(D3DPT_TRIANGLELIST, n / 3);
            break;
        case Topology::Quads:
            m_context.drawStream(RenderContextD3D9::Quads, n / 4);
            break;
        }
    }
    if (storage)
        device.setTexture(0, nullptr);
    if (is3D) {
        device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    }
}

} // namespace engine
