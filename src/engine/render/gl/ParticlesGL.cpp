#include "engine/render/gl/ParticlesGL.h"

#include "engine/assets/Material.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/ShaderProgramGL.h"
#include "engine/render/gl/TextureGL.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Node.h"

#include <algorithm>
#include <cfloat>

namespace engine {

namespace {

// The quad's corners, in the order the shared quad indices expect.
constexpr float Corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Attribute locations fixed by name for every program.
enum { PositionAttribute = 0, TexcoordAttribute = 4, VelocityAttribute = 8, ParamsAttribute = 9 };

float reciprocalOrZero(float x) {
    return x > 0 ? 1.0f / x : 0.0f;
}

} // namespace

ParticlesGL::ParticlesGL(RenderContextGL& context)
    : m_context(context),
      m_program(programFromFiles("shaders/gl/ParticleSystem.vsh", "shaders/gl/ParticleSystem.fsh")) {}

ParticlesGL::~ParticlesGL() = default;

int ParticlesGL::batchParticles() {
    int byMemory = int(RenderContextGL::ScratchBytes / (4 * VertexFloats * sizeof(float)));
    return std::min(byMemory, RenderContextGL::MaxQuads);
}

void ParticlesGL::draw(Camera& camera, const ParticleEntity& entity, const RenderableTextureGL* defaultTexture,
                       bool diffuseMapping, int textureFilter, const SceneDepth& depth) {
    const GLEntryPoints& f = gl();
    const ShaderProgramGL& program = *m_program;
    const Mat4 view = Mat4::fromMat4x3(camera.worldInverse());
    const Mat4 projection = camera.projection() * depthConversionMatrix();
    const Mat4 nodeWorld = entity.node() ? Mat4::fromMat4x3(entity.node()->worldTransform()) : Mat4::identity();
    const int batchLimit = batchParticles();
    auto* vertices = static_cast<float*>(m_context.scratchMemory(size_t(batchLimit) * 4 * VertexFloats * sizeof(float)));

    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    f.glBindBuffer(GL_ARRAY_BUFFER, 0);
    f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    const GLsizei stride = VertexFloats * sizeof(float);
    const GLuint attributes[] = {PositionAttribute, VelocityAttribute, TexcoordAttribute, ParamsAttribute};
    for (GLuint a : attributes)
        f.glEnableVertexAttribArray(a);
    f.glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, vertices);
    f.glVertexAttribPointer(VelocityAttribute, 3, GL_FLOAT, GL_FALSE, stride, vertices + 3);
    f.glVertexAttribPointer(TexcoordAttribute, 2, GL_FLOAT, GL_FALSE, stride, vertices + 6);
    f.glVertexAttribPointer(ParamsAttribute, 4, GL_FLOAT, GL_FALSE, stride, vertices + 8);

    for (const EmitterInstance& instance : entity.instances()) {
        if (instance.alive == 0)
            continue;
        const ParticleEmitter& e = *instance.emitter;

        m_context.useProgram(program.program());
        m_context.setBlendMode(e.blendMode == ParticleEmitter::Additive ? BlendMode::AdditiveAlpha
                                                                        : BlendMode::Translucent);

        auto* own = dynamic_cast<const RenderableTextureGL*>(e.texture.get());
        const RenderableTextureGL* chosen = diffuseMapping && own && own->texture() ? own : defaultTexture;
        const TextureGL* texture = chosen ? chosen->texture() : nullptr;
        if (texture) {
            m_context.bindTexture("texture", texture->target(), texture->name());
            applySamplerState(*texture, textureFilter, int(TextureAddressMode::Clamp), m_context.maxAnisotropy());
        }

        // Frames are square cells read row by row from the top-left; the
        // sheet's width decides how many fit in a row.
        int textureWidth = std::max(chosen ? chosen->getWidth() : 1, 1);
        int frameSize = e.frameSize > 0 ? e.frameSize : textureWidth;
        float frameCount = e.frameCount != 0 ? float(e.frameCount) : 1.0f;
        float frameRate = e.frameCount != 0 ? e.frameRate : 0.0f;
        float framesPerRow = float(std::max(textureWidth / frameSize, 1));

        const Mat4 localToWorld = e.objectSpace ? nodeWorld : Mat4::identity();
        f.glUniformMatrix4fv(program.location(UniformLocalToWorld), 1, GL_FALSE, &localToWorld.m[0][0]);
        f.glUniformMatrix4fv(program.location(UniformModelView), 1, GL_FALSE, &view.m[0][0]);
        f.glUniformMatrix4fv(program.location(UniformProj), 1, GL_FALSE, &projection.m[0][0]);
        // A fade time of 0 (or less) means no fade. Its reciprocal goes as 0
        // rather than infinity, which shaders may not compute with.
        f.glUniform3f(program.location(UniformFadeParms), reciprocalOrZero(e.fadeIn), reciprocalOrZero(e.fadeOut),
                      e.fadeOut);
        f.glUniform4f(program.location(UniformTextureAnimParms), frameRate, frameCount, framesPerRow,
                      float(frameSize) / float(textureWidth));
        f.glUniform3f(program.location(UniformGravity), e.gravity.x, e.gravity.y, e.gravity.z);
        f.glUniform1f(program.location(UniformAirResistance), e.airResistance);
        f.glUniform1f(program.location(UniformRotationSpeed), e.rotationSpeed);
        f.glUniform1f(program.location(UniformClampToGroundPlane), e.clampToGroundPlane ? 0.0f : -FLT_MAX);
        f.glUniform1f(program.location(UniformDepthBias), e.depthBias);
        float colors[4][3];
        for (int i = 0; i < 4; ++i) {
            const Vec3& c = e.colors[e.colorAnimation ? i : 0];
            colors[i][0] = c.x, colors[i][1] = c.y, colors[i][2] = c.z;
        }
        f.glUniform3fv(program.location(UniformColorTable), 4, &colors[0][0]);
        f.glUniform1f(program.location(UniformOpacity), e.opacity);
        f.glUniform1f(program.location("softParticles"), depth.geometryBuffer ? 1.0f : 0.0f);
        if (depth.geometryBuffer) {
            m_context.bindTexture("geometryBuffer", GL_TEXTURE_2D, depth.geometryBuffer);
            f.glUniform2f(program.location("invScreenSize"), 1.0f / float(depth.width), 1.0f / float(depth.height));
        }

        // Live particles in pool order, a batch at a time.
        int written = 0;
        auto flush = [&] {
            if (written == 0)
                return;
            glDrawElements(GL_TRIANGLES, written * 6, GL_UNSIGNED_SHORT, m_context.quadIndices());
            checkGLError("draw particles");
            written = 0;
        };
        for (const Particle& p : instance.pool) {
            if (p.age < 0)
                continue;
            float* v = vertices + size_t(written) * 4 * VertexFloats;
            for (const auto& corner : Corners) {
                v[0] = p.position.x, v[1] = p.position.y, v[2] = p.position.z;
                v[3] = p.velocity.x, v[4] = p.velocity.y, v[5] = p.velocity.z;
                v[6] = corner[0], v[7] = corner[1];
                v[8] = p.age, v[9] = p.size, v[10] = p.random, v[11] = p.lifetime;
                v += VertexFloats;
            }
            if (++written == batchLimit)
                flush();
        }
        flush();
    }

    for (GLuint a : attributes)
        f.glDisableVertexAttribArray(a);
    f.glActiveTexture(GL_TEXTURE0);
}

} // namespace engine
