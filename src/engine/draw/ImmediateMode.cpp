#include "engine/draw/ImmediateMode.h"

#include "core/Exception.h"
#include "engine/draw/Font.h"

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

DrawVertex vertex(float x, float y, Color color, float u = 0, float v = 0) {
    return {x, y, 0, u, v, color.r, color.g, color.b, color.a};
}

} // namespace

ImmediateMode::ImmediateMode() {
    drawContext().setBackend(this);
}

ImmediateMode::~ImmediateMode() {
    if (drawContext().backend() == this) {
        drawContext().discard();
        drawContext().setBackend(nullptr);
    }
}

const Vec2 (&DrawContext::circleTable())[32] {
    static const auto table = [] {
        struct Table {
            Vec2 points[32];
        } t;
        for (int i = 0; i < 32; ++i) {
            float a = float(i) * 2.0f * 3.1415927f / 32.0f;
            t.points[i] = {std::cos(a), std::sin(a)};
        }
        return t;
    }();
    return table.points;
}

DrawContext::DrawContext() {
    m_stack.reserve(16);
    resetState(0, 0);
}

DrawContext& drawContext() {
    static DrawContext context;
    return context;
}

// --- state ---

void DrawContext::resetState(int width, int height) {
    m_stack.clear();
    DrawState state;
    state.clip = {0, 0, width, height};
    m_stack.push_back(state);
}

void DrawContext::setTransform(const Mat4& transform) {
    flush();
    m_stack.back().transform = transform;
}

void DrawContext::setLineWidth(float width) {
    flush();
    m_stack.back().lineWidth = width;
}

void DrawContext::setBlendMode(DrawBlendMode mode) {
    flush();
    m_stack.back().blendMode = mode;
    if (m_backend)
        m_backend->setBlendMode(mode);
}

void DrawContext::clipTo(int left, int top, int right, int bottom) {
    flush();
    ClipRect& clip = m_stack.back().clip;
    const ClipRect current = clip;
    auto horizontal = [&](int v) { return std::clamp(v, current.left, std::max(current.left, current.right)); };
    auto vertical = [&](int v) { return std::clamp(v, current.top, std::max(current.top, current.bottom)); };
    clip = {horizontal(left), vertical(top), horizontal(right), vertical(bottom)};
    if (m_backend)
        m_backend->setClip(clip.left, clip.top, clip.right, clip.bottom);
}

void DrawContext::resetClip() {
    flush();
    int width = 0, height = 0;
    if (m_backend)
        m_backend->getScreenSize(width, height);
    m_stack.back().clip = {0, 0, width, height};
    if (m_backend)
        m_backend->setClip(0, 0, width, height);
}

void DrawContext::pushState() {
    flush();
    DrawState copy = m_stack.back();
    m_stack.push_back(copy);
}

void DrawContext::popState() {
    flush();
    if (m_stack.size() <= 1)
        throw core::Exception("can't pop empty stack");
    m_stack.pop_back();
    const DrawState& top = m_stack.back();
    if (m_backend) {
        m_backend->setClip(top.clip.left, top.clip.top, top.clip.right, top.clip.bottom);
        m_backend->setBlendMode(top.blendMode);
    }
}

// The backend gets the current clip and blend mode again: a clip left by an
// earlier frame must not carry over into this one.
void DrawContext::beginDraw() {
    if (m_backend) {
        m_backend->begin();
        const DrawState& top = m_stack.back();
        m_backend->setClip(top.clip.left, top.clip.top, top.clip.right, top.clip.bottom);
        m_backend->setBlendMode(top.blendMode);
    }
    m_drawing = true;
}

void DrawContext::endDraw() {
    flush();
    if (m_backend)
        m_backend->end();
    m_drawing = false;
}

void DrawContext::flush() {
    if (m_count > 0 && m_backend) {
        const DrawState& state = m_stack.back();
        const DrawVertex* vertices = m_vertices.data();
        int count = int(m_count);
        switch (m_kind) {
        case PrimitiveKind::Points: m_backend->drawPoints(vertices, count, state, m_is3D); break;
        case PrimitiveKind::Lines: m_backend->drawLines(vertices, count, state, m_is3D); break;
        case PrimitiveKind::LinesAntialiased:
            m_backend->drawLinesAntialiased(vertices, count, state, state.lineWidth);
            break;
        case PrimitiveKind::Triangles: m_backend->drawTriangles(vertices, count, state, m_texture); break;
        case PrimitiveKind::Quads: m_backend->drawQuads(vertices, count, state, m_texture); break;
        case PrimitiveKind::None: break;
        }
    }
    m_count = 0;
    m_kind = PrimitiveKind::None;
    m_texture = nullptr;
    m_is3D = false;
    m_shapeVertex = -1;
}

