#include "engine/render/gl/ImmediateModeGL.h"

#include "engine/render/BuiltinShaders.h"
#include "engine/render/Renderer.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/ShaderProgramGL.h"

#include <algorithm>

namespace engine {

namespace {

// Attribute locations fixed by name for every program.
constexpr GLuint PositionAttribute = 0;
constexpr GLuint TexcoordAttribute = 4;
constexpr GLuint ColorAttribute = 5;

} // namespace

ImmediateModeGL::ImmediateModeGL(RenderContextGL& context, Renderer& renderer)
    : m_context(context), m_renderer(renderer) {
    if (shaderFileExists(VertexPath) && shaderFileExists(FragmentPath))
        m_program = programFromFiles(VertexPath, FragmentPath);
    if (shaderFileExists(TexturedVertexPath) && shaderFileExists(TexturedFragmentPath)) {
        m_texturedProgram = programFromFiles(TexturedVertexPath, TexturedFragmentPath);
        m_textureLocation = m_texturedProgram->location("texture");
        // A game's own textured program may know nothing of shapes without a
        // texture: then they are never batched with images.
        m_mixedProgram = programFromFiles(TexturedVertexPath, TexturedFragmentPath, {"UNTEXTURED_WHITE"});
        int untextured = m_mixedProgram->location("untexturedBelow");
        if (untextured >= 0) {
            m_mixedTextureLocation = m_mixedProgram->location("texture");
            m_context.useProgram(m_mixedProgram->program());
            gl().glUniform1f(untextured, UntexturedBelow);
        } else {
            m_mixedProgram.reset();
        }
    }
    m_width = renderer.viewport().width;
    m_height = renderer.viewport().height;
}

ImmediateModeGL::~ImmediateModeGL() {
    RenderContextGL::dropHeldDraw(this);
}

void ImmediateModeGL::begin() {
    RenderContextGL::drawHeld();
    const Viewport& viewport = m_renderer.viewport();
    glViewport(viewport.x, m_renderer.renderHeight() - viewport.height - viewport.y, viewport.width, viewport.height);
    m_width = viewport.width;
    m_height = viewport.height;
    glEnable(GL_SCISSOR_TEST);
    checkGLError("ImmediateMode begin");
}

void ImmediateModeGL::end() {
    RenderContextGL::drawHeld();
    glDisable(GL_SCISSOR_TEST);
}

void ImmediateModeGL::setClip(int left, int top, int right, int bottom) {
    RenderContextGL::drawHeld();
    glScissor(left, m_renderer.renderHeight() - bottom, std::max(right - left, 0), std::max(bottom - top, 0));
}

void ImmediateModeGL::getScreenSize(int& width, int& height) {
    width = m_width;
    height = m_height;
}

void ImmediateModeGL::drawPoints(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) {
    draw(Topology::Points, vertices, count, state, nullptr, is3D);
}

void ImmediateModeGL::drawLines(const DrawVertex* vertices, int count, const DrawState& state, bool is3D) {
    draw(Topology::Lines, vertices, count, state, nullptr, is3D);
}

void ImmediateModeGL::drawTriangles(const DrawVertex* vertices, int count, const DrawState& state,
                                    RenderableTexture* texture) {
    draw(Topology::Triangles, vertices, count, state, texture, false);
}

void ImmediateModeGL::drawQuads(const DrawVertex* vertices, int count, const DrawState& state,
                                RenderableTexture* texture) {
    draw(Topology::Quads, vertices, count, state, texture, false);
}

void ImmediateModeGL::draw(Topology topology, const DrawVertex* vertices, int count, const DrawState& state,
                           RenderableTexture* texture, bool is3D) {
    auto* textureGL = dynamic_cast<RenderableTextureGL*>(texture);
    const TextureGL* storage = textureGL ? textureGL->texture() : nullptr;
    ShaderProgramGL* program = storage ? m_texturedProgram.get() : m_program.get();
    // Only whole primitives are drawn.
    static const int perPrimitive[] = {1, 2, 3, 4};
    count -= count % perPrimitive[int(topology)];
    if (!program || count <= 0)
        return;
    DrawKey key{topology, is3D, state.transform, m_blendMode, storage, -1};
    if (storage) {
        // Sampler state indices: nearest, linear, linear between mip levels
        // (plain linear for a texture of one level).
        static const int filterStates[] = {-1, 0, 1, 4};
        key.filter = filterStates[int(texture->getFilter())];
    }
    bool holdable = !is3D && (topology == Topology::Triangles || topology == Topology::Quads);
    if (m_heldCount > 0) {
        if (holdable && canMerge(key)) {
            hold(key, vertices, count);
            return;
        }
        RenderContextGL::drawHeld();
    }
    if (holdable && count < HoldLimit) {
        hold(key, vertices, count);
        RenderContextGL::holdDraw(&ImmediateModeGL::drawHeldOf, this);
        return;
    }
    issue(key, vertices, count);
}

bool ImmediateModeGL::canMerge(const DrawKey& key) const {
    const DrawKey& held = m_heldKey;
    if (key.topology != held.topology || key.blendMode != held.blendMode || !(key.transform == held.transform))
        return false;
    if (key.texture == held.texture)
        return key.filter == held.filter;
    return m_mixedProgram && (!key.texture || !held.texture);
}

// Appends to the held vertices (the first batch starts them). Vertices
// without a texture in a textured draw are marked to keep their colour alone.
void ImmediateModeGL::hold(const DrawKey& key, const DrawVertex* vertices, int count) {
    if (m_heldCount == 0) {
        m_heldKey = key;
    } else if (key.texture && !m_heldKey.texture) {
        for (int i = 0; i < m_heldCount; ++i)
            m_held[size_t(i)].u = UntexturedU;
        m_heldKey.texture = key.texture;
        m_heldKey.filter = key.filter;
        m_heldKey.mixed = true;
    } else if (!key.texture && m_heldKey.texture) {
        m_heldKey.mixed = true;
    }
    size_t first = size_t(m_heldCount);
    if (m_held.size() < first + size_t(count))
        m_held.resize(first + size_t(count));
    std::copy(vertices, vertices + count, m_held.begin() + std::ptrdiff_t(first));
    if (m_heldKey.texture && !key.texture) {
        for (int i = 0; i < count; ++i)
            m_held[first + size_t(i)].u = UntexturedU;
    }
    m_heldCount += count;
}

void ImmediateModeGL::drawHeldOf(void* self) {
    static_cast<ImmediateModeGL*>(self)->drawHeld();
}

void ImmediateModeGL::drawHeld() {
    int count = m_heldCount;
    m_heldCount = 0;
    if (count > 0)
        issue(m_heldKey, m_held.data(), count);
}

void ImmediateModeGL::issue(const DrawKey& key, const DrawVertex* vertices, int count) {
    Topology topology = key.topology;
    bool is3D = key.is3D;
    const TextureGL* storage = key.texture;
    ShaderProgramGL* program = storage ? m_texturedProgram.get() : m_program.get();
    int textureLocation = m_textureLocation;
    if (key.mixed) {
        program = m_mixedProgram.get();
        textureLocation = m_mixedTextureLocation;
    }
    const GLEntryPoints& f = gl();
    m_context.useProgram(program->program());
    m_context.setBlendMode(BlendMode(int(key.blendMode)));
    RenderableMeshGL::unbind();
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    if (is3D) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
    } else {
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
    }
    Mat4 matrix = key.transform;
    if (!is3D) {
        // Points and lines land on pixel centres.
        bool centred = topology == Topology::Points || topology == Topology::Lines;
        float tx = centred ? 1.0f / float(std::max(m_width, 1)) - 1.0f : -1.0f;
        float ty = centred ? 1.0f - 1.0f / float(std::max(m_height, 1)) : 1.0f;
        matrix = matrix * screenProjection(m_width, m_height, tx, ty);
    }
    matrix = matrix * depthConversionMatrix();
    f.glUniformMatrix4fv(program->location(UniformModelViewProj), 1, GL_FALSE, &matrix.m[0][0]);
    if (storage) {
        m_context.bindTextureAt(textureLocation, storage->target(), storage->name());
        if (key.filter >= 0)
            applySamplerState(*storage, key.filter, -1, m_context.maxAnisotropy());
    }

