#include "engine/render/gl/NotebookRendererGL.h"

#include "engine/assets/Material.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/ParticlesGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"
#include "engine/render/gl/TextureGL.h"
#include "engine/scene/Camera.h"

#include <algorithm>

namespace engine {

namespace {

// The sampler state every map of this renderer uses, whatever the settings say.
constexpr int NotebookSamplerState = 3;

} // namespace

NotebookRendererGL::NotebookRendererGL(RenderContextGL& context, RenderResourcesGL& resources)
    : m_context(context), m_resources(resources), m_particles(std::make_unique<ParticlesGL>(context)) {
    const GLEntryPoints& f = gl();
    // Seven shader objects make the six programs.
    std::vector<unsigned> shaders;
    auto load = [&](const char* path, unsigned stage, std::vector<std::string> defines) {
        shaders.push_back(loadShader(path, stage, defines));
        return shaders.back();
    };
    try {
        unsigned vertex = load(VertexPath, GL_VERTEX_SHADER, {});
        unsigned vertexSkinned = load(VertexPath, GL_VERTEX_SHADER, {"SKINNING"});
        unsigned vertexNormal = load(VertexPath, GL_VERTEX_SHADER, {"NORMAL_MAP"});
        unsigned vertexNormalSkinned = load(VertexPath, GL_VERTEX_SHADER, {"NORMAL_MAP", "SKINNING"});
        unsigned fragment = load(FragmentPath, GL_FRAGMENT_SHADER, {});
        unsigned fragmentNormal = load(FragmentPath, GL_FRAGMENT_SHADER, {"NORMAL_MAP"});
        unsigned unlit = load(UnlitFragmentPath, GL_FRAGMENT_SHADER, {});
        m_programs[0] = linkProgram(vertex, fragment);
        m_programs[1] = linkProgram(vertexSkinned, fragment);
        m_programs[2] = linkProgram(vertexNormal, fragmentNormal);
        m_programs[3] = linkProgram(vertexNormalSkinned, fragmentNormal);
        m_programs[4] = linkProgram(vertex, unlit);
        m_programs[5] = linkProgram(vertexSkinned, unlit);
    } catch (...) {
        for (unsigned shader : shaders)
            f.glDeleteShader(shader);
        throw;
    }
    for (unsigned shader : shaders)
        f.glDeleteShader(shader);
}

NotebookRendererGL::~NotebookRendererGL() = default;

void NotebookRendererGL::renderScene(const Renderer& renderer, Scene& scene, Camera& camera, int renderWidth,
                                     int renderHeight) {
    gatherEntities(m_visitor, scene, camera);
    const Viewport& v = renderer.viewport();
    glViewport(v.x, renderHeight - v.y - v.height, v.width, v.height);
    checkGLError("glViewport");
    m_diffuseMapping = renderer.diffuseMapping;
    m_normalMapping = renderer.normalMapping;
    opaquePass(camera);
    transparentPass(camera);
    glViewport(0, 0, renderWidth, renderHeight);
    checkGLError("glViewport");
}

void NotebookRendererGL::collectLights(Camera& camera) {
    const Mat4x3& view = camera.worldInverse();
    m_primary = nullptr;
    int filled = 0;
    for (LightEntity* light : m_visitor.lights) {
        if (light->primaryLight()) {
            m_primary = light;
        } else if (filled < VertexLightSlots) {
            m_vertexLightColors[filled] = light->lightColor();
            m_vertexLightPositions[filled] = view.transformPoint(light->node()->worldPosition());
            m_vertexLightInvRanges[filled] = 1.0f / light->lightRange();
            ++filled;
        }
    }
    for (int slot = filled; slot < VertexLightSlots; ++slot) {
        m_vertexLightColors[slot] = Vec3();
        m_vertexLightPositions[slot] = Vec3();
        m_vertexLightInvRanges[slot] = 1.0f;
    }
}

void NotebookRendererGL::opaquePass(Camera& camera) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    collectLights(camera);
    for (MeshEntity* entity : m_visitor.meshes)
        drawEntity(camera, *entity, m_primary, OpaquePass);
}