void DrawContext::discard() {
    ImmediateMode* backend = m_backend;
    m_backend = nullptr;
    flush();
    m_backend = backend;
    m_drawing = false;
}

// --- batching ---

void DrawContext::requireDrawing() const {
    if (!m_drawing)
        throw core::Exception("ImmediateMode.beginDraw() not called");
}

void DrawContext::useBatch(PrimitiveKind kind, RenderableTexture* texture, bool is3D) {
    if (m_kind != kind || m_texture != texture || m_is3D != is3D) {
        flush();
        m_kind = kind;
        m_texture = texture;
        m_is3D = is3D;
    }
}

DrawVertex* DrawContext::append(size_t count) {
    size_t need = m_count + count;
    if (need > m_vertices.size())
        m_vertices.resize((need + GrowthStep - 1) / GrowthStep * GrowthStep);
    DrawVertex* first = m_vertices.data() + m_count;
    m_count = need;
    return first;
}

// --- primitives ---

void DrawContext::drawPoint(int x, int y, Color color) {
    requireDrawing();
    useBatch(PrimitiveKind::Points, nullptr, false);
    *append(1) = vertex(float(x), float(y), color);
}

void DrawContext::drawLine(int x0, int y0, int x1, int y1, Color color) {
    requireDrawing();
    useBatch(PrimitiveKind::Lines, nullptr, false);
    DrawVertex* v = append(2);
    v[0] = vertex(float(x0), float(y0), color);
    v[1] = vertex(float(x1), float(y1), color);
}

void DrawContext::drawLineAntialiased(int x0, int y0, int x1, int y1, Color color) {
    requireDrawing();
    useBatch(PrimitiveKind::LinesAntialiased, nullptr, false);
    DrawVertex* v = append(2);
    v[0] = vertex(float(x0), float(y0), color);
    v[1] = vertex(float(x1), float(y1), color);
}

void DrawContext::drawLine3D(const Vec3& from, const Vec3& to, Color color) {
    requireDrawing();
    useBatch(PrimitiveKind::Lines, nullptr, true);
    DrawVertex* v = append(2);
    v[0] = {from.x, from.y, from.z, 0, 0, color.r, color.g, color.b, color.a};
    v[1] = {to.x, to.y, to.z, 0, 0, color.r, color.g, color.b, color.a};
}

void DrawContext::drawRect(int x0, int y0, int x1, int y1, Color color) {
    requireDrawing();
    useBatch(PrimitiveKind::Lines, nullptr, false);
    const float xs[] = {float(x0), float(x1), float(x1), float(x0)};
    const float ys[] = {float(y0), float(y0), float(y1), float(y1)};
    DrawVertex* v = append(8);
    for (int i = 0; i < 4; ++i) {
        v[2 * i] = vertex(xs[i], ys[i], color);
        v[2 * i + 1] = vertex(xs[(i + 1) % 4], ys[(i + 1) % 4], color);
    }
}

void DrawContext::fillRect(int x, int y, int width, int height, Color color) {
    requireDrawing();
    useBatch(PrimitiveKind::Quads, nullptr, false);
    DrawVertex* v = append(4);
    float l = float(x), t = float(y), r = float(x + width), b = float(y + height);
    v[0] = vertex(l, t, color);
    v[1] = vertex(r, t, color);
    v[2] = vertex(r, b, color);
    v[3] = vertex(l, b, color);
}

void DrawContext::fillRoundedRect(int x, int y, int width, int height, float radius, Color color) {
    requireDrawing();
    const Vec2(&table)[32] = circleTable();
    const float r = radius;
    const float xr = float(x + width) - r, xl = float(x) + r;
    const float yt = float(y) + r, yb = float(y + height) - r;
    Vec2 outline[36];
    auto corner = [&](int first, int count, float cx, float cy, int tableStart) {
        for (int i = 0; i < count; ++i) {
            const Vec2& unit = table[(tableStart + i) % 32];
            outline[first + i] = {cx + r * unit.x, cy + r * unit.y};
        }
    };
    corner(0, 9, xr, yb, 0);
    corner(9, 9, xl, yb, 8);
    corner(18, 9, xl, yt, 16);
    corner(27, 8, xr, yt, 24);
    corner(35, 1, xr, yt, 0);
    useBatch(PrimitiveKind::Triangles, nullptr, false);
    DrawVertex* v = append(3 * 34);
    for (int k = 1; k <= 34; ++k) {
        *v++ = vertex(outline[0].x, outline[0].y, color);
        *v++ = vertex(outline[k].x, outline[k].y, color);
        *v++ = vertex(outline[k + 1].x, outline[k + 1].y, color);
    }
}

