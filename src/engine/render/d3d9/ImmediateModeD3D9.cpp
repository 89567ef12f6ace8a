#include "engine/render/d3d9/ImmediateModeD3D9.h"

#include "core/Exception.h"
#include "engine/render/Renderer.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/ShaderD3D9.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

const char* const VertexText =
    "float4x4 g_transform; void main(float4 pos : POSITION, float4 color : COLOR, float2 texcoord : TEXCOORD, "
    "out float4 oPos : POSITION, out float4 oColor : COLOR, out float2 oTexcoord : TEXCOORD ) { oPos = "
    "mul(g_transform, pos); oColor = color; oTexcoord = texcoord; }";
const char* const PlainText =
    "void main(float4 color : COLOR, float2 texcoord : TEXCOORD, out float4 oColor : COLOR) { oColor = color; }";
const char* const TexturedText =
    "sampler2D g_tex; void main(float4 color : COLOR, float2 texcoord : TEXCOORD, out float4 oColor : COLOR) { "
    "oColor = tex2D(g_tex, texcoord) * color; }";
const char* const ShapesFile = "shaders/d3d9/immediate_mode.hlsl";

// One corner of an antialiased line's quad: the corner, both end points and
// the colour, as line_vs reads them.
struct LineVertex {
    float x, y;
    float p0[2];
    float p1[2];
    D3DCOLOR color;
};
static_assert(sizeof(LineVertex) == 28);

D3DCOLOR deviceColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return D3DCOLOR_ARGB(a, r, g, b);
}

ShaderSourceD3D9 text(const char* source) { return {source, "main", {}, false, ""}; }
ShaderSourceD3D9 shapes(const char* entry) { return {ShapesFile, entry, {}, true, ""}; }

} // namespace

ImmediateModeD3D9::ImmediateModeD3D9(RenderContextD3D9& context, Renderer& renderer)
    : m_context(context), m_renderer(renderer)
{
    d3d::Device& device = context.device();
    m_vertexShader = ShaderD3D9::createVertexShader(device, text(VertexText));
    m_plainShader = ShaderD3D9::createPixelShader(device, text(PlainText));
    m_texturedShader = ShaderD3D9::createPixelShader(device, text(TexturedText));
    m_lineVertexShader = ShaderD3D9::createVertexShader(device, shapes("line_vs"));
    m_linePixelShader = ShaderD3D9::createPixelShader(device, shapes("line_ps"));
    m_rectVertexShader = ShaderD3D9::createVertexShader(device, shapes("rounded_rect_vs"));
    m_rectPixelShader = ShaderD3D9::createPixelShader(device, shapes("rounded_rect_ps"));
    using Decl = d3d::VertexDeclaration;
    m_declaration.add(0, Decl::Float3, Decl::Position);
    m_declaration.add(0, Decl::Float2, Decl::TexCoord);
    m_declaration.add(0, Decl::Color, Decl::VertexColor);
    m_declaration.finish();
    m_lineDeclaration.add(0, Decl::Float2, Decl::Position);
    m_lineDeclaration.add(0, Decl::Float2, Decl::TexCoord);
    m_lineDeclaration.add(0, Decl::Float2, Decl::TexCoord);
    m_lineDeclaration.add(0, Decl::Color, Decl::VertexColor);
    m_lineDeclaration.finish();
    m_rectDeclaration.add(0, Decl::Float2, Decl::Position);
    m_rectDeclaration.finish();
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
    prepareState(is3D);
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
    m_context.bindShaders(m_vertexShader.get(), storage ? m_texturedShader.get() : m_plainShader.get());
    m_context.setConstant("g_transform", matrix);
    if (storage)
        m_context.setSampler("g_tex", sampler);
    m_context.uploadConstants();
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

void ImmediateModeD3D9::prepareState(bool is3D)
{
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_ZENABLE, is3D ? D3DZB_TRUE : D3DZB_FALSE);
}

