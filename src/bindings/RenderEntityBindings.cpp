// The script faces of engine::RenderEntity, engine::MeshEntity and engine::LightEntity.
#include "bindings/RenderEntityBindings.h"

#include "bindings/MaterialBindings.h"
#include "bindings/MathValues.h"
#include "bindings/Registration.h"
#include "bindings/RenderableMeshBindings.h"
#include "bindings/TextureBindings.h"
#include "engine/render/Renderer.h"

#include <vector>

const bind::EnumEntry bind::LightTypes[] = {
    {"ambient", engine::LightEntity::Ambient}, {"directional", engine::LightEntity::Directional},
    {"point", engine::LightEntity::Point},     {"spot", engine::LightEntity::Spot},
    {nullptr, 0},
};

namespace {

using engine::LightEntity;
using engine::MeshEntity;
using engine::RenderEntity;

// --- RenderEntity ---

RenderEntity* entity(lua_State* L) {
    return bind::check<RenderEntity>(L, 1);
}

int setDrawBoundBox(lua_State* L) {
    entity(L)->setDrawBoundBox(bind::checkBoolean(L, 2));
    return 0;
}

int getDrawBoundBox(lua_State* L) {
    lua_pushboolean(L, entity(L)->drawBoundBox());
    return 1;
}

int setHidden(lua_State* L) {
    entity(L)->setHidden(bind::checkBoolean(L, 2));
    return 0;
}

int getHidden(lua_State* L) {
    lua_pushboolean(L, entity(L)->hidden());
    return 1;
}

int setSortOffset(lua_State* L) {
    entity(L)->setSortOffset(static_cast<float>(luaL_checknumber(L, 2)));
    return 0;
}

int getSortOffset(lua_State* L) {
    lua_pushnumber(L, entity(L)->sortOffset());
    return 1;
}

int getEntityType(lua_State* L) {
    static const char* const names[] = {"MeshEntity", "LightEntity", "ParticleEntity"};
    int type = entity(L)->entityType();
    lua_pushstring(L, type >= 0 && type <= 2 ? names[type] : "???");
    return 1;
}

// Nodes are not given new handles here: only one a script already holds.
int getNode(lua_State* L) {
    engine::Node* node = entity(L)->node();
    if (!node || !bind::pushMapped(L, node))
        lua_pushnil(L);
    return 1;
}

int getWorldBounds(lua_State* L) {
    RenderEntity* e = entity(L);
    if (e->unbounded())
        throw core::Exception("unbounded entity");
    bind::pushBox(L, e->getWorldBounds());
    return 1;
}

// --- MeshEntity ---

MeshEntity* mesh(lua_State* L) {
    return bind::check<MeshEntity>(L, 1);
}

int createMesh(lua_State* L) {
    if (lua_isnoneornil(L, 1)) {
        bind::pushNew(L, new MeshEntity);
        return 1;
    }
    engine::RenderableMesh* renderable = bind::toRenderableMesh(L, 1);
    if (!renderable) {
        lua_settop(L, 1);
        return 1;
    }
    bind::pushNew(L, new MeshEntity(renderable));
    return 1;
}

int setMesh(lua_State* L) {
    MeshEntity* e = mesh(L);
    engine::RenderableMesh* renderable = nullptr;
    if (!lua_isnoneornil(L, 2))
        renderable = bind::check<engine::RenderableMesh>(L, 2);
    e->setMesh(renderable);
    return 0;
}

int getMesh(lua_State* L) {
    bind::push(L, mesh(L)->mesh());
    return 1;
}

int setSkeleton(lua_State* L) {
    MeshEntity* e = mesh(L);
    e->setSkeleton(lua_isnoneornil(L, 2) ? nullptr : bind::check<engine::Skeleton>(L, 2));
    return 0;
}

int getSkeleton(lua_State* L) {
    bind::push(L, mesh(L)->skeleton());
    return 1;
}

int setMaterial(lua_State* L) {
    MeshEntity* e = mesh(L);
    e->setMaterial(bind::check<engine::Material>(L, 2));
    return 0;
}

int setMaterials(lua_State* L) {
    MeshEntity* e = mesh(L);
    luaL_checktype(L, 2, LUA_TTABLE);
    std::vector<engine::Material*> materials;
    int count = static_cast<int>(lua_objlen(L, 2));
    for (int i = 1; i <= count; ++i) {
        lua_rawgeti(L, 2, i);
        auto* material = bind::test<engine::Material>(L, -1);
        if (!material)
            luaL_argerror(L, 2, lua_pushfstring(L, "Material expected at index %d, got %s", i, luaL_typename(L, -1)));
        materials.push_back(material);
        lua_pop(L, 1);
    }
    e->setMaterials(materials);
    return 0;
}

int getMaterials(lua_State* L) {
    const auto& materials = mesh(L)->materials();
    lua_createtable(L, static_cast<int>(materials.size()), 0);
    for (size_t i = 0; i < materials.size(); ++i) {
        if (materials[i]) {
            bind::push(L, materials[i].get());
            lua_rawseti(L, -2, static_cast<int>(i + 1));
        }
    }
    return 1;
}

int setEmissiveColor(lua_State* L) {
    MeshEntity* e = mesh(L);
    e->setEmissiveColor(bind::readVec3Args(L, 2));
    return 0;
}

engine::Vec3 getEmissiveColor(MeshEntity& mesh) {
    return mesh.emissiveColor();
}

template <uint32_t Flag>
int setMeshFlag(lua_State* L) {
    MeshEntity* e = mesh(L);
    e->setFlag(Flag, bind::checkBoolean(L, 2));
    return 0;
}

template <uint32_t Flag>
int getMeshFlag(lua_State* L) {
    lua_pushboolean(L, mesh(L)->hasFlag(Flag));
    return 1;
}

int setManualBounds(lua_State* L) {
    MeshEntity* e = mesh(L);
    e->setManualBounds(bind::readBox(L, 2));
    return 0;
}

// --- LightEntity ---

LightEntity* light(lua_State* L) {
    return bind::check<LightEntity>(L, 1);
}

int createLight(lua_State* L) {
    auto type = static_cast<LightEntity::LightType>(bind::checkEnum(L, 1, bind::LightTypes));
    bind::pushNew(L, new LightEntity(type));
    return 1;
}

int setLightColor(lua_State* L) {
    LightEntity* e = light(L);
    e->setLightColor(bind::readVec3Args(L, 2));
    return 0;
}

engine::Vec3 getLightColor(LightEntity& light) {
    return light.lightColor();
}

// Number properties of a light: the getter and setter pair of each.
template <float (LightEntity::*Get)() const, void (LightEntity::*Set)(float)>
struct LightNumber {
    static int set(lua_State* L) {
        LightEntity* e = light(L);
        (e->*Set)(static_cast<float>(luaL_checknumber(L, 2)));
        return 0;
    }
    static int get(lua_State* L) {
        lua_pushnumber(L, (light(L)->*Get)());
        return 1;
    }
};

using LightRange = LightNumber<&LightEntity::lightRange, &LightEntity::setLightRange>;
using SpotAngle = LightNumber<&LightEntity::spotAngle, &LightEntity::setSpotAngle>;
using SpotSharpness = LightNumber<&LightEntity::spotSharpness, &LightEntity::setSpotSharpness>;
using MaxShadowDistance = LightNumber<&LightEntity::maxShadowDistance, &LightEntity::setMaxShadowDistance>;

template <bool (LightEntity::*Get)() const, void (LightEntity::*Set)(bool)>
struct LightFlag {
    static int set(lua_State* L) {
        LightEntity* e = light(L);
        (e->*Set)(bind::checkBoolean(L, 2));
        return 0;
    }
    static int get(lua_State* L) {
        lua_pushboolean(L, (light(L)->*Get)());
        return 1;
    }
};

using LightCastShadow = LightFlag<&LightEntity::castShadow, &LightEntity::setCastShadow>;
using PrimaryLight = LightFlag<&LightEntity::primaryLight, &LightEntity::setPrimaryLight>;

int setShadowMapSize(lua_State* L) {
    LightEntity* e = light(L);
    e->setShadowMapSize(static_cast<int>(luaL_checkinteger(L, 2)));
    return 0;
}

int getShadowMapSize(lua_State* L) {
    lua_pushinteger(L, light(L)->shadowMapSize());
    return 1;
}

int setStaticShadowMap(lua_State* L) {
    LightEntity* e = light(L);
    engine::RenderableTexture* texture = nullptr;
    if (!lua_isnoneornil(L, 2))
        texture = bind::check<engine::RenderableTexture>(L, 2);
    e->setStaticShadowMap(texture);
    return 0;
}

int getStaticShadowMap(lua_State* L) {
    bind::push(L, light(L)->staticShadowMap());
    return 1;
}

// The texture is handed to the script, not kept: setStaticShadowMap stores it.
int renderStaticShadowMap(lua_State* L) {
    LightEntity* e = light(L);
    lua_Integer size = luaL_checkinteger(L, 2);
    auto blurAngle = static_cast<float>(luaL_checknumber(L, 3));
    auto option = static_cast<int>(luaL_optinteger(L, 4, 0));
    if (size < 1 || size > 2048 || (size & (size - 1)) != 0)
        luaL_error(L, "invalid shadow map size");
    engine::Renderer* renderer = engine::Renderer::current();
    if (!renderer)
        throw core::Exception("engine not initialized");
    engine::RenderableTexture* texture = renderer->renderStaticShadowMap(e, static_cast<int>(size), blurAngle, option);
    bind::push(L, texture);
    return 1;
}

} // namespace

