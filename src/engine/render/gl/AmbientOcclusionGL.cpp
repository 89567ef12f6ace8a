#include "engine/render/gl/AmbientOcclusionGL.h"

#include "engine/render/OcclusionPattern.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/PassUniformsGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/ShaderProgramGL.h"
#include "engine/scene/Camera.h"

#include <algorithm>
#include <cmath>

namespace engine {

const std::array<float, AmbientOcclusionGL::KernelSize * 2> AmbientOcclusionGL::Kernel = OcclusionKernel;

namespace {

std::unique_ptr<Texture2DGL> renderTexture(int width, int height, int format) {
    return std::make_unique<Texture2DGL>(width, height, 1, format, GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE);
}

} // namespace

std::array<uint8_t, 64> AmbientOcclusionGL::rotationPixels() {
    return occlusionRotationPixels();
}

AmbientOcclusionGL::AmbientOcclusionGL(RenderContextGL& context, int width, int height)
    : m_context(context),
      m_prepareDepth(programFromFiles("shaders/gl/AmbientOcclusionPrepareDepth.vsh",
                                      "shaders/gl/AmbientOcclusionPrepareDepth.fsh")),
      m_occlusionProgram(programFromFiles("shaders/gl/AmbientOcclusion.vsh", "shaders/gl/AmbientOcclusion.fsh")),
      m_occlusionHighQuality(programFromFiles("shaders/gl/AmbientOcclusion.vsh", "shaders/gl/AmbientOcclusion.fsh",
                                                {"USE_HIGH_QUALITY"})),
      m_blurX(programFromFiles("shaders/gl/AmbientOcclusionBlur.vsh", "shaders/gl/AmbientOcclusionBlurX.fsh")),
      m_blurY(programFromFiles("shaders/gl/AmbientOcclusionBlur.vsh", "shaders/gl/AmbientOcclusionBlurY.fsh")) {
    m_rotation = std::make_unique<Texture2DGL>(4, 4, 1, GL_RGBA8, GL_NEAREST, GL_NEAREST, GL_REPEAT);
    std::array<uint8_t, 64> pixels = rotationPixels();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_rotation->upload(0, 4, 4, GL_BGRA, pixels.data());
    resize(width, height);
}

AmbientOcclusionGL::~AmbientOcclusionGL() = default;

void AmbientOcclusionGL::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    m_depth.reset();
    m_occlusion.reset();
    m_blur.reset();
    m_depth = renderTexture(width, height, GL_R16F);
    m_occlusion = renderTexture(width, height, GL_RGBA16F);
    m_blur = renderTexture(width, height, GL_RG16F);
    glBindTexture(GL_TEXTURE_2D, 0);
    checkGLError("create ambient occlusion buffers");
    m_width = width;
    m_height = height;
}

void AmbientOcclusionGL::apply(Camera& camera, const TextureGL& geometryBuffer, const TextureGL& finalBuffer,
                               int quality) {
    const float w = float(m_width);
    const float h = float(m_height);
    const Mat4& invProjection = camera.inverseProjection();
    auto unproject = [&](float x, float y) {
        Vec4 p = Vec4{x, y, 0, 1} * invProjection;
        Vec3 v{p.x / p.w, p.y / p.w, p.z / p.w};
        return Vec2{v.x / v.z, v.y / v.z};
    };
    Vec2 a = unproject(-1, 1);
    Vec2 b = unproject(1, -1);
    const Vec2 screenToView{(b.x - a.x) / w, (a.y - b.y) / h};
    const Vec2 invScreenSize{1.0f / w, 1.0f / h};

    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    m_context.setBlendMode(BlendMode::Opaque);
    glDisable(GL_ALPHA_TEST);

    m_context.setRenderTargets(m_depth->name(), 0, 0, 0);
    m_context.useProgram(m_prepareDepth->program());
    m_context.bindTexture("geometryBuffer", GL_TEXTURE_2D, geometryBuffer.name());
    setUniform(*m_prepareDepth, "invScreenSize", invScreenSize);
    m_context.drawFullScreenQuad();

    m_context.setRenderTargets(m_occlusion->name(), 0, 0, 0);
    const ShaderProgramGL& occlusion = quality >= 1 ? *m_occlusionHighQuality : *m_occlusionProgram;
    m_context.useProgram(occlusion.program());
    m_context.bindTexture("geometryBuffer", GL_TEXTURE_2D, geometryBuffer.name());
    m_context.bindTexture("depthBuffer", GL_TEXTURE_2D, m_depth->name());
    m_context.bindTexture("rotTex", GL_TEXTURE_2D, m_rotation->name());
    setUniform(occlusion, "invProjectionMatrix", invProjection);
    setUniform(occlusion, "invNear", 1.0f / camera.nearDistance());
    setUniformVec2Array(occlusion, "samples", Kernel.data(), KernelSize);
    setUniform(occlusion, "pixRadius", PixelRadius);
    setUniform(occlusion, "screenToView", screenToView);
    setUniform(occlusion, "invScreenSize", invScreenSize);
    m_context.drawFullScreenQuad();

    auto blur = [&](const ShaderProgramGL& program, const Texture2DGL& source, const float (&offsets)[8]) {
        m_context.useProgram(program.program());
        m_context.bindTexture("ssaoBuffer", GL_TEXTURE_2D, source.name());
        setUniform(program, "threshold", BlurThreshold);
        setUniformVec2Array(program, "offset", offsets, 4);
        setUniform(program, "invScreenSize", invScreenSize);
        m_context.drawFullScreenQuad();
    };
    m_context.setRenderTargets(m_blur->name(), 0, 0, 0);
    const float across[8] = {-2 / w, 0, -1 / w, 0, 1 / w, 0, 2 / w, 0};
    blur(*m_blurX, *m_occlusion, across);

    m_context.setRenderTargets(finalBuffer.name(), 0, 0, 0);
    m_context.setBlendMode(BlendMode::Modulative);
    const float down[8] = {0, -2 / h, 0, -1 / h, 0, 1 / h, 0, 2 / h};
    blur(*m_blurY, *m_blur, down);
    m_context.setBlendMode(BlendMode::Opaque);
    checkGLError("ambient occlusion");
}

} // namespace engine
