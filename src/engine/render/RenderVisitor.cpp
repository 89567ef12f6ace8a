#include "engine/render/RenderVisitor.h"

#include "core/Profiler.h"
#include "engine/draw/DebugDraw.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/Renderer.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

namespace engine {

RenderVisitor::RenderVisitor() {
    lights.reserve(1024);
}

void RenderVisitor::clear() {
    meshes.clear();
    lights.clear();
    particles.clear();
}

void RenderVisitor::visit(Node* node) {
    auto* entity = dynamic_cast<RenderEntity*>(node->component(Component::RenderEntityKind));
    if (!entity || entity->hidden())
        return;
    switch (entity->entityType()) {
    case RenderEntity::MeshEntityType: {
        auto* mesh = static_cast<MeshEntity*>(entity);
        if (mesh->mesh())
            meshes.push_back(mesh);
        break;
    }
    case RenderEntity::LightEntityType:
        lights.push_back(static_cast<LightEntity*>(entity));
        break;
    case RenderEntity::ParticleEntityType:
        if (static_cast<ParticleEntity*>(entity)->particleSystem())
            particles.push_back(entity);
        break;
    default:
        break;
    }
    if (entity->drawBoundBox() && !entity->unbounded())
        DebugDraw::drawBox(entity->getWorldBounds(), DebugDraw::White);
}

void gatherEntities(RenderVisitor& visitor, Scene& scene, Camera& camera) {
    core::ProfileScope profile("Gather entities");
    const Plane* planes = camera.planes();
    visitor.clear();
    scene.queryFrustum(planes, Camera::PlaneCount, visitor);
    RenderStats& stats = renderStats();
    stats.visibleMeshes = int(visitor.meshes.size());
    stats.visibleLights = int(visitor.lights.size());
    stats.visibleParticleEntities = int(visitor.particles.size());
}

} // namespace engine