void registerRenderEntity(lua_State* L) {
    using bind::guarded;
    bind::registerClass<RenderEntity>(L, nullptr,
                                      {
                                          {"setDrawBoundBox", setDrawBoundBox},
                                          {"getDrawBoundBox", getDrawBoundBox},
                                          {"setHidden", setHidden},
                                          {"getHidden", getHidden},
                                          {"setSortOffset", setSortOffset},
                                          {"getSortOffset", getSortOffset},
                                          {"getEntityType", getEntityType},
                                          {"getNode", getNode},
                                          {"getWorldBounds", guarded<getWorldBounds>},
                                      },
                                      {"DrawBoundBox", "Hidden", "SortOffset"});
}

void registerMeshEntity(lua_State* L) {
    using bind::guarded;
    bind::registerClass<MeshEntity>(L, "RenderEntity",
                                    {
                                        {"create", guarded<createMesh>},
                                        {"setMesh", guarded<setMesh>},
                                        {"getMesh", getMesh},
                                        {"setSkeleton", setSkeleton},
                                        {"getSkeleton", getSkeleton},
                                        {"setMaterial", setMaterial},
                                        {"setMaterials", setMaterials},
                                        {"getMaterials", getMaterials},
                                        {"setEmissiveColor", setEmissiveColor},
                                        bind::getter<getEmissiveColor>("getEmissiveColor"),
                                        {"setCastShadow", setMeshFlag<MeshEntity::CastShadow>},
                                        {"getCastShadow", getMeshFlag<MeshEntity::CastShadow>},
                                        {"setStaticShadow", setMeshFlag<MeshEntity::StaticShadow>},
                                        {"getStaticShadow", getMeshFlag<MeshEntity::StaticShadow>},
                                        {"setDrawNormals", setMeshFlag<MeshEntity::DrawNormals>},
                                        {"getDrawNormals", getMeshFlag<MeshEntity::DrawNormals>},
                                        {"setDrawTangents", setMeshFlag<MeshEntity::DrawTangents>},
                                        {"getDrawTangents", getMeshFlag<MeshEntity::DrawTangents>},
                                        {"setManualBounds", setManualBounds},
                                    },
                                    {"EmissiveColor", "CastShadow", "StaticShadow", "DrawNormals", "DrawTangents"});
}

