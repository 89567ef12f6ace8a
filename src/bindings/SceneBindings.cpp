// The script face of engine::Scene.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/NodeHandles.h"
#include "bindings/Registration.h"
#include "bindings/RenderEntityBindings.h"
#include "bindings/RenderableMeshBindings.h"
#include "engine/scene/Scene.h"

#include <cstring>
#include <vector>

QUILL_SCRIPT_CLASS(engine::Scene, "Scene")

namespace {

using engine::Node;
using engine::Scene;

Scene* self(lua_State* L) {
    return bind::check<Scene>(L, 1);
}

struct NodeList final : engine::NodeVisitor {
    std::vector<Node*> nodes;
    void visit(Node* node) override { nodes.push_back(node); }
};

void pushNodeArray(lua_State* L, const std::vector<Node*>& nodes) {
    lua_createtable(L, static_cast<int>(nodes.size()), 0);
    for (size_t i = 0; i < nodes.size(); ++i) {
        bind::pushNode(L, nodes[i]);
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
}

int createSimpleScene(lua_State* L) {
    bind::pushNew(L, Scene::createSimple());
    return 1;
}

int createQuadTreeScene(lua_State* L) {
    auto size = static_cast<float>(luaL_checknumber(L, 1));
    auto depth = static_cast<int>(luaL_checkinteger(L, 2));
    bind::pushNew(L, Scene::createQuadTree(size, depth));
    return 1;
}

int addNode(lua_State* L) {
    bind::pushNode(L, self(L)->addNode());
    return 1;
}

// Deepest first, children in order, then the node: the order their handles go.
void collectSubtree(const Scene* scene, Node* node, std::vector<Node*>& out) {
    for (Node* child = node->firstChild(); child; child = child->nextSibling()) {
        if (scene->contains(child))
            collectSubtree(scene, child, out);
    }
    out.push_back(node);
}

int removeNode(lua_State* L) {
    Scene* scene = self(L);
    Node* node = bind::check<Node>(L, 2);
    bool recursive = bind::optBoolean(L, 3, false);
    // Nodes of other owners (cameras, other scenes) are not this scene's to destroy.
    if (!scene->contains(node))
        return 0;
    std::vector<Node*> doomed;
    if (recursive)
        collectSubtree(scene, node, doomed);
    else
        doomed.push_back(node);
    for (Node* n : doomed)
        bind::disposeHandleOf(L, n);
    scene->removeNode(node, recursive);
    return 0;
}

int findNode(lua_State* L) {
    Scene* scene = self(L);
    bind::pushNode(L, scene->findNode(bind::checkString(L, 2)));
    return 1;
}

int query(lua_State* L) {
    Scene* scene = self(L);
    const char* type = luaL_checkstring(L, 2);
    NodeList found;
    if (strcmp(type, "all") == 0)
        scene->visitAll(found);
    else if (strcmp(type, "box") == 0)
        scene->queryBox(bind::readBox(L, 3), found);
    else if (strcmp(type, "sphere") == 0)
        scene->querySphere(bind::readSphere(L, 3), found);
    else if (strcmp(type, "ray") == 0)
        scene->queryRay(bind::readRay(L, 3), found);
    else
        luaL_argerror(L, 2, "invalid query type");
    pushNodeArray(L, found.nodes);
    return 1;
}

// A new node carrying a new mesh entity of the mesh.
int createMesh(lua_State* L) {
    Scene* scene = self(L);
    engine::RenderableMesh* renderable = bind::toRenderableMesh(L, 2);
    if (!renderable)
        luaL_typerror(L, 2, "RenderableMesh");
    Node* node = scene->addNode();
    node->setComponent(engine::Component::RenderEntityKind, new engine::MeshEntity(renderable));
    bind::pushNode(L, node);
    return 1;
}

// What createLight reads from its arguments before building the light.
struct LightSettings {
    int type = 0;
    engine::Vec3 color;
    engine::Vec3 position;
    engine::Vec3 direction;
    bool aim = false;
    float range = 0;
    float spotAngle = 0;
};

// A new node carrying a new light entity of the settings.
Node* buildLight(Scene* scene, const LightSettings& settings) {
    Node* node = scene->addNode();
    auto* light = new engine::LightEntity(static_cast<engine::LightEntity::LightType>(settings.type));
    light->setLightColor(settings.color);
    node->setComponent(engine::Component::RenderEntityKind, light);
    if (settings.aim)
        node->lookAt(settings.direction);
    if (settings.type == engine::LightEntity::Point)
        node->setPosition(settings.position);
    if (settings.type == engine::LightEntity::Point || settings.type == engine::LightEntity::Spot)
        light->setLightRange(settings.range);
    if (settings.type == engine::LightEntity::Spot)
        light->setSpotAngle(settings.spotAngle);
    return node;
}

int createLight(lua_State* L) {
    Scene* scene = self(L);
    LightSettings settings;
    settings.type = bind::checkEnum(L, 2, bind::LightTypes);
    settings.color = bind::readVec3(L, 3);
    switch (settings.type) {
    case 0:
        break;
    case 1:
        settings.direction = normalize(bind::readVec3(L, 4));
        settings.aim = true;
        break;
    case 2:
        settings.position = bind::readVec3(L, 4);
        settings.range = static_cast<float>(luaL_checknumber(L, 5));
        break;
    case 3:
        settings.direction = normalize(bind::readVec3(L, 4));
        settings.aim = true;
        settings.range = static_cast<float>(luaL_checknumber(L, 5));
        settings.spotAngle = static_cast<float>(luaL_checknumber(L, 6));
        break;
    default:
        luaL_error(L, "unknown light type");
    }
    bind::pushNode(L, buildLight(scene, settings));
    return 1;
}

// The scene owns its nodes: their handles go before the scene's own.
int dispose(lua_State* L) {
    if (auto* handle = static_cast<bind::Handle*>(lua_touserdata(L, 1)); handle && handle->object &&
                                                                         bind::isInstanceOf(L, 1, "Scene")) {
        for (Node* node : static_cast<Scene*>(handle->object)->nodes())
            bind::disposeHandleOf(L, node);
    }
    return bind::disposeHandle(L);
}

} // namespace

void registerScene(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Scene>(L, nullptr,
                               {
                                   {"createSimpleScene", createSimpleScene},
                                   {"createQuadTreeScene", guarded<createQuadTreeScene>},
                                   {"addNode", addNode},
                                   {"removeNode", removeNode},
                                   {"findNode", findNode},
                                   {"query", query},
                                   {"createMesh", guarded<createMesh>},
                                   {"createLight", guarded<createLight>},
                                   {"dispose", dispose},
                                   {"__gc", dispose},
                               });
}
