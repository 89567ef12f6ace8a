#include "engine/render/d3d9/DeferredPipelineD3D9.h"

#include "core/Exception.h"
#include "engine/assets/Material.h"
#include "engine/assets/Skeleton.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/render/CascadedShadows.h"
#include "engine/render/FrameSteps.h"
#include "engine/render/LightEntity.h"
#include "engine/render/LightScissor.h"
#include "engine/render/MaterialMaps.h"
#include "engine/render/MeshDebugLines.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/OcclusionPattern.h"
#include "engine/render/ShadowCube.h"
#include "engine/render/d3d9/AmbientOcclusionD3D9.h"
#include "engine/render/d3d9/ParticlesD3D9.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RenderResourcesD3D9.h"
#include "engine/render/d3d9/RenderableMeshD3D9.h"
#include "engine/render/d3d9/RenderableShaderD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

const char* const LightsFile = "shaders/d3d9/lights.hlsl";
const char* const FogFile = "shaders/d3d9/fog.hlsl";
const char* const PostFile = "shaders/d3d9/post.hlsl";

std::unique_ptr<ShaderD3D9> vertexProgram(d3d::Device& device, const char* file, const char* entry) {
    return ShaderD3D9::createVertexShader(device, {file, entry, {}, true, {}});
}

std::unique_ptr<ShaderD3D9> pixelProgram(d3d::Device& device, const char* file, const char* entry) {
    return ShaderD3D9::createPixelShader(device, {file, entry, {}, true, {}});
}

std::unique_ptr<d3d::Texture2D> sceneBuffer(int width, int height, D3DFORMAT format) {
    return std::make_unique<d3d::Texture2D>(width, height, 1, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
}

// The light's direction (its node's +Z) in the camera's view space.
Vec3 viewDirection(Camera& camera, LightEntity& light) {
    return normalize(light.node()->worldRotation().row[2] * camera.worldInverse().rot);
}

// Spot cones up to this full angle are drawn as cone volumes; wider ones
// (about 172 degrees and up) fall back to the sphere, as on OpenGL.
constexpr float MaxConeAngle = 3.0f;

constexpr float FaceFieldOfView = 1.5707964f;
constexpr float FaceNear = 0.1f;
// Shadow cubes come in the sizes 2^4 = 16 to 2^9 = 512.
constexpr int MinCubeLog2 = 4;
constexpr int MaxCubeLog2 = 9;

// The smallest cube at least as large as asked for, or the largest.
int cubeLog2ForSize(int size) {
    for (int log2 = MinCubeLog2; log2 <= MaxCubeLog2; ++log2)
        if ((1 << log2) >= size)
            return log2;
    return MaxCubeLog2;
}

void setMat3(RenderContextD3D9& context, const char* name, const Mat3& matrix) {
    for (ShaderD3D9* program : {context.vertexShader(), context.pixelShader()})
        if (program)
            if (const ConstantTableD3D9::Constant* constant = program->find(name))
                program->constants().setMatrix(*constant, matrix);
}

void setVec(RenderContextD3D9& context, const char* name, std::initializer_list<float> values) {
    context.setConstant(name, values.begin(), int(values.size()));
}

d3d::SamplerDesc nearestClamp(const d3d::BaseTexture& texture) {
    return {&texture, d3d::SamplerDesc::Nearest, d3d::SamplerDesc::Clamp, false};
}

// Direct3D 9 samples pixels at their corners where the other renderer samples
// their centres: half a pixel left and up in clip space puts every triangle's
// edges on the same pixels on both.
Mat4 halfPixelShift(const Viewport& viewport) {
    Mat4 shift;
    shift.m[3][0] = -1.0f / float(std::max(viewport.width, 1));
    shift.m[3][1] = 1.0f / float(std::max(viewport.height, 1));
    return shift;
}

// Bones move the mesh when it has bone data and its entity a skeleton with
// bones; a skeleton without any leaves it in its bind pose, as on OpenGL.
bool drawsSkinned(const MeshEntity& entity, const RenderableMeshD3D9& mesh) {
    return mesh.isSkinned() && entity.skeleton() && !entity.skeleton()->bones().empty();
}

const d3d::BaseTexture* textureOf(const RenderableTexture* texture) {
    auto* d3dTexture = dynamic_cast<const RenderableTextureD3D9*>(texture);
    return d3dTexture ? d3dTexture->texture() : nullptr;
}

} // namespace

struct DeferredPipelineD3D9::Programs {
    std::unique_ptr<ShaderD3D9> ambientVs, ambientPs;
    std::unique_ptr<ShaderD3D9> pointVs, pointPs, pointShadowPs;
    std::unique_ptr<ShaderD3D9> cubeBlurVs, cubeBlurPs;
    std::unique_ptr<ShaderD3D9> spotVs, spotPs, spotShadowPs;
    std::unique_ptr<ShaderD3D9> blurVs, blurPs;
    std::unique_ptr<ShaderD3D9> dirVs, dirPs, dirShadowPs;
    std::unique_ptr<ShaderD3D9> stencilVs, stencilPs;
    std::unique_ptr<ShaderD3D9> fogVs, fogPs;
    std::unique_ptr<ShaderD3D9> tonemapVs, tonemapPs;
    std::unique_ptr<ShaderD3D9> fxaaVs, fxaaPs;
    std::unique_ptr<ShaderD3D9> viewVs, viewPs;
};

