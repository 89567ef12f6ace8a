// The script face of engine::RenderableMesh.
#include "bindings/Binding.h"
#include "bindings/MaterialBindings.h"
#include "bindings/MathValues.h"
#include "bindings/MeshBindings.h"
#include "bindings/Registration.h"
#include "bindings/RenderableMeshBindings.h"
#include "engine/render/Renderer.h"

engine::RenderableMesh* bind::toRenderableMesh(lua_State* L, int index) {
    if (auto* renderable = bind::test<engine::RenderableMesh>(L, index))
        return renderable;
    auto* mesh = bind::test<engine::Mesh>(L, index);
    if (!mesh)
        return nullptr;
    if (mesh->getIndices().empty())
        throw core::Exception("mesh does not have indices");
    return engine::RenderableMesh::create(*mesh, false).release();
}

namespace {

using engine::Mesh;
using engine::RenderableMesh;

RenderableMesh* self(lua_State* L) {
    return bind::check<RenderableMesh>(L, 1);
}

int create(lua_State* L) {
    Mesh* mesh = bind::check<Mesh>(L, 1);
    bool keep = bind::optBoolean(L, 2, false);
    bind::pushNew(L, RenderableMesh::create(*mesh, keep).release());
    return 1;
}

// The mesh is loaded (or found) for the upload and let go of afterwards.
int load(lua_State* L) {
    std::string name = bind::checkString(L, 1);
    bool keep = bind::optBoolean(L, 2, false);
    if (RenderableMesh* renderable = RenderableMesh::find(name)) {
        bind::push(L, renderable);
        return 1;
    }
    // A file without meshes gives nothing to upload.
    core::CountedRef<Mesh> mesh = Mesh::load(name);
    if (!mesh) {
        lua_pushnil(L);
        return 1;
    }
    std::unique_ptr<RenderableMesh> renderable = RenderableMesh::create(*mesh, keep);
    renderable->setName(name);
    bind::pushNew(L, renderable.release());
    return 1;
}

int init(lua_State* L) {
    RenderableMesh* renderable = self(L);
    Mesh* mesh = bind::check<Mesh>(L, 2);
    renderable->init(*mesh, bind::optBoolean(L, 3, false));
    return 0;
}

int getSourceData(lua_State* L) {
    bind::push(L, self(L)->getSourceData());
    return 1;
}

int getBoundingBox(lua_State* L) {
    bind::pushBox(L, self(L)->getBoundingBox());
    return 1;
}

int getMaterials(lua_State* L) {
    std::vector<engine::Material*> materials = self(L)->getMaterials();
    lua_createtable(L, int(materials.size()), 0);
    for (size_t i = 0; i < materials.size(); ++i) {
        bind::push(L, materials[i]);
        lua_rawseti(L, -2, int(i + 1));
    }
    return 1;
}

} // namespace

void registerRenderableMesh(lua_State* L) {
    using bind::guarded;
    bind::registerClass<RenderableMesh>(L, nullptr,
                                        {
                                            {"create", guarded<create>},
                                            {"load", guarded<load>},
                                            {"init", guarded<init>},
                                            {"getSourceData", guarded<getSourceData>},
                                            {"getBoundingBox", guarded<getBoundingBox>},
                                            {"getMaterials", guarded<getMaterials>},
                                        });
}
