#pragma once

// Batched 2D (and debug 3D) drawing on the Direct3D 9 renderer: the drawing
// context's batches are copied into the streaming vertex buffer and drawn
// with two small HLSL programs, one plain and one textured.

#include "engine/draw/ImmediateMode.h"
#include "engine/render/d3d9/D3DResources.h"

#include <memory>

namespace engine {

class RenderContextD3D9;
class Renderer;
class ShaderD3D9;

class ImmediateModeD3D9 final : public ImmediateMode {
public:
    // Vertices of one draw: what fits in the streaming buffer, whole primitives only.
    static constexpr int MaxVerticesPerDraw = 43680;
    static constexpr int MaxQuadsPerDraw = 10922;

    // Compiles the programs; throws d3d or core exceptions when they do not compile.
    ImmediateModeD3D9(RenderContextD3D9& context, Renderer& renderer);
    ~ImmediateModeD3D9();

    void begin() override;
    void end() override;
    void setClip(int left, int top, int right, int bottom) override;
    void setBlendMode(DrawBlendMode mode) override;
    void getScreenSize(int& width, int& height) override;
    void drawPoints(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) override;
    void drawLines(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) override;
    void drawTriangles(const DrawVertex* vertices, int count, const DrawState& state,
                       RenderableTexture* texture) override;
    void drawQuads(const DrawVertex* vertices, int count, const DrawState& state, RenderableTexture* texture) override;
    // Plain lines: wide, smoothed ones are not drawn by this backend yet.
    void drawLinesAntialiased(const DrawVertex* vertices, int count, const DrawState& state, float) override
    {
        drawLines(vertices, count, state, false);
    }
    void fillRoundedRectAntialiased(const Vec2&, const Vec2&, float, Color) override {}
    bool supportsAntialiasedRoundedRect() override { return false; }

private:
    enum class Topology { Points, Lines, Triangles, Quads };
    void draw(Topology topology, const DrawVertex* vertices, int count, const DrawState& state,
              RenderableTexture* texture, bool is3D);
    void applyBlendMode();
    // Textured batches when the HLSL compiler cannot sample textures.
    void useFixedFunction(const Mat4& matrix);

    RenderContextD3D9& m_context;
    Renderer& m_renderer;
    std::unique_ptr<ShaderD3D9> m_vertexShader;
    std::unique_ptr<ShaderD3D9> m_plainShader;
    std::unique_ptr<ShaderD3D9> m_texturedShader;
    d3d::VertexDeclaration m_declaration;
    DrawBlendMode m_blendMode = DrawBlendMode::Translucent;
    int m_width = 0;
    int m_height = 0;
};

} // namespace engine
