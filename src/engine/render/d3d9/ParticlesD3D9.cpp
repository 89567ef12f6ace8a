#include "engine/render/d3d9/ParticlesD3D9.h"

#include "engine/particles/ParticleEntity.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Node.h"

#include <algorithm>
#include <cfloat>

namespace engine {

namespace {

// The quad's corners, in the order the shared quad indices expect.
constexpr float Corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

constexpr const char* ParticleFile = "shaders/d3d9/particle.hlsl";

float reciprocalOrZero(float x) { return x > 0 ? 1.0f / x : 0.0f; }

} // namespace

ParticlesD3D9::ParticlesD3D9(RenderContextD3D9& context) : m_context(context)
{
    d3d::Device& device = context.device();
    m_vertexShader = ShaderD3D9::createVertexShader(device, {ParticleFile, "particle_vs", {}, true, ""});
    m_pixelShader = ShaderD3D9::createPixelShader(device, {ParticleFile, "particle_ps", {}, true, ""});
    // The velocity travels as the normal, age, size, random and lifetime as colour 0.
    using Decl = d3d::VertexDeclaration;
    m_declaration.add(0, Decl::Float3, Decl::Position);
    m_declaration.add(0, Decl::Float3, Decl::Normal);
    m_declaration.add(0, Decl::Float2, Decl::TexCoord);
    m_declaration.add(0, Decl::Float4, Decl::VertexColor);
    m_declaration.finish();
}

ParticlesD3D9::~ParticlesD3D9() = default;

int ParticlesD3D9::batchParticles()
{
    int byMemory = int(RenderContextD3D9::StreamBytes / (4 * VertexFloats * sizeof(float)));
    return std::min(byMemory, RenderContextD3D9::MaxQuadsPerDraw);
}

void ParticlesD3D9::draw(Camera& camera, const ParticleEntity& entity, const RenderableTextureD3D9* defaultTexture,
                         bool diffuseMapping, int textureFilter, const SceneDepth& depth, const Mat4& clipShift)
{
    // The camera's projection already gives depth 0..w, as this device wants it.
    const Mat4 view = Mat4::fromMat4x3(camera.worldInverse());
    const Mat4 projection = camera.projection() * clipShift;
    const Mat4 nodeWorld = entity.node() ? Mat4::fromMat4x3(entity.node()->worldTransform()) : Mat4::identity();
    const int batchLimit = batchParticles();

    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);

    for (const EmitterInstance& instance : entity.instances()) {
        if (instance.alive == 0)
            continue;
        const ParticleEmitter& e = *instance.emitter;

        m_context.bindShaders(m_vertexShader.get(), m_pixelShader.get());
        m_context.bindDeclaration(&m_declaration);
        // Additive particles add their colour weighted by their alpha.
        device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device.setRenderState(D3DRS_DESTBLEND,
                              e.blendMode == ParticleEmitter::Additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);

        auto* own = dynamic_cast<const RenderableTextureD3D9*>(e.texture.get());
        const RenderableTextureD3D9* chosen = diffuseMapping && own && own->texture() ? own : defaultTexture;
        if (chosen && chosen->texture())
            m_context.setSampler("g_texture", {chosen->texture(), textureFilter, d3d::SamplerDesc::Clamp, false});

        // Frames are square cells read row by row from the top-left; the
        // sheet's width decides how many fit in a row.
        int textureWidth = std::max(chosen ? chosen->getWidth() : 1, 1);
        int frameSize = e.frameSize > 0 ? e.frameSize : textureWidth;
        float frameCount = e.frameCount != 0 ? float(e.frameCount) : 1.0f;
        float frameRate = e.frameCount != 0 ? e.frameRate : 0.0f;
        float framesPerRow = float(std::max(textureWidth / frameSize, 1));

        m_context.setConstant("g_localToWorld", e.objectSpace ? nodeWorld : Mat4::identity());
        m_context.setConstant("g_modelView", view);
        m_context.setConstant("g_proj", projection);
        // A fade time of 0 (or less) means no fade; its reciprocal goes as 0.
        const float fade[3] = {reciprocalOrZero(e.fadeIn), reciprocalOrZero(e.fadeOut), e.fadeOut};
        m_context.setConstant("g_fadeParams", fade, 3);
        const float animation[4] = {frameRate, frameCount, framesPerRow, float(frameSize) / float(textureWidth)};
        m_context.setConstant("g_textureAnimParams", animation, 4);
        const float gravity[3] = {e.gravity.x, e.gravity.y, e.gravity.z};
        m_context.setConstant("g_gravity", gravity, 3);
        m_context.setConstant("g_airResistance", &e.airResistance, 1);
        m_context.setConstant("g_rotationSpeed", &e.rotationSpeed, 1);
        const float ground = e.clampToGroundPlane ? 0.0f : -FLT_MAX;
        m_context.setConstant("g_clampToGroundPlane", &ground, 1);
        m_context.setConstant("g_depthBias", &e.depthBias, 1);
        float colors[4][4] = {};
        for (int i = 0; i < 4; ++i) {
            const Vec3& c = e.colors[e.colorAnimation ? i : 0];
            colors[i][0] = c.x, colors[i][1] = c.y, colors[i][2] = c.z, colors[i][3] = 1.0f;
        }
        m_context.setConstant("g_colorTable", &colors[0][0], 16);
        m_context.setConstant("g_opacity", &e.opacity, 1);
        const float soft = depth.geometryBuffer ? 1.0f : 0.0f;
        m_context.setConstant("g_softParticles", &soft, 1);
        if (depth.geometryBuffer) {
            m_context.setSampler("g_geometryBuffer",
                                 {depth.geometryBuffer, d3d::SamplerDesc::Nearest, d3d::SamplerDesc::Clamp, false});
            const float invSize[2] = {1.0f / float(std::max(depth.width, 1)), 1.0f / float(std::max(depth.height, 1))};
            m_context.setConstant("g_invScreenSize", invSize, 2);
        }
        m_context.uploadConstants();

        // Live particles in pool order, a batch at a time.
        float* vertices = nullptr;
        int written = 0;
        auto flush = [&] {
            if (written == 0)
                return;
            m_context.drawStream(RenderContextD3D9::Quads, written);
            vertices = nullptr;
            written = 0;
        };
        size_t remaining = instance.alive;
        for (const Particle& p : instance.pool) {
            if (p.age < 0)
                continue;
            if (!vertices) {
                int room = int(std::min<size_t>(remaining, size_t(batchLimit)));
                vertices = static_cast<float*>(m_context.lockStream(room * 4 * VertexFloats * int(sizeof(float))));
            }
            float* v = vertices + size_t(written) * 4 * VertexFloats;
            for (const auto& corner : Corners) {
                v[0] = p.position.x, v[1] = p.position.y, v[2] = p.position.z;
                v[3] = p.velocity.x, v[4] = p.velocity.y, v[5] = p.velocity.z;
                v[6] = corner[0], v[7] = corner[1];
                v[8] = p.age, v[9] = p.size, v[10] = p.random, v[11] = p.lifetime;
                v += VertexFloats;
            }
            --remaining;
            if (++written == batchLimit)
                flush();
            if (remaining == 0)
                break;
        }
        flush();
        if (chosen && chosen->texture())
            device.setTexture(0, nullptr);
    }
}

} // namespace engine
