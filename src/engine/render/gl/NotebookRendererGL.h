#pragma once

// The forward renderer of notebook mode, for machines that cannot afford the
// deferred frame: each mesh is shaded in one pass, straight into the bound
// frame buffer, by one per-pixel primary light and four vertex lights. No
// scene buffers, shadows, occlusion, fog or tone mapping.

#include "engine/render/Renderer.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/gl/ShaderProgramGL.h"

#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace engine {

class Camera;
class LightEntity;
class MeshEntity;
class ParticlesGL;
class RenderContextGL;
struct RenderResourcesGL;

class NotebookRendererGL {
public:
    static constexpr int VertexLightSlots = 6;
    // The vertex stage declares arrays of this many lights.
    static constexpr int ShaderVertexLights = 4;
    enum Pass { OpaquePass = 0, TransparentPass = 1 };

    static constexpr const char* VertexPath = "shaders/gl/NotebookRenderer.vsh";
    static constexpr const char* FragmentPath = "shaders/gl/NotebookRenderer.fsh";
    static constexpr const char* UnlitFragmentPath = "shaders/gl/NotebookRendererUnlit.fsh";

    // Compiles the six programs; throws core::Exception when a file fails.
    NotebookRendererGL(RenderContextGL& context, RenderResourcesGL& resources);
    ~NotebookRendererGL();
    NotebookRendererGL(const NotebookRendererGL&) = delete;
    NotebookRendererGL& operator=(const NotebookRendererGL&) = delete;

    // The whole scene into the bound frame buffer; render size for the viewport.
    void renderScene(const Renderer& renderer, Scene& scene, Camera& camera, int renderWidth, int renderHeight);

    void opaquePass(Camera& camera);
    void transparentPass(Camera& camera);
    void drawEntity(Camera& camera, MeshEntity& entity, const LightEntity* primary, Pass pass);

    // What the last opaque pass collected.
    const LightEntity* primaryLight() const { return m_primary; }
    const Vec3& vertexLightColor(int slot) const { return m_vertexLightColors[slot]; }
    const Vec3& vertexLightPosition(int slot) const { return m_vertexLightPositions[slot]; }
    float vertexLightInvRange(int slot) const { return m_vertexLightInvRanges[slot]; }

    // Program index: 4 when unlit, plus 2 when normal mapped, plus 1 when skinned.
    static int programIndex(bool unlit, bool normalMapped, bool skinned) {
        return 4 * unlit + 2 * normalMapped + skinned;
    }

private:
    void collectLights(Camera& camera);

    RenderContextGL& m_context;
    RenderResourcesGL& m_resources;
    bool m_diffuseMapping = true;
    bool m_normalMapping = true;
    std::unique_ptr<ParticlesGL> m_particles;
    std::array<std::unique_ptr<ShaderProgramGL>, 6> m_programs;
    std::array<Vec3, VertexLightSlots> m_vertexLightColors{};
    std::array<Vec3, VertexLightSlots> m_vertexLightPositions{};
    std::array<float, VertexLightSlots> m_vertexLightInvRanges{};
    const LightEntity* m_primary = nullptr;
    RenderVisitor m_visitor;
    std::vector<std::pair<RenderEntity*, float>> m_transparent;  // entity, sort key
};

} // namespace engine