DeferredPipelineD3D9::DeferredPipelineD3D9(RenderContextD3D9& context, RenderResourcesD3D9& resources, int width,
                                           int height)
    : m_context(context), m_resources(resources), m_programs(std::make_unique<Programs>()) {
    d3d::Device& device = context.device();
    Programs& p = *m_programs;
    p.ambientVs = vertexProgram(device, LightsFile, "ambientlight_vs");
    p.ambientPs = pixelProgram(device, LightsFile, "ambientlight_ps");
    p.pointVs = vertexProgram(device, LightsFile, "pointlight_vs");
    p.pointPs = pixelProgram(device, LightsFile, "pointlight_ps");
    p.pointShadowPs = pixelProgram(device, LightsFile, "pointlight_shadow_ps");
    p.cubeBlurVs = vertexProgram(device, "shaders/d3d9/blur_cube_map.hlsl", "blur_vs");
    p.cubeBlurPs = pixelProgram(device, "shaders/d3d9/blur_cube_map.hlsl", "blur_ps");
    p.spotVs = vertexProgram(device, LightsFile, "spotlight_vs");
    p.spotPs = pixelProgram(device, LightsFile, "spotlight_ps");
    p.spotShadowPs = pixelProgram(device, LightsFile, "spotlight_shadow_ps");
    p.blurVs = vertexProgram(device, PostFile, "blur_vs");
    p.blurPs = pixelProgram(device, PostFile, "blur_ps");
    p.dirVs = vertexProgram(device, LightsFile, "dirlight_vs");
    p.dirPs = pixelProgram(device, LightsFile, "dirlight_ps");
    p.dirShadowPs = pixelProgram(device, LightsFile, "dirlight_shadow_ps");
    p.stencilVs = vertexProgram(device, LightsFile, "stencil_vs");
    p.stencilPs = pixelProgram(device, LightsFile, "stencil_ps");
    p.fogVs = vertexProgram(device, FogFile, "fog_vs");
    p.fogPs = pixelProgram(device, FogFile, "fog_ps");
    p.tonemapVs = vertexProgram(device, PostFile, "tonemap_vs");
    p.tonemapPs = pixelProgram(device, PostFile, "tonemap_ps");
    p.fxaaVs = vertexProgram(device, PostFile, "fxaa_vs");
    p.fxaaPs = pixelProgram(device, PostFile, "fxaa_ps");
    p.viewVs = vertexProgram(device, PostFile, "view_vs");
    p.viewPs = pixelProgram(device, PostFile, "view_ps");
    m_surfaceShader = std::make_unique<RenderableShaderD3D9>(device);
    m_surfaceShader->loadSurfaceShader("", "", "", "", "");
    m_particles = std::make_unique<ParticlesD3D9>(context);
    // The tone mapper reads light above 1 (highlights, several lights on
    // one surface): a buffer that clamped at 1 would flatten them first.
    m_finalFormat = D3DFMT_A16B16G16R16F;
    resize(width, height);

    m_shadowFormat = D3DFMT_UNKNOWN;
    for (D3DFORMAT format : {D3DFMT_G16R16, D3DFMT_G16R16F, D3DFMT_A16B16G16R16F}) {
        if (SUCCEEDED(d3d::Direct3D::instance()->get()->CheckDeviceFormat(
                D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, format))) {
            m_shadowFormat = format;
            break;
        }
    }
    if (m_shadowFormat == D3DFMT_UNKNOWN)
        throw core::Exception("No suitable render target format was found (G16R16, G16R16F, A16B16G16R16F)");
    m_shadowMap = sceneBuffer(ShadowMapSize, ShadowMapSize, m_shadowFormat);
    m_shadowBlurMap = sceneBuffer(ShadowMapSize, ShadowMapSize, m_shadowFormat);
    m_shadowDepth = std::make_unique<d3d::DepthBuffer>(ShadowMapSize, ShadowMapSize, D3DFMT_D24X8,
                                                       D3DMULTISAMPLE_NONE, true);
    m_spotCamera.reset(Camera::perspective(1.0f, 1, 0, 1));
    m_faceCamera.reset(Camera::perspective(FaceFieldOfView, 1, FaceNear, 1));
    m_rotationTile = AmbientOcclusionD3D9::createRotationTile();
}

DeferredPipelineD3D9::~DeferredPipelineD3D9() = default;

void DeferredPipelineD3D9::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    m_geometryBuffer.reset();
    m_glossinessBuffer.reset();
    m_lightBuffer.reset();
    m_finalBuffer.reset();
    m_geometryBuffer = sceneBuffer(width, height, D3DFMT_A16B16G16R16F);
    m_glossinessBuffer = sceneBuffer(width, height, D3DFMT_A16B16G16R16F);
    m_lightBuffer = sceneBuffer(width, height, D3DFMT_A16B16G16R16F);
    m_finalBuffer = sceneBuffer(width, height, m_finalFormat);
    m_width = width;
    m_height = height;
}

void DeferredPipelineD3D9::copySettings(const Renderer& renderer, d3d::DepthBuffer* depthStencil) {
    m_depthStencil = depthStencil;
    m_settings = frameSettingsOf(renderer);
}

void DeferredPipelineD3D9::gather(Scene& scene, Camera& camera) {
    gatherEntities(m_visitor, scene, camera);
}

void DeferredPipelineD3D9::applyViewport() {
    const Viewport& v = m_settings.viewport;
    m_context.setViewport(v.x, v.y, v.width, v.height);
}

void DeferredPipelineD3D9::setMeshFill() {
    m_context.device().setRenderState(D3DRS_FILLMODE, m_settings.wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
}

// Full-screen passes: no depth, no blending, no stencil, every channel, filled.
void DeferredPipelineD3D9::fullScreenState() {
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_TWOSIDEDSTENCILMODE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
}

void DeferredPipelineD3D9::geometryPass(Camera& camera) {
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_geometryBuffer);
    device.setRenderTarget(1, *m_glossinessBuffer);
    device.setDepthBuffer(m_depthStencil);
    applyViewport();
    const unsigned char zero[4] = {0, 0, 0, 0};
    device.clear(zero, d3d::Device::ClearTarget | d3d::Device::ClearDepth | d3d::Device::ClearStencil);
    device.setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.setRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device.setRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    setMeshFill();
    for (MeshEntity* entity : m_visitor.meshes) {
        drawMeshEntity(camera, *entity, GeometryPass);
        if (entity->hasFlag(MeshEntity::DrawTangents) || entity->hasFlag(MeshEntity::DrawNormals))
            queueDebugLines(*entity);
    }
    device.setRenderTarget(1, static_cast<IDirect3DSurface9*>(nullptr));
    device.setRenderState(D3DRS_DEPTHBIAS, 0);
}