void registerLightEntity(lua_State* L) {
    using bind::guarded;
    bind::registerClass<LightEntity>(L, "RenderEntity",
                                     {
                                         {"create", createLight},
                                         {"setLightColor", setLightColor},
                                         bind::getter<getLightColor>("getLightColor"),
                                         {"setLightRange", LightRange::set},
                                         {"getLightRange", LightRange::get},
                                         {"setSpotAngle", SpotAngle::set},
                                         {"getSpotAngle", SpotAngle::get},
                                         {"setSpotSharpness", SpotSharpness::set},
                                         {"getSpotSharpness", SpotSharpness::get},
                                         {"setCastShadow", LightCastShadow::set},
                                         {"getCastShadow", LightCastShadow::get},
                                         {"setMaxShadowDistance", MaxShadowDistance::set},
                                         {"getMaxShadowDistance", MaxShadowDistance::get},
                                         {"setShadowMapSize", setShadowMapSize},
                                         {"getShadowMapSize", getShadowMapSize},
                                         {"setStaticShadowMap", setStaticShadowMap},
                                         {"getStaticShadowMap", getStaticShadowMap},
                                         {"setPrimaryLight", PrimaryLight::set},
                                         {"getPrimaryLight", PrimaryLight::get},
                                         {"renderStaticShadowMap", guarded<renderStaticShadowMap>},
                                     },
                                     {"LightColor", "LightRange", "SpotAngle", "SpotSharpness", "CastShadow",
                                      "MaxShadowDistance", "ShadowMapSize", "PrimaryLight"});
}
