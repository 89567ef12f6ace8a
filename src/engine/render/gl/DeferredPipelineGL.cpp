#include "engine/render/gl/DeferredPipelineGL.h"

#include "engine/assets/Material.h"
#include "engine/draw/DebugDraw.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/render/MaterialMaps.h"
#include "engine/render/MeshDebugLines.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/LightPassGL.h"
#include "engine/render/gl/ParticlesGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"
#include "engine/scene/Camera.h"

#include <algorithm>
#include <cstdio>

namespace engine {

namespace {

std::unique_ptr<Texture2DGL> sceneBuffer(int width, int height) {
    return std::make_unique<Texture2DGL>(width, height, 1, GL_RGBA16F, GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE);
}

Mat4 viewMatrixOf(Camera& camera) {
    return Mat4::fromMat4x3(camera.worldInverse());
}

MapRead readOf(MaterialMap map) {
    return decodesSrgb(map) ? MapRead::Decoded : MapRead::AsStored;
}

const TextureGL* glTextureOf(const RenderableTexture* texture) {
    auto* gltexture = dynamic_cast<const RenderableTextureGL*>(texture);
    return gltexture ? gltexture->texture() : nullptr;
}

} // namespace

bool hasNormalMaps(const MeshEntity& entity, const RenderableMeshGL& mesh) {
    if (mesh.layout().tangent < 0)
        return false;
    for (size_t i = 0; i < mesh.segments().size(); ++i) {
        if (segmentMaterial(entity, i).normalMap.get())
            return true;
    }
    return false;
}

const std::vector<Mat4x3>* skinningBones(const MeshEntity& entity) {
    auto* mesh = dynamic_cast<const RenderableMeshGL*>(entity.mesh());
    // A skeleton without bones leaves the mesh in its bind pose.
    if (!mesh || !mesh->isSkinned() || !entity.skeleton() || entity.skeleton()->bones().empty() || !entity.node())
        return nullptr;
    // One buffer for every draw; the matrices go to the program right away.
    static std::vector<Mat4x3> bones;
    entity.skeleton()->skinningMatrices(entity.node()->worldInverse(), bones);
    return &bones;
}

void bindMaterialMap(RenderContextGL& context, const char* sampler, const RenderableTexture* map, bool use,
                     const RenderableTextureGL* fallback, int samplerState, int addressMode, MapRead read) {
    const TextureGL* texture = use ? glTextureOf(map) : nullptr;
    if (!texture)
        texture = fallback ? fallback->texture() : nullptr;
    if (!texture)
        return;
    if (read != MapRead::AsFormat)
        texture = &texture->readAs(read == MapRead::Decoded);
    context.bindTexture(sampler, texture->target(), texture->name());
    applySamplerState(*texture, samplerState, addressMode, context.maxAnisotropy());
}

DeferredPipelineGL::DeferredPipelineGL(RenderContextGL& context, RenderResourcesGL& resources, int width,
                                       int height)
    : m_context(context), m_resources(resources) {
    resize(width, height);
    m_lights = std::make_unique<LightPassGL>(*this);
    m_particles = std::make_unique<ParticlesGL>(context);
}

DeferredPipelineGL::~DeferredPipelineGL() = default;

void DeferredPipelineGL::resize(int width, int height) {
    // A zero-sized window (minimised) still gets valid, if tiny, buffers.
    width = std::max(width, 1);
    height = std::max(height, 1);
    m_depthStencil.reset();
    m_geometryBuffer.reset();
    m_glossinessBuffer.reset();
    m_lightBuffer.reset();
    m_finalBuffer.reset();
    m_depthStencil = std::make_unique<RenderBufferGL>(GL_DEPTH24_STENCIL8, width, height);
    m_geometryBuffer = sceneBuffer(width, height);
    m_glossinessBuffer = sceneBuffer(width, height);
    m_lightBuffer = sceneBuffer(width, height);
    m_finalBuffer = sceneBuffer(width, height);
    glBindTexture(GL_TEXTURE_2D, 0);
    checkGLError("create scene buffers");
    m_width = width;
    m_height = height;
}

void DeferredPipelineGL::copySettings(const Renderer& renderer) {
    m_settings = frameSettingsOf(renderer);
}

void DeferredPipelineGL::gather(Scene& scene, Camera& camera) {
    gatherEntities(m_visitor, scene, camera);
}

void DeferredPipelineGL::applyViewport() {
    const Viewport& v = m_settings.viewport;
    glViewport(v.x, m_height - v.y - v.height, v.width, v.height);
    checkGLError("glViewport");
}

void DeferredPipelineGL::geometryPass(Camera& camera) {
    unsigned depth = m_depthStencil->name();
    m_context.setRenderTargets(m_geometryBuffer->name(), m_glossinessBuffer->name(), depth, depth);
    applyViewport();
    static const GLenum both[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    gl().glDrawBuffers(2, both);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    gl().glActiveTexture(GL_TEXTURE0);
    glAlphaFunc(GL_GREATER, 0.5f);
    setMeshFill();
    for (MeshEntity* entity : m_visitor.meshes) {
        if (m_settings.renderMeshes)
            drawMeshEntity(camera, *entity, GeometryPass);
        if (entity->hasFlag(MeshEntity::DrawTangents) || entity->hasFlag(MeshEntity::DrawNormals))
            queueDebugLines(*entity);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    static const GLenum first[] = {GL_COLOR_ATTACHMENT0};
    gl().glDrawBuffers(1, first);
    RenderableMeshGL::unbind();
}

// Read back from the vertex buffer: the mesh keeps no copy of its vertices.
void DeferredPipelineGL::queueDebugLines(MeshEntity& entity) {
    auto* mesh = dynamic_cast<RenderableMeshGL*>(entity.mesh());
    if (!mesh || !entity.node() || mesh->layout().vertexCount <= 0)
        return;
    const VertexLayoutGL& layout = mesh->layout();
    const GLEntryPoints& f = gl();
    f.glBindBuffer(GL_ARRAY_BUFFER, mesh->vertexBuffer());
    const void* vertices = f.glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY);
    if (vertices) {
        DebugVertexLayout debugLayout{layout.stride, 0, layout.normal, layout.tangent, layout.bitangent};
        queueMeshDebugLines(static_cast<const uint8_t*>(vertices), layout.vertexCount, debugLayout,
                            entity.node()->worldTransform(), entity.hasFlag(MeshEntity::DrawTangents));
        f.glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    f.glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void DeferredPipelineGL::lightPass(Camera& camera) {
    m_lights->run(camera, m_visitor);
}

void DeferredPipelineGL::materialPass(Camera& camera) {
    unsigned depth = m_depthStencil->name();
    m_context.setRenderTargets(m_finalBuffer->name(), 0, depth, depth);
    applyViewport();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    // Pixels without opaque geometry keep this colour through fog, the
    // transparent pass and tone mapping: the scene's background.
    const Color& c = m_settings.clearColor;
    glClearColor(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, c.a / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    setMeshFill();
    if (m_settings.renderMeshes) {
        for (MeshEntity* entity : m_visitor.meshes)
            drawMeshEntity(camera, *entity, MaterialPass);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void DeferredPipelineGL::transparentPass(Camera& camera) {
    unsigned depth = m_depthStencil->name();
    m_context.setRenderTargets(m_finalBuffer->name(), 0, depth, depth);
    applyViewport();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);

    setMeshFill();
    collectTransparent(m_visitor, camera, m_settings.renderMeshes, m_transparent);
    int filter = 3 + std::clamp(m_settings.textureFilter, 0, 2);
    const ParticlesGL::SceneDepth sceneDepth{m_geometryBuffer->name(), m_width, m_height};
    for (const auto& [entity, key] : m_transparent) {
        if (entity->entityType() == RenderEntity::MeshEntityType)
            drawMeshEntity(camera, *static_cast<MeshEntity*>(entity), TransparentPass);
        else
            m_particles->draw(camera, *static_cast<ParticleEntity*>(entity), m_resources.whiteTexture.get(),
                              m_settings.diffuseMapping, filter, sceneDepth);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// The mesh passes draw outlines only when the wireframe switch is on; every
// other pass, and whatever follows the scene, fills.
void DeferredPipelineGL::setMeshFill() {
    glPolygonMode(GL_FRONT_AND_BACK, m_settings.wireframe ? GL_LINE : GL_FILL);
}

void DeferredPipelineGL::drawMeshEntity(Camera& camera, MeshEntity& entity, PassKind pass) {
    auto* mesh = dynamic_cast<RenderableMeshGL*>(entity.mesh());
    if (!mesh)
        return;
    const std::vector<Mat4x3>* bones = skinningBones(entity);
    bool skinned = bones != nullptr;
    size_t segments = mesh->segments().size();

    bool normalMapped = pass == GeometryPass && m_settings.normalMapping && hasNormalMaps(entity, *mesh);

    mesh->bind();
    const Mat4 world = Mat4::fromMat4x3(entity.node()->worldTransform());
    const Mat4 modelViewProj = world * camera.viewProjection() * depthConversionMatrix();
    const Mat4 modelView = world * viewMatrixOf(camera);
    const Vec3& emissive = entity.emissiveColor();
    int filter = 3 + std::clamp(m_settings.textureFilter, 0, 2);
    RenderableTextureGL* white = m_resources.whiteTexture.get();
    RenderableTextureGL* flatNormal = m_resources.flatNormalTexture.get();
    const GLEntryPoints& f = gl();

    for (size_t i = 0; i < segments; ++i) {
        Material& m = segmentMaterial(entity, i);
        bool opaque = isOpaque(m);
        if ((pass != TransparentPass && !opaque) || (pass == TransparentPass && opaque))
            continue;

        int slot = 0;
        if (pass == GeometryPass)
            slot = (m.alphaTest ? RenderableShaderGL::AlphaTest : 0) | (normalMapped ? RenderableShaderGL::NormalMap : 0);
        else if (pass == MaterialPass)
            slot = m.lighting ? RenderableShaderGL::MaterialPass : RenderableShaderGL::UnlitPass;
        else
            slot = RenderableShaderGL::UnlitPass;
        if (skinned)
            slot |= RenderableShaderGL::Skinning;
        auto* shader = dynamic_cast<RenderableShaderGL*>(m.shader.get());
        ShaderProgramGL* program = shader ? shader->program(slot) : nullptr;
        // A material whose shader lacks the program (a post-process shader) draws with the standard one.
        if (!program && m_resources.surfaceShader)
            program = m_resources.surfaceShader->program(slot);
        if (!program)
            continue;

        m_context.useProgram(program->program());
        f.glUniformMatrix4fv(program->location(UniformModelViewProj), 1, GL_FALSE, &modelViewProj.m[0][0]);
        f.glUniformMatrix4fv(program->location(UniformModelView), 1, GL_FALSE, &modelView.m[0][0]);
        if (skinned)
            setSkinningMatrices(*program, *bones);
        f.glUniform2f(program->location("invScreenSize"), 1.0f / float(m_width), 1.0f / float(m_height));
        f.glUniform3f(program->location("emissiveColor"), emissive.x, emissive.y, emissive.z);
        f.glUniform1f(program->location(UniformGlossiness), m.glossiness);
        if (m.getParameterCount() > 0)
            applyShaderParameters(m_context, m);

        if (m.doubleSided)
            glDisable(GL_CULL_FACE);
        else
            glEnable(GL_CULL_FACE);
        setDepthBias(m.depthBias);
        m_context.setBlendMode(blendModeOf(m));
        if (pass == MaterialPass && m.alphaTest)
            glEnable(GL_ALPHA_TEST);
        else
            glDisable(GL_ALPHA_TEST);

        bindMaterialMap(m_context, "diffuseMap", m.diffuseMap.get(), m_settings.diffuseMapping, white, filter,
                        m.textureAddressMode, readOf(MaterialMap::Diffuse));
        bindMaterialMap(m_context, "specularMap", m.specularMap.get(), true, white, filter, m.textureAddressMode,
                        readOf(MaterialMap::Specular));
        bindMaterialMap(m_context, "normalMap", m.normalMap.get(), m_settings.normalMapping, flatNormal, filter,
                        m.textureAddressMode, readOf(MaterialMap::Normal));
        m_context.bindTexture("lightBuffer", GL_TEXTURE_2D, m_lightBuffer->name());

        mesh->drawSegment(i);
        ++renderStats().drawSegments;
    }
    setDepthBias(0);
    f.glActiveTexture(GL_TEXTURE0);
    RenderableMeshGL::unbind();
}

// A material's depth bias is an offset in the 0..1 window depth range (a
// decal of -0.00001 wins over the surface it lies on); GL counts polygon
// offsets in steps of the 24-bit depth buffer.
void DeferredPipelineGL::setDepthBias(float bias) {
    constexpr float DepthSteps = 16777215.0f;
    if (bias == 0.0f) {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_POLYGON_OFFSET_LINE);
        return;
    }
    glPolygonOffset(0.0f, bias * DepthSteps);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_POLYGON_OFFSET_LINE);
}

} // namespace engine