// Read back from the vertex buffer: the mesh keeps no copy of its vertices.
void DeferredPipelineD3D9::queueDebugLines(MeshEntity& entity) {
    auto* mesh = dynamic_cast<RenderableMeshD3D9*>(entity.mesh());
    if (!mesh || !entity.node() || mesh->vertexCount() <= 0 || !mesh->declaration() || !mesh->vertexBuffer())
        return;
    DebugVertexLayout layout{mesh->stride(), 0, -1, -1, -1};
    const d3d::VertexDeclaration& declaration = *mesh->declaration();
    for (int i = 0; i < declaration.elementCount(); ++i) {
        const D3DVERTEXELEMENT9& element = declaration.element(i);
        if (element.Stream != 0 || element.UsageIndex != 0)
            continue;
        if (element.Usage == D3DDECLUSAGE_POSITION)
            layout.position = element.Offset;
        else if (element.Usage == D3DDECLUSAGE_NORMAL)
            layout.normal = element.Offset;
        else if (element.Usage == D3DDECLUSAGE_TANGENT)
            layout.tangent = element.Offset;
        else if (element.Usage == D3DDECLUSAGE_BINORMAL)
            layout.bitangent = element.Offset;
    }
    const void* vertices = mesh->vertexBuffer()->lock();
    queueMeshDebugLines(static_cast<const uint8_t*>(vertices), mesh->vertexCount(), layout,
                        entity.node()->worldTransform(), entity.hasFlag(MeshEntity::DrawTangents));
    mesh->vertexBuffer()->unlock();
}

void DeferredPipelineD3D9::setLightTargets() {
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_lightBuffer);
    device.setDepthBuffer(m_depthStencil);
    applyViewport();
}

void DeferredPipelineD3D9::lightPass(Camera& camera) {
    setLightTargets();
    const unsigned char zero[4] = {0, 0, 0, 0};
    m_context.device().clear(zero, d3d::Device::ClearTarget);
    for (LightEntity* light : m_visitor.lights) {
        if (!lightReaches(*light))
            continue;
        switch (light->lightType()) {
        case LightEntity::Ambient:
            ambientLight(*light);
            break;
        case LightEntity::Directional:
            if (light->castShadow() && m_settings.renderShadows && light->node() &&
                std::min(light->maxShadowDistance(), camera.farDistance()) > camera.nearDistance()) {
                forEachCascade(camera, *light,
                               [&](const CascadeSlice& slice) { directionalCascade(camera, *light, slice); });
            } else {
                directionalLight(camera, *light);
            }
            break;
        case LightEntity::Point: {
            const d3d::TextureCube* cube = nullptr;
            if (light->castShadow() && m_settings.renderShadows) {
                cube = pointShadow(*light);
                setLightTargets();
            }
            pointLight(camera, *light, cube);
            break;
        }
        case LightEntity::Spot: {
            d3d::Texture2D* shadow = nullptr;
            if (light->castShadow() && m_settings.renderShadows && light->spotAngle() > 0 &&
                light->spotAngle() < MaxConeAngle) {
                renderSpotShadow(*light);
                setLightTargets();
                shadow = m_shadowMap.get();
            }
            spotLight(camera, *light, shadow);
            break;
        }
        }
    }
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
}

void DeferredPipelineD3D9::setSurfaceInputs(Camera& camera) {
    m_context.setSampler("g_geometryBuffer", nearestClamp(*m_geometryBuffer));
    m_context.setSampler("g_glossinessBuffer", nearestClamp(*m_glossinessBuffer));
    setVec(m_context, "g_invScreenSize", {1.0f / float(m_width), 1.0f / float(m_height)});
    setVec(m_context, "g_invNear", {1.0f / camera.nearDistance()});
    m_context.setConstant("g_invProjectionMatrix", camera.inverseProjection());
}

void DeferredPipelineD3D9::drawLightQuad(bool stencilled) {
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device.setRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_TWOSIDEDSTENCILMODE, FALSE);
    if (stencilled) {
        // Each lit pixel goes back to 0 for the next light.
        device.setRenderState(D3DRS_STENCILENABLE, TRUE);
        device.setRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
        device.setRenderState(D3DRS_STENCILREF, 1);
        device.setRenderState(D3DRS_STENCILMASK, 0xFF);
        device.setRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_ZERO);
        device.setRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        device.setRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    } else {
        device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    }
    m_context.uploadConstants();
    m_context.drawFullScreenQuad();
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
}

void DeferredPipelineD3D9::ambientLight(LightEntity& light) {
    m_context.bindShaders(m_programs->ambientVs.get(), m_programs->ambientPs.get());
    const Vec3& c = light.lightColor();
    setVec(m_context, "g_lightColor", {c.x, c.y, c.z});
    drawLightQuad(false);
}

void DeferredPipelineD3D9::directionalLight(Camera& camera, LightEntity& light) {
    m_context.bindShaders(m_programs->dirVs.get(), m_programs->dirPs.get());
    setSurfaceInputs(camera);
    Vec3 d = viewDirection(camera, light);
    const Vec3& c = light.lightColor();
    setVec(m_context, "g_lightDirection", {d.x, d.y, d.z});
    setVec(m_context, "g_lightColor", {c.x, c.y, c.z});
    drawLightQuad(false);
}