    f.glBindBuffer(GL_ARRAY_BUFFER, 0);
    f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    f.glEnableVertexAttribArray(PositionAttribute);
    f.glEnableVertexAttribArray(TexcoordAttribute);
    f.glEnableVertexAttribArray(ColorAttribute);
    auto point = [&](const DrawVertex* first) {
        f.glVertexAttribPointer(PositionAttribute, is3D ? 3 : 2, GL_FLOAT, GL_FALSE, sizeof(DrawVertex), &first->x);
        f.glVertexAttribPointer(TexcoordAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(DrawVertex), &first->u);
        f.glVertexAttribPointer(ColorAttribute, 4, GL_UNSIGNED_BYTE, GL_FALSE, sizeof(DrawVertex), &first->r);
    };
    switch (topology) {
    case Topology::Points:
        point(vertices);
        glDrawArrays(GL_POINTS, 0, count);
        break;
    case Topology::Lines:
        point(vertices);
        glDrawArrays(GL_LINES, 0, count);
        break;
    case Topology::Triangles:
        point(vertices);
        glDrawArrays(GL_TRIANGLES, 0, count);
        break;
    case Topology::Quads:
        // The shared index array covers MaxQuads quads with 16-bit indices:
        // longer batches go in pieces, each from its own first vertex.
        m_context.bindQuadIndexBuffer();
        for (int first = 0; first + 4 <= count; first += 4 * RenderContextGL::MaxQuads) {
            int quads = std::min((count - first) / 4, RenderContextGL::MaxQuads);
            point(vertices + first);
            glDrawElements(GL_TRIANGLES, 6 * quads, GL_UNSIGNED_SHORT, nullptr);
        }
        f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        break;
    }
    f.glDisableVertexAttribArray(PositionAttribute);
    f.glDisableVertexAttribArray(TexcoordAttribute);
    f.glDisableVertexAttribArray(ColorAttribute);
    if (is3D)
        glDisable(GL_DEPTH_TEST);
    checkGLError("ImmediateMode draw");
}

} // namespace engine