void DrawContext::fillRoundedRectAntialiased(int x, int y, int width, int height, float radius, Color color) {
    requireDrawing();
    bool supported = m_backend && m_backend->supportsAntialiasedRoundedRect();
    flush();
    if (supported)
        m_backend->fillRoundedRectAntialiased({float(x), float(y)}, {float(width), float(height)}, radius, color);
    else
        fillRoundedRect(x, y, width, height, radius, color);
}

void DrawContext::fillPolygon(const std::vector<Vec2>& points, Color color) {
    if (!m_drawing)
        throw core::Exception("beginDraw not called");
    if (points.size() < 3)
        return;
    useBatch(PrimitiveKind::Triangles, nullptr, false);
    DrawVertex* v = append(3 * (points.size() - 2));
    for (size_t k = 1; k + 1 < points.size(); ++k) {
        *v++ = vertex(points[0].x, points[0].y, color);
        *v++ = vertex(points[k].x, points[k].y, color);
        *v++ = vertex(points[k + 1].x, points[k + 1].y, color);
    }
}

void DrawContext::drawImage(RenderableTexture* texture, float x, float y, float width, float height, float u0,
                            float v0, float u1, float v1, Color color, int flags) {
    requireDrawing();
    useBatch(PrimitiveKind::Quads, texture, false);
    // Bit 0: a quarter turn clockwise, taking height × width pixels.
    const Vec2 turned[4] = {{x + height, y}, {x + height, y + width}, {x, y + width}, {x, y}};
    const Vec2 upright[4] = {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
    const Vec2* corners = (flags & 1) ? turned : upright;
    bool half = (flags & 2) != 0;
    if (((flags & 4) != 0) != half)
        std::swap(u0, u1);
    if (((flags & 8) != 0) != half)
        std::swap(v0, v1);
    const float us[] = {u0, u1, u1, u0};
    const float vs[] = {v0, v0, v1, v1};
    DrawVertex* v = append(4);
    for (int i = 0; i < 4; ++i)
        v[i] = vertex(corners[i].x, corners[i].y, color, us[i], vs[i]);
}

void DrawContext::drawText(const std::string& text, float x, float y, const Font& font, Color color, int maxBytes) {
    requireDrawing();
    size_t length = maxBytes < 0 ? text.size() : std::min(text.size(), size_t(maxBytes));
    useBatch(PrimitiveKind::Quads, font.getTexture(), false);
    size_t start = m_count;
    append(4 * length);
    DrawVertex* v = m_vertices.data() + start;
    float penX = std::floor(x), penY = std::floor(y);
    const float lineStart = penX;
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = uint8_t(text[i]);
        if (c == 10) {
            penY += float(font.getLineHeight());
            penX = lineStart;
        }
        const Glyph& g = font.getGlyph(c);
        if (g.width != 0) {
            float l = penX + float(g.offsetX), t = penY + float(g.offsetY);
            float r = l + float(g.width), b = t + float(g.height);
            *v++ = vertex(l, t, color, g.texLeft, g.texTop);
            *v++ = vertex(r, t, color, g.texRight, g.texTop);
            *v++ = vertex(r, b, color, g.texRight, g.texBottom);
            *v++ = vertex(l, b, color, g.texLeft, g.texBottom);
        }
        penX += float(g.advance);
    }
    m_count = size_t(v - m_vertices.data());
}

// --- free-form shapes ---

void DrawContext::beginShape(PrimitiveKind kind, bool is3D) {
    requireDrawing();
    useBatch(kind, nullptr, is3D);
}

void DrawContext::vertexPosition(float x, float y) {
    requireDrawing();
    m_shapeVertex = long(m_count);
    *append(1) = vertex(x, y, {255, 255, 255, 255});
}

void DrawContext::vertexColor(Color color) {
    requireDrawing();
    if (m_shapeVertex < 0)
        return;
    DrawVertex& v = m_vertices[size_t(m_shapeVertex)];
    v.r = color.r, v.g = color.g, v.b = color.b, v.a = color.a;
}

void DrawContext::vertexTexcoord(float u, float v) {
    requireDrawing();
    if (m_shapeVertex < 0)
        return;
    m_vertices[size_t(m_shapeVertex)].u = u;
    m_vertices[size_t(m_shapeVertex)].v = v;
}

void DrawContext::endShape() {
    m_shapeVertex = -1;
}

Mat4 screenProjection(int width, int height, float tx, float ty) {
    Mat4 p;
    p.m[0][0] = 2.0f / float(std::max(width, 1));
    p.m[1][1] = -2.0f / float(std::max(height, 1));
    p.m[3][0] = tx;
    p.m[3][1] = ty;
    return p;
}

} // namespace engine
