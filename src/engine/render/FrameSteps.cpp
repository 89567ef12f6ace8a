#include "engine/render/FrameSteps.h"

#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/RenderableMesh.h"
#include "engine/scene/Camera.h"

#include <algorithm>

namespace engine {

FrameSettings frameSettingsOf(const Renderer& renderer) {
    FrameSettings settings;
    settings.viewport = renderer.viewport();
    settings.clearColor = renderer.clearColor;
    settings.wireframe = renderer.wireframe;
    settings.diffuseMapping = renderer.diffuseMapping;
    settings.normalMapping = renderer.normalMapping;
    settings.textureFilter = renderer.textureFilter;
    settings.renderMeshes = renderer.renderMeshes;
    settings.renderShadows = renderer.renderShadows;
    settings.shadowQuality = renderer.shadowQuality;
    return settings;
}

Material& segmentMaterial(const MeshEntity& entity, size_t i) {
    const auto& materials = entity.materials();
    Material* material = i < materials.size() ? materials[i].get() : nullptr;
    return material ? *material : *defaultMaterial();
}

// A library may store any number as a blend mode; those outside the known
// modes draw as opaque rather than index past the blend table.
BlendMode blendModeOf(const Material& material) {
    int mode = material.blendMode;
    return mode >= int(BlendMode::Opaque) && mode <= int(BlendMode::AdditiveAlpha) ? BlendMode(mode)
                                                                                   : BlendMode::Opaque;
}

bool isOpaque(const Material& material) {
    return blendModeOf(material) == BlendMode::Opaque;
}

bool lightReaches(const LightEntity& light) {
    bool bounded = light.lightType() == LightEntity::Point || light.lightType() == LightEntity::Spot;
    return !bounded || light.lightRange() > 0;
}

void collectTransparent(const RenderVisitor& visitor, Camera& camera, bool withMeshes,
                        std::vector<std::pair<RenderEntity*, float>>& out) {
    const Mat4x3& view = camera.worldInverse();
    out.clear();
    auto viewDepth = [&](RenderEntity* entity) {
        return view.transformPoint(entity->node()->worldPosition()).z + entity->sortOffset();
    };
    if (withMeshes) {
        for (MeshEntity* entity : visitor.meshes) {
            if (!entity->mesh())
                continue;
            size_t segments = entity->mesh()->getMaterials().size();
            for (size_t i = 0; i < segments; ++i) {
                if (!isOpaque(segmentMaterial(*entity, i))) {
                    out.emplace_back(entity, viewDepth(entity));
                    break;
                }
            }
        }
    }
    for (RenderEntity* entity : visitor.particles)
        out.emplace_back(entity, viewDepth(entity));
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
}

} // namespace engine
