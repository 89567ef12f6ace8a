#pragma once

// Batched 2D (and debug 3D) drawing on the OpenGL renderer: vertex batches of
// the drawing context go through two small programs, one plain and one
// textured, from client memory.
//
// A small 2D batch of triangles or quads is held back and the next batch is
// appended to it when it would draw the same way, so that a script that
// alternates rectangles and images (each a batch of its own) still costs few
// GL draws. A batch without a texture fits one with a texture: its vertices
// then carry a texture coordinate for which a second build of the textured
// program draws the vertex colour alone.

#include "engine/draw/ImmediateMode.h"

#include <memory>
#include <vector>

namespace engine {

class RenderContextGL;
class Renderer;
class ShaderProgramGL;
class TextureGL;

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
    // Everything a draw sets: two draws with equal keys draw as one.
    struct DrawKey {
        Topology topology = Topology::Quads;
        bool is3D = false;
        Mat4 transform;
        DrawBlendMode blendMode = DrawBlendMode::Translucent;
        const TextureGL* texture = nullptr;
        int filter = -1;  // sampler state index, -1 to leave the texture's own
        bool mixed = false;  // vertices with and without the texture
    };
    // Batches up to this many vertices are held back; longer ones gain
    // nothing from merging and are drawn at once.
    static constexpr int HoldLimit = 4096;
    // The texture coordinate u of vertices without a texture in a textured
    // draw, and the bound below which the mixed program draws their colour.
    static constexpr float UntexturedU = -1.0e30f;
    static constexpr float UntexturedBelow = -1.0e29f;

    void draw(Topology topology, const DrawVertex* vertices, int count, const DrawState& state,
              RenderableTexture* texture, bool is3D);
    void issue(const DrawKey& key, const DrawVertex* vertices, int count);
    bool canMerge(const DrawKey& key) const;
    void hold(const DrawKey& key, const DrawVertex* vertices, int count);
    void drawHeld();
    static void drawHeldOf(void* self);

    RenderContextGL& m_context;
    Renderer& m_renderer;
    std::unique_ptr<ShaderProgramGL> m_program;
    std::unique_ptr<ShaderProgramGL> m_texturedProgram;
    int m_textureLocation = -1;  // the textured program's sampler, looked up once
    // The textured program built to draw vertices at UntexturedU in their
    // colour alone; null when the textured program's files cannot.
    std::unique_ptr<ShaderProgramGL> m_mixedProgram;
    int m_mixedTextureLocation = -1;
    DrawKey m_heldKey;
    std::vector<DrawVertex> m_held;
    int m_heldCount = 0;
    DrawBlendMode m_blendMode = DrawBlendMode::Translucent;
    int m_width = 0;
    int m_height = 0;
};

} // namespace engine
