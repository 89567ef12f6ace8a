#include "engine/render/gl/RenderContextGL.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/GLContext.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/TextureGL.h"

namespace engine {

namespace {
uint64_t g_contextsMade = 0;
uint64_t g_liveGeneration = 0;
RenderContextGL::HeldDraw g_heldDraw = nullptr;
void* g_heldOwner = nullptr;

struct BlendFactors {
    GLenum source;
    GLenum destination;
};

// By BlendMode; the opaque entry is unused, blending is off for it.
const BlendFactors BlendTable[] = {
    {GL_ONE, GL_ZERO},
    {GL_ONE, GL_ONE},
    {GL_DST_COLOR, GL_ZERO},
    {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
    {GL_SRC_ALPHA, GL_ONE},
};

const char* glString(GLenum name) {
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

int glInteger(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}
} // namespace

const Mat4& depthConversionMatrix() {
    static const Mat4 matrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 2, 0}, {0, 0, -1, 1}}};
    return matrix;
}

RenderContextGL::RenderContextGL(core::Window& window, bool verticalSync)
    : m_context(core::GLContext::create(window)), m_generation(++g_contextsMade), m_scratch(ScratchBytes),
      m_quadIndices(size_t(MaxQuads) * 6) {
    loadEntryPoints(*m_context);
    // A context without swap control says so on the debug log, in its platform's words.
    m_context->setSwapInterval(verticalSync ? 1 : 0);
    checkCapabilities();
    for (int k = 0; k < MaxQuads; ++k) {
        auto a = uint16_t(4 * k);
        uint16_t* quad = &m_quadIndices[size_t(k) * 6];
        quad[0] = a, quad[1] = uint16_t(a + 1), quad[2] = uint16_t(a + 2);
        quad[3] = a, quad[4] = uint16_t(a + 2), quad[5] = uint16_t(a + 3);
    }
    g_liveGeneration = m_generation;
}

RenderContextGL::~RenderContextGL() {
    if (m_framebuffer && gl().glDeleteFramebuffers)
        gl().glDeleteFramebuffers(1, &m_framebuffer);
    if (m_quadIndexBuffer && gl().glDeleteBuffers)
        gl().glDeleteBuffers(1, &m_quadIndexBuffer);
    if (g_liveGeneration == m_generation)
        g_liveGeneration = 0;
}

uint64_t RenderContextGL::liveGeneration() {
    return g_liveGeneration;
}

void RenderContextGL::checkCapabilities() {
    if (gl().glGenFramebuffers)
        gl().glGenFramebuffers(1, &m_framebuffer);
    core::debugLog("GL_VERSION: %s\n", glString(GL_VERSION));
    core::debugLog("GL_VENDOR: %s\n", glString(GL_VENDOR));
    core::debugLog("GL_RENDERER: %s\n", glString(GL_RENDERER));
    core::debugLog("GL_SHADING_LANGUAGE_VERSION: %s\n", glString(GL_SHADING_LANGUAGE_VERSION));
    const char* extensions = glString(GL_EXTENSIONS);
    core::debugLog("GL_EXTENSIONS: %s\n", extensions);
    int stencilBits = glInteger(GL_STENCIL_BITS);
    core::debugLog("GL_STENCIL_BITS: %d\n", stencilBits);
    if (stencilBits <= 0)
        throw core::Exception("Stencil buffer not supported");
    core::debugLog("GL_MAX_VERTEX_UNIFORM_COMPONENTS: %d\n", glInteger(GL_MAX_VERTEX_UNIFORM_COMPONENTS));
    if (glInteger(GL_MAX_DRAW_BUFFERS) <= 1)
        throw core::Exception("Multiple render target rendering not supported");
    m_maxAnisotropy = 0.0f;
    if (hasExtension("GL_EXT_texture_filter_anisotropic", extensions))
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &m_maxAnisotropy);
    core::debugLog("GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT: %f\n", m_maxAnisotropy);
    // Filtering across cube faces, so that soft shadows show no seams at the
    // faces' edges.
    if (hasExtension("GL_ARB_seamless_cube_map", extensions))
        glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    m_depthClamp = hasExtension("GL_ARB_depth_clamp", extensions) || hasExtension("GL_NV_depth_clamp", extensions);
    // Views let the mesh passes read colour maps decoded from sRGB while 2D
    // drawing reads the same texture as stored; without them both read it as stored.
    const GLEntryPoints& f = gl();
    TextureGL::setViewsSupported(hasExtension("GL_ARB_texture_storage", extensions) &&
                                 hasExtension("GL_ARB_texture_view", extensions) && f.glTexStorage2D &&
                                 f.glTextureView);
}

