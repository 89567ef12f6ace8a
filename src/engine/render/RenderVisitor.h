#pragma once

// The render entities a camera sees, gathered from the scene's spatial
// structure once per rendered scene. The lists keep their storage from frame
// to frame.

#include "engine/scene/SpatialDS.h"

#include <vector>

namespace engine {

class Camera;
class LightEntity;
class MeshEntity;
class RenderEntity;
class Scene;

class RenderVisitor final : public NodeVisitor {
public:
    RenderVisitor();

    // Takes the node's render entity unless it is hidden: meshes with a
    // renderable mesh, lights, and particle entities. Queues the bounding box
    // of a bounded entity that asks for it.
    void visit(Node* node) override;

    // Empties the lists, keeping their storage.
    void clear();

    std::vector<MeshEntity*> meshes;
    std::vector<LightEntity*> lights;
    std::vector<RenderEntity*> particles;
};

// Fills the visitor with what the camera's frustum holds, in the order the
// scene reports it, and sets the visible counts of the frame statistics.
void gatherEntities(RenderVisitor& visitor, Scene& scene, Camera& camera);

} // namespace engine
