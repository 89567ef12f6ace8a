#pragma once

// Batched 2D (and debug 3D) drawing on the Direct3D 9 renderer: the drawing
// context's batches are copied into the streaming vertex buffer and drawn
// with two small HLSL programs, one plain and one textured; antialiased
// lines and rounded rectangles with those of "shaders/d3d9/immediate_mode.hlsl".

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
    // Each segment a quad whose coverage line_ps fades by the distance from it.
    void drawLinesAntialiased(const DrawVertex* vertices, int count, const DrawState& state,
                              float lineWidth) override;
    // Drawn at once (not batched) by rounded_rect_ps over the rectangle and a pixel around it.
    void fillRoundedRectAntialiased(const Vec2& position, const Vec2& size, float radius, Color color) override;
    bool supportsAntialiasedRoundedRect() override { return true; }

private:
    enum class Topology { Points, Lines, Triangles, Quads };
    void draw(Topology topology, const DrawVertex* vertices, int count, const DrawState& state,
              RenderableTexture* texture, bool is3D);
    void applyBlendMode();
    // Culling, alpha and stencil tests off, all channels written, depth test as the flag says.
    void prepareState(bool is3D);

    RenderContextD3D9& m_context;
    Renderer& m_renderer;
    std::unique_ptr<ShaderD3D9> m_vertexShader;
    std::unique_ptr<ShaderD3D9> m_plainShader;
    std::unique_ptr<ShaderD3D9> m_texturedShader;
    std::unique_ptr<ShaderD3D9> m_lineVertexShader;
    std::unique_ptr<ShaderD3D9> m_linePixelShader;
    std::unique_ptr<ShaderD3D9> m_rectVertexShader;
    std::unique_ptr<ShaderD3D9> m_rectPixelShader;
    d3d::VertexDeclaration m_declaration;
    d3d::VertexDeclaration m_lineDeclaration;
    d3d::VertexDeclaration m_rectDeclaration;
    DrawBlendMode m_blendMode = DrawBlendMode::Translucent;
    int m_width = 0;
    int m_height = 0;
};

} // namespace engine