void NotebookRendererGL::transparentPass(Camera& camera) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    collectTransparent(m_visitor, camera, true, m_transparent);
    for (const auto& [entity, key] : m_transparent) {
        if (entity->entityType() == RenderEntity::MeshEntityType)
            drawEntity(camera, *static_cast<MeshEntity*>(entity), nullptr, TransparentPass);
        else
            m_particles->draw(camera, *static_cast<ParticleEntity*>(entity), m_resources.whiteTexture.get(),
                              m_diffuseMapping, NotebookSamplerState, ParticlesGL::SceneDepth{});
    }
    glDepthMask(GL_TRUE);
}

void NotebookRendererGL::drawEntity(Camera& camera, MeshEntity& entity, const LightEntity* primary, Pass pass) {
    auto* mesh = dynamic_cast<RenderableMeshGL*>(entity.mesh());
    if (!mesh)
        return;
    const std::vector<Mat4x3>* bones = skinningBones(entity);
    bool skinned = bones != nullptr;
    size_t segments = mesh->segments().size();
    bool normalCapable = m_normalMapping && hasNormalMaps(entity, *mesh);

    mesh->bind();
    glAlphaFunc(GL_GREATER, 0.5f);
    const Mat4x3& view = camera.worldInverse();
    const Mat4 world = Mat4::fromMat4x3(entity.node()->worldTransform());
    const Mat4 modelViewProj = world * camera.viewProjection() * depthConversionMatrix();
    const Mat4 modelView = world * Mat4::fromMat4x3(view);
    const Vec3& emissive = entity.emissiveColor();
    Vec3 lightColor, lightPosition;
    float invLightRange = 1.0f;
    if (primary) {
        lightColor = primary->lightColor();
        lightPosition = view.transformPoint(primary->node()->worldPosition());
        invLightRange = 1.0f / primary->lightRange();
    }
    const GLEntryPoints& f = gl();

    for (size_t i = 0; i < segments; ++i) {
        Material& m = segmentMaterial(entity, i);
        if (isOpaque(m) != (pass == OpaquePass))
            continue;
        bool unlit = !m.lighting || pass == TransparentPass;
        bool normalMapped = normalCapable && !unlit;
        ShaderProgramGL& program = *m_programs[programIndex(unlit, normalMapped, skinned)];
        m_context.useProgram(program.program());

        f.glUniformMatrix4fv(program.location(UniformModelViewProj), 1, GL_FALSE, &modelViewProj.m[0][0]);
        f.glUniformMatrix4fv(program.location(UniformModelView), 1, GL_FALSE, &modelView.m[0][0]);
        if (skinned)
            setSkinningMatrices(program, *bones);
        f.glUniform3f(program.location("emissiveColor"), emissive.x, emissive.y, emissive.z);
        f.glUniform1f(program.location(UniformGlossiness), m.glossiness);
        f.glUniform3fv(program.location("vlightColor"), ShaderVertexLights, &m_vertexLightColors[0].x);
        f.glUniform3fv(program.location("vlightPosition"), ShaderVertexLights, &m_vertexLightPositions[0].x);
        f.glUniform1fv(program.location("vlightInvRange"), ShaderVertexLights, m_vertexLightInvRanges.data());
        f.glUniform3f(program.location("lightColor"), lightColor.x, lightColor.y, lightColor.z);
        f.glUniform3f(program.location("lightPosition"), lightPosition.x, lightPosition.y, lightPosition.z);
        f.glUniform1f(program.location("invLightRange"), invLightRange);

        if (m.doubleSided)
            glDisable(GL_CULL_FACE);
        else
            glEnable(GL_CULL_FACE);
        m_context.setBlendMode(blendModeOf(m));
        if (m.alphaTest)
            glEnable(GL_ALPHA_TEST);
        else
            glDisable(GL_ALPHA_TEST);

        RenderableTextureGL* white = m_resources.whiteTexture.get();
        int addressMode = m.textureAddressMode;
        bindMaterialMap(m_context, "diffuseMap", m.diffuseMap.get(), m_diffuseMapping, white, NotebookSamplerState,
                        addressMode);
        bindMaterialMap(m_context, "specularMap", m.specularMap.get(), true, white, NotebookSamplerState, addressMode);
        bindMaterialMap(m_context, "normalMap", m.normalMap.get(), m_normalMapping, m_resources.flatNormalTexture.get(),
                        NotebookSamplerState, addressMode);

        mesh->drawSegment(i);
        ++renderStats().drawSegments;
    }
    glDisable(GL_ALPHA_TEST);
    f.glActiveTexture(GL_TEXTURE0);
    RenderableMeshGL::unbind();
}

} // namespace engine