// A draw held by another owner (another renderer's drawing) goes first.
void RenderContextGL::holdDraw(HeldDraw draw, void* owner) {
    if (g_heldOwner != owner)
        drawHeld();
    g_heldDraw = draw;
    g_heldOwner = owner;
}

void RenderContextGL::dropHeldDraw(void* owner) {
    if (g_heldOwner == owner) {
        g_heldDraw = nullptr;
        g_heldOwner = nullptr;
    }
}

// Cleared before it runs: the draw itself goes through the functions below.
void RenderContextGL::drawHeld() {
    if (!g_heldDraw)
        return;
    HeldDraw draw = g_heldDraw;
    void* owner = g_heldOwner;
    g_heldDraw = nullptr;
    g_heldOwner = nullptr;
    draw(owner);
}

void RenderContextGL::bindWindowFramebuffer() {
    drawHeld();
    gl().glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void RenderContextGL::resize(int, int) {
    drawHeld();
}

void RenderContextGL::present() {
    drawHeld();
    m_context->present();
}

void RenderContextGL::useProgram(unsigned program) {
    drawHeld();
    if (program != m_currentProgram) {
        gl().glUseProgram(program);
        m_currentProgram = program;
    }
    m_nextTextureUnit = 0;
}

void RenderContextGL::bindQuadIndexBuffer() {
    const GLEntryPoints& f = gl();
    if (!m_quadIndexBuffer) {
        f.glGenBuffers(1, &m_quadIndexBuffer);
        f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_quadIndexBuffer);
        f.glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(m_quadIndices.size() * sizeof(uint16_t)),
                       m_quadIndices.data(), GL_STATIC_DRAW);
        return;
    }
    f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_quadIndexBuffer);
}

void RenderContextGL::setBlendMode(BlendMode mode) {
    drawHeld();
    if (mode == m_blendMode)
        return;
    m_blendMode = mode;
    if (mode == BlendMode::Opaque) {
        glDisable(GL_BLEND);
        return;
    }
    const BlendFactors& factors = BlendTable[int(mode)];
    glEnable(GL_BLEND);
    glBlendFunc(factors.source, factors.destination);
}

int RenderContextGL::bindTexture(const char* sampler, unsigned target, unsigned texture) {
    return bindTextureAt(m_currentProgram ? gl().glGetUniformLocation(m_currentProgram, sampler) : -1, target,
                         texture);
}

int RenderContextGL::bindTextureAt(int location, unsigned target, unsigned texture) {
    drawHeld();
    int unit = takeTextureUnit();
    gl().glActiveTexture(GL_TEXTURE0 + GLenum(unit));
    glBindTexture(target, texture);
    if (m_currentProgram)
        gl().glUniform1i(location, unit);
    return unit;
}

void RenderContextGL::setRenderTargets(unsigned color0, unsigned color1, unsigned depth, unsigned stencil) {
    drawHeld();
    const GLEntryPoints& f = gl();
    f.glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, stencil);
    f.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color0, 0);
    f.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, color1, 0);
    checkFramebuffer();
}

void RenderContextGL::setCubeTarget(unsigned cubeTexture, int face, unsigned depth) {
    drawHeld();
    const GLEntryPoints& f = gl();
    f.glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    f.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    f.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face),
                             cubeTexture, 0);
    f.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, 0, 0);
    checkFramebuffer();
}

void RenderContextGL::checkFramebuffer() {
    GLenum status = gl().glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        throw core::Exception("Could not set render targets (glCheckFramebufferStatus returned %d)", int(status));
}

void RenderContextGL::drawFullScreenQuad() {
    drawHeld();
    static const float corners[] = {-1, 1, 1, 1, 1, -1, -1, -1};
    gl().glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl().glEnableVertexAttribArray(0);
    gl().glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, corners);
    glDrawArrays(GL_QUADS, 0, 4);
    gl().glDisableVertexAttribArray(0);
}

void* RenderContextGL::scratchMemory(size_t bytes) {
    return bytes <= ScratchBytes ? m_scratch.data() : nullptr;
}

} // namespace engine
