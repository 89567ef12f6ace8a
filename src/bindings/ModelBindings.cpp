// The script faces of engine::Model and engine::Skeleton.
#include "bindings/Binding.h"
#include "bindings/NodeHandles.h"
#include "bindings/Registration.h"
#include "bindings/RenderEntityBindings.h"
#include "engine/assets/Model.h"
#include "engine/scene/Scene.h"

QUILL_SCRIPT_CLASS(engine::Model, "Model")
QUILL_SCRIPT_CLASS(engine::Scene, "Scene")

namespace {

using engine::Model;

Model* self(lua_State* L) {
    return bind::check<Model>(L, 1);
}

int load(lua_State* L) {
    std::string name = bind::checkString(L, 1);
    bool keep = bind::optBoolean(L, 2, false);
    bind::push(L, Model::load(name, keep));
    return 1;
}

int instantiate(lua_State* L) {
    Model* model = self(L);
    engine::Scene* scene = bind::check<engine::Scene>(L, 2);
    bind::pushNode(L, model->instantiate(*scene));
    return 1;
}

int getNodeCount(lua_State* L) {
    lua_pushinteger(L, self(L)->nodeCount());
    return 1;
}

int getNode(lua_State* L) {
    Model* model = self(L);
    lua_Integer index = luaL_checkinteger(L, 2);
    if (index < 1 || index > model->nodeCount())
        luaL_argerror(L, 2, "invalid node index");
    bind::pushNode(L, model->node(int(index - 1)));
    return 1;
}

int findNode(lua_State* L) {
    Model* model = self(L);
    std::string name = bind::checkString(L, 2);
    bind::pushNode(L, model->root() ? model->root()->findNode(name) : nullptr);
    return 1;
}

// The model owns its nodes: their handles go before the model's own.
int dispose(lua_State* L) {
    if (auto* handle = static_cast<bind::Handle*>(lua_touserdata(L, 1));
        handle && handle->object && bind::isInstanceOf(L, 1, "Model")) {
        const Model* model = static_cast<Model*>(handle->object);
        for (int i = 0; i < model->nodeCount(); ++i)
            bind::disposeHandleOf(L, model->node(i));
    }
    return bind::disposeHandle(L);
}

} // namespace

void registerSkeleton(lua_State* L) {
    bind::registerClass<engine::Skeleton>(L, nullptr, {});
}

void registerModel(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Model>(L, nullptr,
                               {
                                   {"load", guarded<load>},
                                   {"instantiate", guarded<instantiate>},
                                   {"getNodeCount", getNodeCount},
                                   {"getNode", getNode},
                                   {"findNode", findNode},
                                   {"dispose", dispose},
                                   {"__gc", dispose},
                               });
}
