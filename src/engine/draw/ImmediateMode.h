#pragma once

// Batched immediate-mode drawing: the process-wide drawing context that scripts
// and engine code append primitives to, and the backend interface each
// renderer implements. Primitives collect in one vertex batch that goes to the
// backend only when the primitive kind, texture or 3D flag changes, when the
// drawing state changes, or at endDraw.

#include "engine/scene/Matrix.h"
#include "engine/scene/Vector.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class Font;
class RenderableTexture;

// 24 bytes, the layout the backends hand to the GPU.
struct DrawVertex {
    float x, y, z;
    float u, v;
    uint8_t r, g, b, a;
};
static_assert(sizeof(DrawVertex) == 24);

enum class PrimitiveKind : int32_t { None = -1, Points = 0, Lines = 1, LinesAntialiased = 2, Triangles = 3, Quads = 4 };

// Blend modes of 2D drawing, numbered as the scripts name them.
enum class DrawBlendMode : int32_t { Opaque = 0, Additive = 1, Modulative = 2, Translucent = 3 };

// Pixels; right and bottom are the first column and row outside.
struct ClipRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ClipRect&) const = default;
};

struct DrawState {
    Mat4 transform;
    float lineWidth = 1.0f;
    ClipRect clip;
    DrawBlendMode blendMode = DrawBlendMode::Translucent;
};

// What a renderer draws batches with. The drawing context holds the backend
// made last; a backend going away leaves the context without one.
class ImmediateMode {
public:
    virtual void begin() = 0;
    virtual void end() = 0;
    virtual void setClip(int left, int top, int right, int bottom) = 0;
    virtual void setBlendMode(DrawBlendMode mode) = 0;
    virtual void getScreenSize(int& width, int& height) = 0;
    virtual void drawPoints(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) = 0;
    virtual void drawLines(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) = 0;
    virtual void drawTriangles(const DrawVertex* vertices, int count, const DrawState& state,
                               RenderableTexture* texture) = 0;
    virtual void drawQuads(const DrawVertex* vertices, int count, const DrawState& state,
                           RenderableTexture* texture) = 0;
    virtual void drawLinesAntialiased(const DrawVertex* vertices, int count, const DrawState& state,
                                      float lineWidth) = 0;
    virtual void fillRoundedRectAntialiased(const Vec2& position, const Vec2& size, float radius, Color color) = 0;
    virtual bool supportsAntialiasedRoundedRect() = 0;

protected:
    // Becomes the drawing context's backend.
    ImmediateMode();
    // Not virtual: backends are destroyed through their own type.
    ~ImmediateMode();
};

// The drawing context. One lives for the whole process (drawContext()); tests
// may make their own around a backend of theirs.
class DrawContext {
public:
    // Batch vertex arrays grow in steps of this many vertices.
    static constexpr size_t GrowthStep = 4096;

    DrawContext();

    ImmediateMode* backend() const { return m_backend; }
    void setBackend(ImmediateMode* backend) { m_backend = backend; }
    // Drops the pending vertices undrawn and ends drawing: the batch may name
    // textures of a renderer that is going away.
    void discard();

    // --- state (allowed at any time) ---

    // One state: identity transform, line width 1, clip (0, 0, width, height),
    // blend mode Translucent. The renderer calls it at the start of each frame.
    void resetState(int width, int height);
    const DrawState& state() const { return m_stack.back(); }
    size_t stateDepth() const { return m_stack.size(); }
    void setTransform(const Mat4& transform);
    void setLineWidth(float width);
    void setBlendMode(DrawBlendMode mode);
    // Shrinks the clip: every edge clamped into the current clip.
    void clipTo(int left, int top, int right, int bottom);
    // The whole screen of the backend.
    void resetClip();
    void pushState();
    // Throws "can't pop empty stack" when only the bottom state is left.
    void popState();
    void beginDraw();
    void endDraw();
    bool isDrawing() const { return m_drawing; }
    // Hands the pending vertices to the backend.
    void flush();

    // --- primitives (between beginDraw and endDraw; otherwise they throw
    // "ImmediateMode.beginDraw() not called") ---

    void drawPoint(int x, int y, Color color);
    void drawLine(int x0, int y0, int x1, int y1, Color color);
    void drawLineAntialiased(int x0, int y0, int x1, int y1, Color color);
    // The outline between two corners.
    void drawRect(int x0, int y0, int x1, int y1, Color color);
    void fillRect(int x, int y, int width, int height, Color color);
    void fillRoundedRect(int x, int y, int width, int height, float radius, Color color);
    void fillRoundedRectAntialiased(int x, int y, int width, int height, float radius, Color color);
    // A fan from the first point; throws "beginDraw not called" outside drawing.
    void fillPolygon(const std::vector<Vec2>& points, Color color);
    // The texture rectangle (u0, v0)-(u1, v1) on the screen rectangle; flags
    // bit 0 turns it a quarter turn clockwise, bits 1 to 3 mirror it.
    void drawImage(RenderableTexture* texture, float x, float y, float width, float height, float u0, float v0,
                   float u1, float v1, Color color, int flags);
    // At most maxBytes bytes of the text (negative: all of it).
    void drawText(const std::string& text, float x, float y, const Font& font, Color color, int maxBytes = -1);
    // 3D lines in the space the transform maps to clip space (debug drawing).
    void drawLine3D(const Vec3& from, const Vec3& to, Color color);

    // --- free-form shapes ---

    void beginShape(PrimitiveKind kind, bool is3D);
    void vertexPosition(float x, float y);
    // Both ignored without a current shape vertex.
    void vertexColor(Color color);
    void vertexTexcoord(float u, float v);
    void endShape();

    // --- what the batch holds, for tests ---

    PrimitiveKind batchKind() const { return m_kind; }
    RenderableTexture* batchTexture() const { return m_texture; }
    size_t batchSize() const { return m_count; }
    size_t batchCapacity() const { return m_vertices.size(); }
    const DrawVertex* batchVertices() const { return m_vertices.data(); }

    // Unit vectors at i × 2π / 32.
    static const Vec2 (&circleTable())[32];

private:
    void requireDrawing() const;
    // Flushes when the batch differs, then makes it the batch.
    void useBatch(PrimitiveKind kind, RenderableTexture* texture, bool is3D);
    // Room for count more vertices at the end of the batch, counted as used.
    DrawVertex* append(size_t count);

    ImmediateMode* m_backend = nullptr;
    PrimitiveKind m_kind = PrimitiveKind::None;
    RenderableTexture* m_texture = nullptr;
    bool m_is3D = false;
    std::vector<DrawVertex> m_vertices;
    size_t m_count = 0;
    long m_shapeVertex = -1;  // index of the current shape vertex
    std::vector<DrawState> m_stack;
    bool m_drawing = false;
};

// The process's drawing context.
DrawContext& drawContext();

// Row vectors: pixels (y down) to clip space, shifted by (tx, ty); the
// backends' 2D projection.
Mat4 screenProjection(int width, int height, float tx, float ty);

} // namespace engine
