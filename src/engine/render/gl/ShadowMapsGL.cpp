#include "engine/render/gl/ShadowMapsGL.h"

#include "engine/assets/Material.h"
#include "engine/render/CascadedShadows.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/Renderer.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/PassUniformsGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"
#include "engine/render/gl/ShaderProgramGL.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#include <utility>

namespace engine {

namespace {

constexpr float FaceFieldOfView = 1.5707964f;
constexpr float FaceNear = 0.1f;

// The GL sampler state index of mipmapped linear filtering.
constexpr int AlphaTestFilter = FilterLinearMipLinear;

void unbindMeshes() {
    for (GLuint location = 0; location < GLuint(AttributeCount); ++location)
        gl().glDisableVertexAttribArray(location);
    gl().glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl().glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

} // namespace

ShadowMapsGL::ShadowMapsGL(RenderContextGL& context) : m_context(context) {
    for (int log2 = MinShadowCubeLog2; log2 <= MaxShadowCubeLog2; ++log2) {
        int size = 1 << log2;
        auto cube = std::make_unique<ShadowCubeGL>();
        cube->primary = std::make_unique<TextureCubeGL>(size, 1, CubeFormat);
        cube->secondary = std::make_unique<TextureCubeGL>(size, 1, CubeFormat);
        cube->depth = std::make_unique<RenderBufferGL>(DepthFormat, size, size);
        m_cubes[size_t(log2)] = std::move(cube);
    }
    m_blurProgram = programFromFiles(BlurVertexPath, BlurFragmentPath);
    m_faceCamera.reset(Camera::perspective(FaceFieldOfView, 1, FaceNear, 1));
    m_spotCamera.reset(Camera::perspective(FaceFieldOfView, 1, 0, 1));
    // Moments like the cubes'; linear filtering reads them blended, which
    // the moment test turns into soft edges.
    m_shadowMap = std::make_unique<Texture2DGL>(ShadowMapSize, ShadowMapSize, 1, CubeFormat, GL_LINEAR, GL_LINEAR,
                                                GL_CLAMP_TO_EDGE);
    m_shadowBlurMap = std::make_unique<Texture2DGL>(ShadowMapSize, ShadowMapSize, 1, CubeFormat, GL_NEAREST,
                                                    GL_NEAREST, GL_CLAMP_TO_EDGE);
    m_shadowDepth = std::make_unique<RenderBufferGL>(DepthFormat, ShadowMapSize, ShadowMapSize);
    m_mapBlurProgram = programFromFiles(MapBlurVertexPath, MapBlurFragmentPath);
    glBindTexture(GL_TEXTURE_2D, 0);
}

ShadowMapsGL::~ShadowMapsGL() = default;

ShadowCubeGL* ShadowMapsGL::cubes(int log2) const {
    return log2 >= 0 && log2 <= MaxShadowCubeLog2 ? m_cubes[size_t(log2)].get() : nullptr;
}

ShadowCubeGL& ShadowMapsGL::cubesForSize(int requestedSize) const {
    return *m_cubes[size_t(shadowCubeLog2ForSize(requestedSize))];
}

TextureCubeGL& ShadowMapsGL::renderFrameShadow(LightEntity& light, int shadowQuality) {
    ShadowCubeGL& cube = cubesForSize(light.shadowMapSize());
    if (shadowQuality > 0) {
        renderPointShadow(light, *cube.secondary, *cube.depth, false);
        blurCube(*cube.secondary, *cube.primary, ShadowBlurConeAngle);
    } else {
        renderPointShadow(light, *cube.primary, *cube.depth, false);
    }
    return *cube.primary;
}

void ShadowMapsGL::renderPointShadow(LightEntity& light, TextureCubeGL& cube, RenderBufferGL& depth,
                                     bool staticOnly) {
    Node* lightNode = light.node();
    Scene* scene = lightNode ? lightNode->scene() : nullptr;
    Vec3 lightPosition = lightNode ? lightNode->worldPosition() : Vec3{};
    float range = light.lightRange();

    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    m_context.setBlendMode(BlendMode::Opaque);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;

    // The faces' y runs against the camera's: the flip puts texel rows where
    // the cube addressing reads them, and turns the winding around.
    Mat4 projection = Mat4::perspective(FaceFieldOfView, 1, FaceNear, range);
    Mat4 flip;
    flip.m[1][1] = -1;
    Mat4 faceProjection = projection * flip * depthConversionMatrix();
    m_faceCamera->setProjection(projection);

    for (int face = 0; face < 6; ++face) {
        m_context.setCubeTarget(cube.name(), face, depth.name());
        gl().glDrawBuffers(1, &drawBuffer);
        glViewport(0, 0, cube.width(), cube.height());
        checkGLError("glViewport");
        glClearColor(1, 1, 1, 1);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!scene)
            continue;

        Mat4x3 faceWorld{shadowCubeFaceRotation(face), lightPosition};
        Mat4 faceView = Mat4::fromMat4x3(rigidInverse(faceWorld));
        m_faceCamera->setTransform(faceWorld);
        m_visitor.clear();
        scene->queryFrustum(m_faceCamera->planes(), Camera::PlaneCount, m_visitor);

        glFrontFace(GL_CCW);
        drawCasters(m_visitor.entities(), faceView, faceView * faceProjection, 1 / range, staticOnly);
        glFrontFace(GL_CW);
        checkGLError("pointlight shadow");
    }
    glDisable(GL_ALPHA_TEST);
    gl().glActiveTexture(GL_TEXTURE0);
    unbindMeshes();
}

void ShadowMapsGL::drawCasters(const std::vector<MeshEntity*>& casters, const Mat4& view, const Mat4& viewProj,
                               float invRange, bool staticOnly) {
    RenderResourcesGL* resources = renderResourcesGL();
    RenderableShaderGL* shader = resources ? resources->surfaceShader.get() : nullptr;
    if (!shader)
        return;
    for (MeshEntity* entity : casters) {
        if (staticOnly && !entity->hasFlag(MeshEntity::StaticShadow))
            continue;
        auto* mesh = dynamic_cast<RenderableMeshGL*>(entity->mesh());
        if (!mesh)
            continue;
        Mat4 world = Mat4::fromMat4x3(entity->node()->worldTransform());
        Mat4 modelView = world * view;
        Mat4 modelViewProj = world * viewProj;
        const std::vector<Mat4x3>* bones = skinningBones(*entity);
        mesh->bind();
        for (size_t i = 0; i < mesh->segments().size(); ++i) {
            Material* material = &segmentMaterial(*entity, i);
            if (!isOpaque(*material))
                continue;
            int slot = RenderableShaderGL::ShadowPass + (material->alphaTest ? RenderableShaderGL::AlphaTest : 0) +
                       (bones ? RenderableShaderGL::Skinning : 0);
            ShaderProgramGL* program = shader->program(slot);
            if (!program)
                continue;
            m_context.useProgram(program->program());
            setUniform(*program, "invLightRange", invRange);
            gl().glUniformMatrix4fv(program->location(UniformModelViewProj), 1, GL_FALSE, &modelViewProj.m[0][0]);
            gl().glUniformMatrix4fv(program->location(UniformModelView), 1, GL_FALSE, &modelView.m[0][0]);
            if (bones)
                setSkinningMatrices(*program, *bones);
            if (material->doubleSided)
                glDisable(GL_CULL_FACE);
            else
                glEnable(GL_CULL_FACE);
            if (material->alphaTest) {
                glEnable(GL_ALPHA_TEST);
                auto* diffuse = dynamic_cast<RenderableTextureGL*>(material->diffuseMap.get());
                if (!diffuse || !diffuse->texture())
                    diffuse = resources->whiteTexture.get();
                const TextureGL& texture = *diffuse->texture();
                m_context.bindTexture("diffuseMap", texture.target(), texture.name());
                applySamplerState(texture, AlphaTestFilter, material->textureAddressMode, m_context.maxAnisotropy());
            } else {
                glDisable(GL_ALPHA_TEST);
            }
            mesh->drawSegment(i);
            ++renderStats().shadowSegments;
        }
    }
}

void ShadowMapsGL::renderIntoShadowMap(const std::vector<MeshEntity*>& casters, const Mat4& view,
                                       const Mat4& viewProj, float invRange) {
    m_context.setRenderTargets(m_shadowMap->name(), 0, m_shadowDepth->name(), 0);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    gl().glDrawBuffers(1, &drawBuffer);
    glViewport(0, 0, m_shadowMap->width(), m_shadowMap->height());
    checkGLError("glViewport");
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    m_context.setBlendMode(BlendMode::Opaque);
    glClearColor(1, 1, 1, 1);
    glClearDepth(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCasters(casters, view, viewProj, invRange, false);
    glDisable(GL_ALPHA_TEST);
    gl().glActiveTexture(GL_TEXTURE0);
    unbindMeshes();
    checkGLError("shadow map");
}

const Texture2DGL& ShadowMapsGL::renderSpotShadow(LightEntity& light, int shadowQuality) {
    Node* node = light.node();
    Scene* scene = node ? node->scene() : nullptr;
    m_visitor.clear();
    Mat4 view;
    if (scene) {
        // Casters anywhere in the cone, from the light itself outwards.
        m_spotCamera->setProjection(Mat4::perspective(light.spotAngle(), 1, 0, light.lightRange()));
        m_spotCamera->setTransform(node->worldTransform());
        scene->queryFrustum(m_spotCamera->planes(), Camera::PlaneCount, m_visitor);
        view = Mat4::fromMat4x3(node->worldInverse());
    }
    Mat4 viewProj = view * spotShadowProjection(light) * depthConversionMatrix();
    renderIntoShadowMap(m_visitor.entities(), view, viewProj, 1 / light.lightRange());
    if (shadowQuality > 0)
        blurShadowMap();
    // Spot lights read the moments blended between texels.
    setMapFilter(GL_LINEAR);
    return *m_shadowMap;
}

const Texture2DGL& ShadowMapsGL::renderCascadeShadow(LightEntity& light, const CascadeSlice& slice) {
    Scene* scene = light.node() ? light.node()->scene() : nullptr;
    m_visitor.clear();
    if (scene)
        scene->queryFrustum(slice.casterPlanes.data(), slice.casterPlaneCount, m_visitor);
    // The shadow shader stores a position's distance from the view origin;
    // a view that keeps only the box depth makes that distance the depth.
    Mat4 depthOnly;
    depthOnly.m[0][0] = 0;
    depthOnly.m[1][1] = 0;
    renderIntoShadowMap(m_visitor.entities(), slice.shadowMatrix * depthOnly,
                        slice.shadowMatrix * depthConversionMatrix(), 1);
    // The sun's shader softens by its own taps and reads texels whole.
    setMapFilter(GL_NEAREST);
    return *m_shadowMap;
}

void ShadowMapsGL::setMapFilter(int filter) {
    if (m_shadowMapFilter == filter)
        return;
    m_shadowMap->bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    m_shadowMapFilter = filter;
}

void ShadowMapsGL::blurShadowMap() {
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    m_context.setBlendMode(BlendMode::Opaque);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    Texture2DGL* source = m_shadowMap.get();
    Texture2DGL* destination = m_shadowBlurMap.get();
    // The taps fall on texel centres: nearest reads give the same values and
    // cost a software rasteriser far less than linear ones.
    setMapFilter(GL_NEAREST);
    for (int pass = 0; pass < 2; ++pass) {
        m_context.setRenderTargets(destination->name(), 0, 0, 0);
        gl().glDrawBuffers(1, &drawBuffer);
        glViewport(0, 0, destination->width(), destination->height());
        m_context.useProgram(m_mapBlurProgram->program());
        m_context.bindTexture("tex", GL_TEXTURE_2D, source->name());
        // Seven taps of weight 1/7, one texel apart: across, then down.
        float samples[7 * 3];
        for (int k = -3; k <= 3; ++k) {
            float* s = &samples[(k + 3) * 3];
            s[0] = pass == 0 ? float(k) / float(source->width()) : 0.0f;
            s[1] = pass == 0 ? 0.0f : float(k) / float(source->height());
            s[2] = 1.0f / 7.0f;
        }
        setUniformVec3Array(*m_mapBlurProgram, "samples", samples, 7);
        m_context.drawFullScreenQuad();
        std::swap(source, destination);
    }
    checkGLError("shadow blur");
}

void ShadowMapsGL::blurCube(const TextureCubeGL& source, TextureCubeGL& destination, float coneAngle) {
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    m_context.setBlendMode(BlendMode::Opaque);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    m_context.useProgram(m_blurProgram->program());

    auto samples = cubeBlurSamples(coneAngle);
    m_context.bindTexture("tex", source.target(), source.name());
    gl().glUniform3fv(m_blurProgram->location("samples"), CubeBlurSampleCount, &samples[0].x);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    int faceRotation = m_blurProgram->location("faceRot");
    for (int face = 0; face < 6; ++face) {
        m_context.setCubeTarget(destination.name(), face, 0);
        gl().glDrawBuffers(1, &drawBuffer);
        glViewport(0, 0, destination.width(), destination.height());
        checkGLError("glViewport");
        // Transposed, so that the shader's faceRot * v takes the rows as given.
        Mat3 rows = transpose(cubeBlurFaceMatrix(face));
        gl().glUniformMatrix3fv(faceRotation, 1, GL_FALSE, &rows.row[0].x);
        m_context.drawFullScreenQuad();
    }
}

} // namespace engine