void DeferredPipelineD3D9::directionalCascade(Camera& camera, LightEntity& light, const CascadeSlice& slice) {
    Scene* scene = light.node()->scene();
    m_casters.clear();
    if (scene)
        scene->queryFrustum(slice.casterPlanes.data(), slice.casterPlaneCount, m_casters);
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_shadowMap);
    device.setDepthBuffer(m_shadowDepth.get());
    m_context.setViewport(0, 0, m_shadowMap->width(), m_shadowMap->height());
    beginCasterPass();
    drawCasters(slice.shadowMatrix, slice.shadowMatrix, 1, false, true);

    setLightTargets();
    m_context.bindShaders(m_programs->dirVs.get(), m_programs->dirShadowPs.get());
    setSurfaceInputs(camera);
    Vec3 d = viewDirection(camera, light);
    const Vec3& c = light.lightColor();
    setVec(m_context, "g_lightDirection", {d.x, d.y, d.z});
    setVec(m_context, "g_lightColor", {c.x, c.y, c.z});
    // The filter softens by its own taps and reads texels whole.
    m_context.setSampler("g_shadowMap", nearestClamp(*m_shadowMap));
    m_context.setSampler("g_rotTex", {m_rotationTile.get(), d3d::SamplerDesc::Nearest, d3d::SamplerDesc::Wrap, false});
    const std::array<float, OcclusionKernelSize * 2>& disc = shadowSampleDisc();
    float samples[OcclusionKernelSize * 4] = {};
    for (int k = 0; k < OcclusionKernelSize; ++k) {
        samples[4 * k] = disc[size_t(2 * k)];
        samples[4 * k + 1] = disc[size_t(2 * k + 1)];
    }
    m_context.setConstant("g_samples", samples, OcclusionKernelSize * 4);
    m_context.setConstant("g_shadowProjMatrix",
                          Mat4::fromMat4x3(camera.worldTransform()) * slice.shadowMatrix *
                              shadowTextureMatrixRowsDown(m_shadowMap->width(), m_shadowMap->height()));
    setVec(m_context, "g_invShadowMapSize", {1.0f / float(m_shadowMap->width())});
    // Surfaces read the map a little off themselves along their normal, by
    // more where texels are coarser, so that a surface at a grazing angle to
    // the light does not shadow itself in stripes.
    setVec(m_context, "g_normalOffset", {1.5f * slice.texelSize});
    Vec2 fade = shadowFade(camera.farDistance(), light.maxShadowDistance());
    setVec(m_context, "g_shadowFade", {fade.x, fade.y});
    // Each pixel is lit by exactly one cascade: the one whose view depths hold
    // it. The last also lights what lies past the shadow distance, where the
    // shadow has faded out: the sun does not stop there.
    bool last = slice.index == CascadeCount - 1;
    setVec(m_context, "g_cascadeRange", {slice.index == 0 ? 0.0f : slice.nearSplit, last ? FLT_MAX : slice.farSplit});
    drawLightQuad(false);
}

bool DeferredPipelineD3D9::scissorToSphere(Camera& camera, const Vec3& viewCenter, float radius) {
    const Viewport& v = m_settings.viewport;
    ScissorRect rect = lightScissorRect(viewCenter, radius, camera.inverseProjection(), v.width, v.height);
    if (rect.empty())
        return false;
    d3d::Device& device = m_context.device();
    if (rect.coversViewport()) {
        device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    } else {
        device.setScissorRect(v.x + rect.left, v.y + v.height - rect.top, v.x + rect.right,
                              v.y + v.height - rect.bottom);
        device.setRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    }
    return true;
}

// Surfaces inside the volume see its front in front of them and its back
// behind them: only the back fails the depth test there, leaving 1.
void DeferredPipelineD3D9::stencilVolume(Camera& camera, const Mat4x3& model, const RenderableMeshD3D9& volume) {
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device.setRenderState(D3DRS_STENCILENABLE, TRUE);
    device.setRenderState(D3DRS_TWOSIDEDSTENCILMODE, TRUE);
    device.setRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device.setRenderState(D3DRS_STENCILREF, 0);
    device.setRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    device.setRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    device.setRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_DECR);
    device.setRenderState(D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS);
    device.setRenderState(D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP);
    device.setRenderState(D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP);
    device.setRenderState(D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_INCR);
    m_context.bindShaders(m_programs->stencilVs.get(), m_programs->stencilPs.get());
    m_context.setConstant("g_viewProjMatrix",
                          Mat4::fromMat4x3(model) * camera.viewProjection() * halfPixelShift(m_settings.viewport));
    m_context.uploadConstants();
    m_context.drawMesh(volume);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_TWOSIDEDSTENCILMODE, FALSE);
}