void ImmediateModeD3D9::drawLinesAntialiased(const DrawVertex* vertices, int count, const DrawState& state,
                                             float lineWidth)
{
    count -= count % 2;
    if (count <= 0)
        return;
    prepareState(false);
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    applyBlendMode();
    // No half-pixel offset: the pixel program measures from the pixel's centre itself.
    m_context.bindShaders(m_lineVertexShader.get(), m_linePixelShader.get());
    m_context.setConstant("g_transform", state.transform * screenProjection(m_width, m_height, -1.0f, 1.0f));
    m_context.setConstant("g_lineWidth", &lineWidth, 1);
    m_context.uploadConstants();
    m_context.bindDeclaration(&m_lineDeclaration);

    const int segments = count / 2;
    const int chunk = std::min(MaxQuadsPerDraw, RenderContextD3D9::StreamBytes / int(4 * sizeof(LineVertex)));
    for (int first = 0; first < segments; first += chunk) {
        int n = std::min(chunk, segments - first);
        auto* out = static_cast<LineVertex*>(m_context.lockStream(n * 4 * int(sizeof(LineVertex))));
        for (int i = 0; i < n; ++i) {
            const DrawVertex& a = vertices[2 * (first + i)];
            const DrawVertex& b = vertices[2 * (first + i) + 1];
            float dx = b.x - a.x, dy = b.y - a.y;
            float length = std::sqrt(dx * dx + dy * dy);
            if (length > 0)
                dx /= length, dy /= length;
            float k = lineWidth * 0.5f + 1.0f;
            float alongX = k * dx, alongY = k * dy;
            float acrossX = k * dy, acrossY = -k * dx;
            D3DCOLOR ca = deviceColor(a.r, a.g, a.b, a.a);
            D3DCOLOR cb = deviceColor(b.r, b.g, b.b, b.a);
            const float corners[4][2] = {{a.x + acrossX - alongX, a.y + acrossY - alongY},
                                         {b.x + acrossX + alongX, b.y + acrossY + alongY},
                                         {b.x - acrossX + alongX, b.y - acrossY + alongY},
                                         {a.x - acrossX - alongX, a.y - acrossY - alongY}};
            for (int c = 0; c < 4; ++c) {
                LineVertex& v = out[4 * i + c];
                v.x = corners[c][0];
                v.y = corners[c][1];
                v.p0[0] = a.x, v.p0[1] = a.y;
                v.p1[0] = b.x, v.p1[1] = b.y;
                v.color = c == 0 || c == 3 ? ca : cb;
            }
        }
        m_context.drawStream(RenderContextD3D9::Quads, n);
    }
}

void ImmediateModeD3D9::fillRoundedRectAntialiased(const Vec2& position, const Vec2& size, float radius, Color color)
{
    prepareState(false);
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    applyBlendMode();
    m_context.bindShaders(m_rectVertexShader.get(), m_rectPixelShader.get());
    m_context.setConstant("g_transform", screenProjection(m_width, m_height, -1.0f, 1.0f));
    const float rectPos[2] = {position.x + radius, position.y + radius};
    const float rectSize[2] = {size.x - 2 * radius, size.y - 2 * radius};
    const float rgba[4] = {color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f};
    m_context.setConstant("g_rectPos", rectPos, 2);
    m_context.setConstant("g_rectSize", rectSize, 2);
    m_context.setConstant("g_rectRadius", &radius, 1);
    m_context.setConstant("g_color", rgba, 4);
    m_context.uploadConstants();
    m_context.bindDeclaration(&m_rectDeclaration);

    // A pixel beyond the rectangle on every side, for its fading edge.
    const float left = position.x - 1, top = position.y - 1;
    const float right = position.x + size.x + 1, bottom = position.y + size.y + 1;
    auto* out = static_cast<float*>(m_context.lockStream(8 * int(sizeof(float))));
    const float fan[8] = {left, top, right, top, right, bottom, left, bottom};
    std::memcpy(out, fan, sizeof fan);
    m_context.drawStream(D3DPT_TRIANGLEFAN, 2);
}

} // namespace engine
