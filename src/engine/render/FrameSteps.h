#pragma once

// Steps of the deferred frame that both renderers take alike: the settings a
// scene is drawn with, which material a segment draws with, whether it is opaque, and the back-to-front order of
// the transparent pass.

#include "engine/assets/Material.h"
#include "engine/render/Renderer.h"

#include <utility>
#include <vector>

namespace engine {

// How a material's colour meets what is already drawn; the numbers are a material's blend mode.
enum class BlendMode { Opaque = 0, Additive = 1, Modulative = 2, Translucent = 3, AdditiveAlpha = 4 };

class Camera;
class MeshEntity;
class RenderEntity;
class RenderVisitor;

// What the renderer's settings say for one scene, copied before it is drawn.
struct FrameSettings {
    Viewport viewport;
    Color clearColor{0, 0, 0, 255};
    bool wireframe = false;
    bool diffuseMapping = true;
    bool normalMapping = true;
    bool renderMeshes = true;
    bool renderShadows = true;
    int textureFilter = 2;
    int shadowQuality = 1;
};
FrameSettings frameSettingsOf(const Renderer& renderer);

// Material i of the entity, or the default material past its list or for an empty entry.
Material& segmentMaterial(const MeshEntity& entity, size_t i);
// The material's blend mode; numbers outside the known modes count as opaque.
BlendMode blendModeOf(const Material& material);
bool isOpaque(const Material& material);

class LightEntity;
// Whether the light pass draws the light: a point or spot light of no size
// reaches nothing, and a negative range would turn its scissor and volume
// inside out.
bool lightReaches(const LightEntity& light);

// The entities the transparent pass draws, farthest first by view depth plus
// sort offset: mesh entities with a segment that is not opaque (when meshes
// are drawn at all) and every particle entity.
void collectTransparent(const RenderVisitor& visitor, Camera& camera, bool withMeshes,
                        std::vector<std::pair<RenderEntity*, float>>& out);

} // namespace engine
