#include "engine/physics/Physics.h"

#include "core/Exception.h"
#include "engine/physics/PhysicsNull.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace engine {

namespace {

PhysicsEngine* g_current = nullptr;

std::vector<CollisionMesh*>& collisionMeshes() {
    static std::vector<CollisionMesh*> meshes;
    return meshes;
}

} // namespace

PhysicsEngine* PhysicsEngine::current() {
    return g_current;
}

PhysicsEngine& PhysicsEngine::required() {
    if (!g_current)
        throw core::Exception("engine not initialized");
    return *g_current;
}

PhysicsEngine::PhysicsEngine() = default;

PhysicsEngine::~PhysicsEngine() {
    if (g_current == this)
        g_current = nullptr;
}

PhysicsEngine* createPhysicsEngine(PhysicsEngineKind kind) {
    if (kind != PhysicsEngineKind::Null)
        throw core::Exception("Invalid physics engine");
    g_current = new PhysicsEngineNull;
    return g_current;
}

CollisionMesh::CollisionMesh() {
    collisionMeshes().push_back(this);
}

CollisionMesh::~CollisionMesh() {
    auto& meshes = collisionMeshes();
    meshes.erase(std::remove(meshes.begin(), meshes.end(), this), meshes.end());
}

CollisionMesh* CollisionMesh::find(const std::string& name) {
    for (CollisionMesh* mesh : collisionMeshes()) {
        if (mesh->m_name == name)
            return mesh;
    }
    return nullptr;
}

CollisionMesh* CollisionMesh::loadByName(const std::string& name) {
    if (CollisionMesh* found = find(name))
        return found;
    PhysicsEngine& engine = PhysicsEngine::required();
    std::printf("Load collision mesh %s\n", name.c_str());
    std::fflush(stdout);
    CollisionMesh* mesh = engine.createCollisionMesh();
    try {
        mesh->load(name);
    } catch (...) {
        delete mesh;
        throw;
    }
    return mesh;
}

CollisionMesh* CollisionMesh::fromMesh(Mesh& mesh) {
    CollisionMesh* collision = PhysicsEngine::required().createCollisionMesh();
    collision->buildFromMesh(mesh, 0);
    return collision;
}

} // namespace engine