d3d::TextureCube& DeferredPipelineD3D9::shadowCube(int list, int log2) {
    std::unique_ptr<d3d::TextureCube>& cube = m_shadowCubes[list][log2];
    if (!cube)
        cube = std::make_unique<d3d::TextureCube>(1 << log2, 1, m_shadowFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    return *cube;
}

const d3d::TextureCube* DeferredPipelineD3D9::pointShadow(LightEntity& light) {
    // A script may store any texture as the static map; only a cube can be one.
    auto* stored = dynamic_cast<RenderableTextureD3D9*>(light.staticShadowMap());
    if (auto* cube = stored ? dynamic_cast<const d3d::TextureCube*>(stored->texture()) : nullptr)
        return cube;
    int log2 = cubeLog2ForSize(light.shadowMapSize());
    d3d::TextureCube& primary = shadowCube(0, log2);
    if (m_settings.shadowQuality < 1) {
        renderPointShadow(light, primary, false);
    } else {
        d3d::TextureCube& secondary = shadowCube(1, log2);
        renderPointShadow(light, secondary, false);
        blurCube(secondary, primary, 0.05235988f);
    }
    return &primary;
}

void DeferredPipelineD3D9::beginCasterPass() {
    d3d::Device& device = m_context.device();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.setRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device.setRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    device.setRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device.setRenderState(D3DRS_DEPTHBIAS, 0);
    // White is the farthest depth a shadow map holds.
    const unsigned char white[4] = {255, 255, 255, 255};
    device.clear(white, d3d::Device::ClearTarget | d3d::Device::ClearDepth);
}

void DeferredPipelineD3D9::renderPointShadow(LightEntity& light, d3d::TextureCube& cube, bool staticOnly) {
    Node* node = light.node();
    Scene* scene = node ? node->scene() : nullptr;
    Vec3 position = node ? node->worldPosition() : Vec3{};
    float range = light.lightRange();
    d3d::Device& device = m_context.device();
    Mat4 projection = Mat4::perspective(FaceFieldOfView, 1, FaceNear, range);
    m_faceCamera->setProjection(projection);
    for (int face = 0; face < 6; ++face) {
        device.setRenderTarget(0, cube, D3DCUBEMAP_FACES(face));
        device.setDepthBuffer(m_shadowDepth.get());
        m_context.setViewport(0, 0, cube.edge(), cube.edge());
        beginCasterPass();
        if (!scene)
            continue;
        Mat4x3 faceWorld{shadowCubeFaceRotation(face), position};
        Mat4 faceView = Mat4::fromMat4x3(rigidInverse(faceWorld));
        m_faceCamera->setTransform(faceWorld);
        m_casters.clear();
        scene->queryFrustum(m_faceCamera->planes(), Camera::PlaneCount, m_casters);
        drawCasters(faceView, faceView * projection, 1 / range, staticOnly);
    }
}

void DeferredPipelineD3D9::blurCube(const d3d::TextureCube& source, d3d::TextureCube& destination, float coneAngle) {
    d3d::Device& device = m_context.device();
    fullScreenState();
    m_context.bindShaders(m_programs->cubeBlurVs.get(), m_programs->cubeBlurPs.get());
    m_context.setSampler("g_tex", {&source, d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
    auto directions = cubeBlurSamples(coneAngle);
    float samples[CubeBlurSampleCount * 4] = {};
    for (int i = 0; i < CubeBlurSampleCount; ++i) {
        samples[4 * i] = directions[size_t(i)].x;
        samples[4 * i + 1] = directions[size_t(i)].y;
        samples[4 * i + 2] = directions[size_t(i)].z;
    }
    m_context.setConstant("g_samples", samples, CubeBlurSampleCount * 4);
    setVec(m_context, "g_faceSize", {float(source.edge())});
    for (int face = 0; face < 6; ++face) {
        device.setRenderTarget(0, destination, D3DCUBEMAP_FACES(face));
        device.setDepthBuffer(m_shadowDepth.get());
        m_context.setViewport(0, 0, destination.edge(), destination.edge());
        // Its rows one register each, as the program multiplies them.
        Mat3 rotation = cubeBlurFaceMatrix(face);
        float rows[12] = {};
        for (int r = 0; r < 3; ++r) {
            rows[4 * r] = rotation.row[r].x;
            rows[4 * r + 1] = rotation.row[r].y;
            rows[4 * r + 2] = rotation.row[r].z;
        }
        m_context.setConstant("g_faceRot", rows, 12);
        m_context.uploadConstants();
        m_context.drawFullScreenQuad();
    }
}

RenderableTexture* DeferredPipelineD3D9::renderStaticShadowMap(LightEntity& light, int size, float blurAngleDegrees) {
    int bytesPerPixel = 0;
    switch (m_shadowFormat) {
    case D3DFMT_G16R16:
    case D3DFMT_G16R16F:
        bytesPerPixel = 4;
        break;
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
        bytesPerPixel = 8;
        break;
    default:
        throw core::Exception("Unknown shadow buffer format");
    }
    // Every face is drawn with the one shadow depth buffer.
    if (size < 1 || size > ShadowMapSize)
        throw core::Exception("Static shadow map size %d is outside 1 to %d", size, ShadowMapSize);

    IDirect3DDevice9* device = m_context.device().get();
    // Drawing needs a scene; a script may ask between frames.
    bool ownScene = SUCCEEDED(device->BeginScene());
    auto rendered = std::make_unique<d3d::TextureCube>(size, 1, m_shadowFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    auto blurred = std::make_unique<d3d::TextureCube>(size, 1, m_shadowFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    renderPointShadow(light, *rendered, true);
    blurCube(*rendered, *blurred, blurAngleDegrees * 3.14159265f / 180.0f);
    if (ownScene)
        device->EndScene();
    m_context.clearCaches();

    auto readBack = std::make_unique<d3d::Texture2D>(size, size, 1, m_shadowFormat, 0, D3DPOOL_SYSTEMMEM);
    auto kept = std::make_unique<d3d::TextureCube>(size, 1, m_shadowFormat, 0, D3DPOOL_MANAGED);
    for (int face = 0; face < 6; ++face) {
        IDirect3DSurface9* source = blurred->surface(D3DCUBEMAP_FACES(face), 0);
        IDirect3DSurface9* copy = readBack->surface(0);
        HRESULT hr = device->GetRenderTargetData(source, copy);
        source->Release();
        copy->Release();
        if (hr == D3DERR_DEVICELOST)
            return nullptr;
        if (FAILED(hr))
            throw d3d::Exception_D3DError("GetRenderTargetData() failed", hr);
        D3DLOCKED_RECT from = readBack->lock(0, D3DLOCK_READONLY);
        D3DLOCKED_RECT to = kept->lock(D3DCUBEMAP_FACES(face), 0);
        for (int row = 0; row < size; ++row)
            std::memcpy(static_cast<uint8_t*>(to.pBits) + size_t(row) * size_t(to.Pitch),
                        static_cast<const uint8_t*>(from.pBits) + size_t(row) * size_t(from.Pitch),
                        size_t(size) * size_t(bytesPerPixel));
        kept->unlock(D3DCUBEMAP_FACES(face), 0);
        readBack->unlock(0);
    }
    return new RenderableTextureD3D9(std::move(kept));
}

void DeferredPipelineD3D9::pointLight(Camera& camera, LightEntity& light, const d3d::TextureCube* shadowCube) {
    Vec3 world = light.node()->worldPosition();
    Vec3 center = camera.worldInverse().transformPoint(world);
    float range = light.lightRange();
    if (!scissorToSphere(camera, center, range))
        return;
    // Past the far plane the volume's back is clipped away and would mark nothing.
    bool stencilled = camera.farDistance() > center.z + range && m_resources.lightVolumeSphere;
    if (stencilled) {
        Mat4x3 volume{Mat3{{{range, 0, 0}, {0, range, 0}, {0, 0, range}}}, world};
        stencilVolume(camera, volume, *m_resources.lightVolumeSphere);
    }
    m_context.bindShaders(m_programs->pointVs.get(),
                          shadowCube ? m_programs->pointShadowPs.get() : m_programs->pointPs.get());
    setSurfaceInputs(camera);
    Vec3 d = viewDirection(camera, light);
    const Vec3& c = light.lightColor();
    setVec(m_context, "g_lightPosition", {center.x, center.y, center.z});
    setVec(m_context, "g_lightDirection", {d.x, d.y, d.z});
    setVec(m_context, "g_lightColor", {c.x, c.y, c.z});
    setVec(m_context, "g_invLightRange", {range > 0 ? 1 / range : 0.0f});
    if (shadowCube) {
        m_context.setSampler("g_shadowCubeMap", {shadowCube, d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
        // View space to light-relative world space, in units of the range.
        Mat4x3 fromView = camera.worldTransform();
        fromView.pos = fromView.pos - world;
        m_context.setConstant("g_shadowProjMatrix", Mat4::fromMat4x3(fromView) * (range > 0 ? 1 / range : 0.0f));
    }
    drawLightQuad(stencilled);
}

void DeferredPipelineD3D9::renderSpotShadow(LightEntity& light) {
    Node* node = light.node();
    Scene* scene = node ? node->scene() : nullptr;
    m_casters.clear();
    if (scene) {
        // Casters anywhere in the cone, from the light itself outwards.
        m_spotCamera->setProjection(Mat4::perspective(light.spotAngle(), 1, 0, light.lightRange()));
        m_spotCamera->setTransform(node->worldTransform());
        scene->queryFrustum(m_spotCamera->planes(), Camera::PlaneCount, m_casters);
    }
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_shadowMap);
    device.setDepthBuffer(m_shadowDepth.get());
    m_context.setViewport(0, 0, m_shadowMap->width(), m_shadowMap->height());
    beginCasterPass();
    Mat4 view = node ? Mat4::fromMat4x3(node->worldInverse()) : Mat4{};
    drawCasters(view, view * spotShadowProjection(light), 1 / light.lightRange(), false);
    if (m_settings.shadowQuality > 0)
        blurShadowMap();
}

void DeferredPipelineD3D9::drawCasters(const Mat4& view, const Mat4& viewProj, float invRange, bool staticOnly,
                                       bool directional) {
    d3d::Device& device = m_context.device();
    for (MeshEntity* entity : m_casters.entities()) {
        if (staticOnly && !entity->hasFlag(MeshEntity::StaticShadow))
            continue;
        auto* mesh = dynamic_cast<RenderableMeshD3D9*>(entity->mesh());
        if (!mesh || !entity->node())
            continue;
        const bool skinned = drawsSkinned(*entity, *mesh);
        Mat4 world = Mat4::fromMat4x3(entity->node()->worldTransform());
        mesh->bind(m_context);
        for (size_t i = 0; i < mesh->segments().size(); ++i) {
            Material& m = segmentMaterial(*entity, i);
            if (!isOpaque(m))
                continue;
            RenderableShaderD3D9::Pass kind =
                directional ? RenderableShaderD3D9::DirectionalShadowPass : RenderableShaderD3D9::PointShadowPass;
            int vertexSlot = RenderableShaderD3D9::vertexSlot(kind, skinned, false);
            int pixelSlot = RenderableShaderD3D9::pixelSlot(kind, false, m.alphaTest, true);
            auto* shader = dynamic_cast<RenderableShaderD3D9*>(m.shader.get());
            if (!shader || !shader->slot(vertexSlot) || !shader->slot(pixelSlot))
                shader = m_surfaceShader.get();
            m_context.bindShaders(shader->slot(vertexSlot), shader->slot(pixelSlot));
            if (skinned)
                m_context.setSkinningMatrices(*entity, *mesh);
            m_context.setConstant("g_viewProjMatrix", world * viewProj);
            m_context.setConstant("g_viewMatrix", world * view);
            setVec(m_context, "g_invLightRange", {invRange});
            if (m.getParameterCount() > 0)
                m_context.applyMaterialParameters(m);
            m_context.uploadConstants();
            device.setRenderState(D3DRS_CULLMODE, m.doubleSided ? D3DCULL_NONE : D3DCULL_CCW);
            if (m.alphaTest) {
                const d3d::BaseTexture* diffuse = textureOf(m.diffuseMap.get());
                if (!diffuse && m_resources.whiteTexture)
                    diffuse = m_resources.whiteTexture->texture();
                int address = m.textureAddressMode == int32_t(TextureAddressMode::Clamp) ? d3d::SamplerDesc::Clamp
                                                                                         : d3d::SamplerDesc::Wrap;
                m_context.setSampler("g_diffuseMap", {diffuse, d3d::SamplerDesc::LinearMipNearest, address, false});
            }
            mesh->drawSegment(m_context, i);
            ++renderStats().shadowSegments;
        }
    }
}

void DeferredPipelineD3D9::blurShadowMap() {
    d3d::Device& device = m_context.device();
    fullScreenState();
    d3d::Texture2D* source = m_shadowMap.get();
    d3d::Texture2D* destination = m_shadowBlurMap.get();
    m_context.bindShaders(m_programs->blurVs.get(), m_programs->blurPs.get());
    for (int pass = 0; pass < 2; ++pass) {
        device.setRenderTarget(0, *destination);
        // Direct3D refuses a depth buffer smaller than the target, even with depth off.
        device.setDepthBuffer(m_shadowDepth.get());
        m_context.setViewport(0, 0, destination->width(), destination->height());
        // The taps fall on texel centres: nearest reads give the same values
        // and cost a software rasteriser far less than filtered ones.
        m_context.setSampler("g_tex", nearestClamp(*source));
        setVec(m_context, "g_invTexRes", {1.0f / float(source->width()), 1.0f / float(source->height())});
        // Seven taps of weight 1/7, one texel apart: across, then down.
        float samples[7 * 4] = {};
        for (int k = -3; k <= 3; ++k) {
            float* tap = &samples[(k + 3) * 4];
            tap[0] = pass == 0 ? float(k) / float(source->width()) : 0.0f;
            tap[1] = pass == 0 ? 0.0f : float(k) / float(source->height());
            tap[2] = 1.0f / 7.0f;
        }
        m_context.setConstant("g_samples", samples, 7 * 4);
        m_context.uploadConstants();
        m_context.drawFullScreenQuad();
        std::swap(source, destination);
    }
}

void DeferredPipelineD3D9::spotLight(Camera& camera, LightEntity& light, d3d::Texture2D* shadowMap) {
    Vec3 world = light.node()->worldPosition();
    Vec3 center = camera.worldInverse().transformPoint(world);
    float range = light.lightRange();
    bool cone = light.spotAngle() > 0 && light.spotAngle() < MaxConeAngle && m_resources.spotLightVolume;
    if (cone) {
        stencilVolume(camera, spotVolumeTransform(light, light.node()->worldTransform()),
                      *m_resources.spotLightVolume);
    } else {
        if (!scissorToSphere(camera, center, range))
            return;
        if (m_resources.lightVolumeSphere && camera.farDistance() > center.z + range) {
            Mat4x3 volume{Mat3{{{range, 0, 0}, {0, range, 0}, {0, 0, range}}}, world};
            stencilVolume(camera, volume, *m_resources.lightVolumeSphere);
        } else {
            m_context.device().setRenderState(D3DRS_STENCILENABLE, FALSE);
        }
    }
    bool stencilled = cone || (m_resources.lightVolumeSphere && camera.farDistance() > center.z + range);
    float halfAngle = light.spotAngle() / 2;
    float sharpness = std::clamp(light.spotSharpness(), 0.0f, 1.0f);
    m_context.bindShaders(m_programs->spotVs.get(),
                          shadowMap ? m_programs->spotShadowPs.get() : m_programs->spotPs.get());
    setSurfaceInputs(camera);
    Vec3 d = viewDirection(camera, light);
    const Vec3& c = light.lightColor();
    setVec(m_context, "g_lightPosition", {center.x, center.y, center.z});
    setVec(m_context, "g_lightDirection", {d.x, d.y, d.z});
    setVec(m_context, "g_lightColor", {c.x, c.y, c.z});
    setVec(m_context, "g_invLightRange", {range > 0 ? 1 / range : 0.0f});
    setVec(m_context, "g_spotFalloff", {std::cos(halfAngle), std::cos(sharpness * halfAngle)});
    if (shadowMap) {
        m_context.setSampler("g_shadowMap", {shadowMap, d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
        m_context.setConstant("g_shadowProjMatrix",
                              Mat4::fromMat4x3(camera.worldTransform() * light.node()->worldInverse()) *
                                  spotShadowProjection(light) *
                                  shadowTextureMatrixRowsDown(shadowMap->width(), shadowMap->height()));
    }
    drawLightQuad(stencilled);
}

void DeferredPipelineD3D9::materialPass(Camera& camera) {
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_finalBuffer);
    device.setDepthBuffer(m_depthStencil);
    applyViewport();
    // Pixels without opaque geometry keep this colour through fog, the
    // transparent pass and tone mapping: the scene's background.
    const Color& c = m_settings.clearColor;
    const unsigned char rgba[4] = {c.r, c.g, c.b, c.a};
    device.clear(rgba, d3d::Device::ClearTarget);
    device.setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ZFUNC, D3DCMP_EQUAL);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    setMeshFill();
    if (m_settings.renderMeshes) {
        for (MeshEntity* entity : m_visitor.meshes)
            drawMeshEntity(camera, *entity, MaterialPass);
    }
    device.setRenderState(D3DRS_DEPTHBIAS, 0);
    device.setRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

void DeferredPipelineD3D9::fogPass(const Vec3& color, float nearDistance, float farDistance) {
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_finalBuffer);
    applyViewport();
    fullScreenState();
    device.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device.setRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    m_context.bindShaders(m_programs->fogVs.get(), m_programs->fogPs.get());
    m_context.setSampler("g_geometryBuffer", nearestClamp(*m_geometryBuffer));
    setVec(m_context, "g_invScreenSize", {1.0f / float(m_width), 1.0f / float(m_height)});
    setVec(m_context, "g_fogColor", {color.x, color.y, color.z});
    // Equal distances would divide by zero: the fog then starts at once.
    float span = std::max(farDistance - nearDistance, 1e-6f);
    setVec(m_context, "g_fogParams", {1.0f / span, -nearDistance / span});
    m_context.uploadConstants();
    m_context.drawFullScreenQuad();
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DeferredPipelineD3D9::transparentPass(Camera& camera) {
    d3d::Device& device = m_context.device();
    device.setRenderTarget(0, *m_finalBuffer);
    device.setDepthBuffer(m_depthStencil);
    applyViewport();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.setRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device.setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.setRenderState(D3DRS_STENCILENABLE, FALSE);
    setMeshFill();
    collectTransparent(m_visitor, camera, m_settings.renderMeshes, m_transparent);
    int filter = 3 + std::clamp(m_settings.textureFilter, 0, 2);
    // Particles fade where they meet the opaque surfaces drawn so far.
    const ParticlesD3D9::SceneDepth sceneDepth{m_geometryBuffer.get(), m_width, m_height};
    for (const auto& [entity, key] : m_transparent) {
        if (entity->entityType() == RenderEntity::MeshEntityType)
            drawMeshEntity(camera, *static_cast<MeshEntity*>(entity), TransparentPass);
        else
            m_particles->draw(camera, *static_cast<ParticleEntity*>(entity), m_resources.whiteTexture.get(),
                              m_settings.diffuseMapping, filter, sceneDepth, halfPixelShift(m_settings.viewport));
    }
    device.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.setRenderState(D3DRS_DEPTHBIAS, 0);
    device.setRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

// A target texture takes the whole picture, whatever its size; the window
// takes it pixel for pixel inside the viewport.
void DeferredPipelineD3D9::setOutputArea(const d3d::Texture2D* target) {
    if (target) {
        m_context.setViewport(0, 0, target->width(), target->height());
        setVec(m_context, "g_invTexRes", {1.0f / float(target->width()), 1.0f / float(target->height())});
        setVec(m_context, "g_rowOrder", {-1.0f, 1.0f});
    } else {
        applyViewport();
        setVec(m_context, "g_invTexRes", {1.0f / float(m_width), 1.0f / float(m_height)});
        setVec(m_context, "g_rowOrder", {1.0f, 0.0f});
    }
}

void DeferredPipelineD3D9::toneMap(const d3d::Texture2D* target) {
    fullScreenState();
    m_context.bindShaders(m_programs->tonemapVs.get(), m_programs->tonemapPs.get());
    m_context.setSampler("g_tex", nearestClamp(*m_finalBuffer));
    setOutputArea(target);
    m_context.uploadConstants();
    m_context.drawFullScreenQuad();
}

void DeferredPipelineD3D9::showBuffer(const d3d::Texture2D& buffer, float scale, bool greyFromRed) {
    m_context.setViewport(0, 0, buffer.width(), buffer.height());
    fullScreenState();
    m_context.bindShaders(m_programs->viewVs.get(), m_programs->viewPs.get());
    m_context.setSampler("g_tex", nearestClamp(buffer));
    setVec(m_context, "g_invTexRes", {1.0f / float(buffer.width()), 1.0f / float(buffer.height())});
    setVec(m_context, "g_scale", {scale});
    setVec(m_context, "g_greyFromRed", {greyFromRed ? 1.0f : 0.0f});
    m_context.uploadConstants();
    m_context.drawFullScreenQuad();
}

// FXAA's taps fall between texels: the source is read filtered.
void DeferredPipelineD3D9::fxaa(d3d::Texture2D& source, const d3d::Texture2D* target) {
    fullScreenState();
    m_context.bindShaders(m_programs->fxaaVs.get(), m_programs->fxaaPs.get());
    m_context.setSampler("g_tex", {&source, d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
    setOutputArea(target);
    m_context.uploadConstants();
    m_context.drawFullScreenQuad();
}

void DeferredPipelineD3D9::drawMeshEntity(Camera& camera, MeshEntity& entity, PassKind pass) {
    auto* mesh = dynamic_cast<RenderableMeshD3D9*>(entity.mesh());
    if (!mesh || !entity.node() || !m_settings.renderMeshes)
        return;
    d3d::Device& device = m_context.device();
    size_t segments = mesh->segments().size();
    bool normalMapped = false;
    if (mesh->hasNormalMap()) {
        for (size_t i = 0; i < segments && !normalMapped; ++i)
            normalMapped = segmentMaterial(entity, i).normalMap.get() != nullptr;
    }
    const bool skinned = drawsSkinned(entity, *mesh);

    mesh->bind(m_context);
    const Mat4x3& worldTransform = entity.node()->worldTransform();
    const Mat4 world = Mat4::fromMat4x3(worldTransform);
    const Mat4x3& view = camera.worldInverse();
    const Mat4 viewProj = world * camera.viewProjection() * halfPixelShift(m_settings.viewport);
    const Mat4 worldView = world * Mat4::fromMat4x3(view);
    Mat3 normalMatrix = worldTransform.rot * view.rot;
    for (Vec3& row : normalMatrix.row)
        row = normalize(row);
    const Vec3& emissive = entity.emissiveColor();
    int filter = 3 + std::clamp(m_settings.textureFilter, 0, 2);

    for (size_t i = 0; i < segments; ++i) {
        Material& m = segmentMaterial(entity, i);
        bool opaque = isOpaque(m);
        if ((pass != TransparentPass && !opaque) || (pass == TransparentPass && opaque))
            continue;
        RenderableShaderD3D9::Pass kind = pass == GeometryPass  ? RenderableShaderD3D9::GeometryPass
                                          : pass == MaterialPass ? RenderableShaderD3D9::MaterialPass
                                                                 : RenderableShaderD3D9::TransparentPass;
        auto* shader = dynamic_cast<RenderableShaderD3D9*>(m.shader.get());
        int vertexSlot = RenderableShaderD3D9::vertexSlot(kind, skinned, normalMapped);
        int pixelSlot = RenderableShaderD3D9::pixelSlot(kind, normalMapped, m.alphaTest, m.lighting);
        // A material whose shader lacks the programs (a post-process shader) draws with the standard one.
        if (!shader || !shader->slot(vertexSlot) || !shader->slot(pixelSlot))
            shader = m_surfaceShader.get();
        m_context.bindShaders(shader->slot(vertexSlot), shader->slot(pixelSlot));
        if (skinned)
            m_context.setSkinningMatrices(entity, *mesh);
        m_context.setConstant("g_viewProjMatrix", viewProj);
        m_context.setConstant("g_viewMatrix", worldView);
        m_context.setConstant("g_worldMatrix", world);
        setMat3(m_context, "g_normalMatrix", normalMatrix);
        m_context.setSampler("g_lightBuffer", nearestClamp(*m_lightBuffer));
        setVec(m_context, "g_invScreenSize", {1.0f / float(m_lightBuffer->width()), 1.0f / float(m_lightBuffer->height())});
        setVec(m_context, "g_emissiveColor", {emissive.x, emissive.y, emissive.z});
        setVec(m_context, "g_glossiness", {m.glossiness});
        if (m.getParameterCount() > 0)
            m_context.applyMaterialParameters(m);
        m_context.uploadConstants();

        switch (blendModeOf(m)) {
        case BlendMode::Additive:
            device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
            break;
        case BlendMode::Modulative:
            device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
            device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
            break;
        case BlendMode::Translucent:
            device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            break;
        case BlendMode::AdditiveAlpha:
            device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
            break;
        default:
            device.setRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            device.setRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
            break;
        }
        device.setRenderState(D3DRS_CULLMODE, m.doubleSided ? D3DCULL_NONE : D3DCULL_CCW);
        // Direct3D takes the bias, an offset in the 0..1 depth range, as the float's bits.
        DWORD bias;
        std::memcpy(&bias, &m.depthBias, sizeof bias);
        device.setRenderState(D3DRS_DEPTHBIAS, bias);

        int address = m.textureAddressMode == int32_t(TextureAddressMode::Clamp) ? d3d::SamplerDesc::Clamp
                                                                                 : d3d::SamplerDesc::Wrap;
        auto mapOr = [](const RenderableTexture* map, bool use, RenderableTextureD3D9* fallback) {
            const d3d::BaseTexture* texture = use ? textureOf(map) : nullptr;
            return texture ? texture : (fallback ? fallback->texture() : nullptr);
        };
        RenderableTextureD3D9* white = m_resources.whiteTexture.get();
        RenderableTextureD3D9* flat = m_resources.flatNormalTexture.get();
        m_context.setSampler("g_diffuseMap", {mapOr(m.diffuseMap.get(), m_settings.diffuseMapping, white), filter,
                                              address, decodesSrgb(MaterialMap::Diffuse)});
        m_context.setSampler("g_specularMap", {mapOr(m.specularMap.get(), true, white), filter, address,
                                               decodesSrgb(MaterialMap::Specular)});
        m_context.setSampler("g_normalMap", {mapOr(m.normalMap.get(), m_settings.normalMapping, flat), filter,
                                             address, decodesSrgb(MaterialMap::Normal)});
        mesh->drawSegment(m_context, i);
        ++renderStats().drawSegments;
    }
}

} // namespace engine
