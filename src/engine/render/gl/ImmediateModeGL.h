#pragma once

// Batched 2D (and debug 3D) drawing on the OpenGL renderer: vertex batches of
// the drawing context go through two small programs, one plain and one
// textured, from client memory.

#include "engine/draw/ImmediateMode.h"

#include <memory>

namespace engine {

class RenderContextGL;
class Renderer;
class ShaderProgramGL;

class ImmediateModeGL final : public ImmediateMode {
public:
    static constexpr const char* VertexPath = "shaders/gl/ImmediateMode.vsh";
    static constexpr const char* FragmentPath = "shaders/gl/ImmediateMode.fsh";
    static constexpr const char* TexturedVertexPath = "shaders/gl/ImmediateModeTex.vsh";
    static constexpr const char* TexturedFragmentPath = "shaders/gl/ImmediateModeTex.fsh";

    // The programs come from the game's files or the built-in ones; without
    // either, batches are dropped. A file that does not compile throws.
    ImmediateModeGL(RenderContextGL& context, Renderer& renderer);
    ~ImmediateModeGL();

    void begin() override;
    void end() override;
    void setClip(int left, int top, int right, int bottom) override;
    void setBlendMode(DrawBlendMode mode) override { m_blendMode = mode; }
    void getScreenSize(int& width, int& height) override;
    void drawPoints(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) override;
    void drawLines(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) override;
    void drawTriangles(const DrawVertex* vertices, int count, const DrawState& state,
                       RenderableTexture* texture) override;
    void drawQuads(const DrawVertex* vertices, int count, const DrawState& state, RenderableTexture* texture) override;
    // Plain lines: this backend has no wide, smoothed ones.
    void drawLinesAntialiased(const DrawVertex* vertices, int count, const DrawState& state, float) override {
        drawLines(vertices, count, state, false);
    }
    void fillRoundedRectAntialiased(const Vec2&, const Vec2&, float, Color) override {}
    bool supportsAntialiasedRoundedRect() override { return false; }

    bool hasPrograms() const { return m_program && m_texturedProgram; }

private:
    enum class Topology { Points, Lines, Triangles, Quads };
    void draw(Topology topology, const DrawVertex* vertices, int count, const DrawState& state,
              RenderableTexture* texture, bool is3D);

    RenderContextGL& m_context;
    Renderer& m_renderer;
    std::unique_ptr<ShaderProgramGL> m_program;
    std::unique_ptr<ShaderProgramGL> m_texturedProgram;
    int m_textureLocation = -1;  // the textured program's sampler, looked up once
    DrawBlendMode m_blendMode = DrawBlendMode::Translucent;
    int m_width = 0;
    int m_height = 0;
};

} // namespace engine
