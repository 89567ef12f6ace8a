#pragma once

// The deferred frame of the OpenGL renderer: the visible entities, the
// geometry, glossiness, light and final buffers with their shared depth and
// stencil, and the passes that draw meshes into them. The light pass has its
// own class; post-processing belongs to the renderer.

#include "engine/render/FrameSteps.h"
#include "engine/render/Renderer.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/TextureGL.h"

#include <memory>
#include <utility>
#include <vector>

namespace engine {

class Camera;
class LightPassGL;
class ParticlesGL;
class Material;
class MeshEntity;
class RenderContextGL;
class RenderableMeshGL;
class RenderableShaderGL;
class RenderableTexture;
class RenderableTextureGL;
struct RenderResourcesGL;

// Whether the mesh can be drawn normal mapped: it has tangents and some
// segment's material has a normal map.
bool hasNormalMaps(const MeshEntity& entity, const RenderableMeshGL& mesh);

// The skinning matrices that move the entity's mesh into the entity's local
// space as its skeleton's nodes now stand, or null when it draws unskinned
// (no bone data, or no skeleton). Valid until the next call.
const std::vector<Mat4x3>* skinningBones(const MeshEntity& entity);

// How a pass reads a material map's bytes: as the texture's format says, or
// decoded from sRGB, or as stored whatever the format (TextureGL::readAs).
enum class MapRead { AsFormat, Decoded, AsStored };

// Binds a material's map to the sampler with the sampler state and address
// mode, or the fallback when the map is absent or not to be used.
void bindMaterialMap(RenderContextGL& context, const char* sampler, const RenderableTexture* map, bool use,
                     const RenderableTextureGL* fallback, int samplerState, int addressMode,
                     MapRead read = MapRead::AsFormat);

class DeferredPipelineGL {
public:
    enum PassKind { GeometryPass = 0, MaterialPass = 1, TransparentPass = 2 };

    using Settings = FrameSettings;

    // Makes the buffers for the render size and the light programs; throws
    // core::Exception when a shader file fails.
    DeferredPipelineGL(RenderContextGL& context, RenderResourcesGL& resources, int width, int height);
    ~DeferredPipelineGL();
    DeferredPipelineGL(const DeferredPipelineGL&) = delete;
    DeferredPipelineGL& operator=(const DeferredPipelineGL&) = delete;

    // Deletes and makes again the depth-stencil buffer and the four textures.
    void resize(int width, int height);
    void copySettings(const Renderer& renderer);

    void gather(Scene& scene, Camera& camera);
    void geometryPass(Camera& camera);
    void lightPass(Camera& camera);
    void materialPass(Camera& camera);
    void transparentPass(Camera& camera);
    void drawMeshEntity(Camera& camera, MeshEntity& entity, PassKind pass);

    // The scene's viewport (y from the top) as GL's, then the error check.
    void applyViewport();

    RenderContextGL& context() const { return m_context; }
    RenderResourcesGL& resources() const { return m_resources; }
    const Settings& settings() const { return m_settings; }
    const RenderVisitor& visitor() const { return m_visitor; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    const Texture2DGL& geometryBuffer() const { return *m_geometryBuffer; }
    const Texture2DGL& glossinessBuffer() const { return *m_glossinessBuffer; }
    const Texture2DGL& lightBuffer() const { return *m_lightBuffer; }
    const Texture2DGL& finalBuffer() const { return *m_finalBuffer; }
    const RenderBufferGL& depthStencilBuffer() const { return *m_depthStencil; }
    LightPassGL& lights() const { return *m_lights; }
    ParticlesGL& particles() const { return *m_particles; }

private:
    void setMeshFill();
    // The entity's tangent frames when it asks for them, else its normals.
    void queueDebugLines(MeshEntity& entity);
    void setDepthBias(float bias);

    RenderContextGL& m_context;
    RenderResourcesGL& m_resources;
    int m_width = 0;
    int m_height = 0;
    Settings m_settings;
    RenderVisitor m_visitor;
    std::unique_ptr<RenderBufferGL> m_depthStencil;
    std::unique_ptr<Texture2DGL> m_geometryBuffer;
    std::unique_ptr<Texture2DGL> m_glossinessBuffer;
    std::unique_ptr<Texture2DGL> m_lightBuffer;
    std::unique_ptr<Texture2DGL> m_finalBuffer;
    std::unique_ptr<LightPassGL> m_lights;
    std::unique_ptr<ParticlesGL> m_particles;
    std::vector<std::pair<RenderEntity*, float>> m_transparent;  // entity, sort key
};

} // namespace engine
