// The script face of engine::Material: creation, lookup by name and the name.
#include "bindings/MaterialBindings.h"

#include "bindings/Registration.h"

namespace {

using engine::Material;

int create(lua_State* L) {
    bind::pushNew(L, new Material(bind::checkString(L, 1)));
    return 1;
}

int findMaterialByName(lua_State* L) {
    bind::push(L, engine::findMaterial(bind::checkString(L, 1)));
    return 1;
}

int getMaterialByName(lua_State* L) {
    bind::push(L, engine::getMaterial(bind::checkString(L, 1)));
    return 1;
}

int setName(lua_State* L) {
    Material* material = bind::check<Material>(L, 1);
    material->setName(bind::checkString(L, 2));
    return 0;
}

int getName(lua_State* L) {
    bind::pushString(L, bind::check<Material>(L, 1)->getName());
    return 1;
}

} // namespace

void registerMaterial(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Material>(L, nullptr,
                                  {
                                      {"create", guarded<create>},
                                      {"findMaterialByName", guarded<findMaterialByName>},
                                      {"getMaterialByName", guarded<getMaterialByName>},
                                      {"setName", guarded<setName>},
                                      {"getName", guarded<getName>},
                                  },
                                  {"Name"});
}
