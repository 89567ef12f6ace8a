// The script faces of engine::Material and engine::MaterialLibrary.
#include "bindings/MaterialBindings.h"

#include "bindings/Registration.h"
#include "bindings/ShaderBindings.h"
#include "bindings/TextureBindings.h"
#include "engine/assets/MaterialLibrary.h"
#include "engine/render/DDSFile.h"

#include <algorithm>

QUILL_SCRIPT_CLASS(engine::MaterialLibrary, "MaterialLibrary")

namespace {

using engine::Material;
using engine::MaterialLibrary;
using engine::RenderableTexture;

const bind::EnumEntry BlendModes[] = {
    {"Opaque", 0}, {"Additive", 1}, {"Modulative", 2}, {"Translucent", 3}, {nullptr, 0},
};
const bind::EnumEntry AddressModes[] = {{"Wrap", 0}, {"Clamp", 1}, {nullptr, 0}};
const bind::EnumEntry TextureFilters[] = {
    {"Nearest", 0},          {"Linear", 1},           {"Nearest_MipNearest", 2},
    {"Linear_MipNearest", 3}, {"Linear_MipLinear", 4}, {"Anisotropic", 5},
    {nullptr, 0},
};

Material* self(lua_State* L) {
    return bind::check<Material>(L, 1);
}

// --- Material: registry ---

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

// --- Material: fields ---

int setName(lua_State* L) {
    Material* material = self(L);
    material->setName(bind::checkString(L, 2));
    return 0;
}

int getName(lua_State* L) {
    bind::pushString(L, self(L)->getName());
    return 1;
}

// A texture or render buffer argument; nil clears.
RenderableTexture* optTexture(lua_State* L, int index, const char* expected) {
    if (lua_isnoneornil(L, index))
        return nullptr;
    if (RenderableTexture* texture = bind::test<RenderableTexture>(L, index))
        return texture;
    luaL_typerror(L, index, expected);
    return nullptr;
}

template <core::CountedRef<RenderableTexture> Material::*Map>
int setMap(lua_State* L) {
    Material* material = self(L);
    material->*Map = core::CountedRef<RenderableTexture>(optTexture(L, 2, "RenderableTexture"));
    return 0;
}

template <core::CountedRef<RenderableTexture> Material::*Map>
int getMap(lua_State* L) {
    bind::push(L, (self(L)->*Map).get());
    return 1;
}

int setShader(lua_State* L) {
    Material* material = self(L);
    engine::RenderableShader* shader = nullptr;
    if (!lua_isnoneornil(L, 2))
        shader = bind::check<engine::RenderableShader>(L, 2);
    material->shader = core::CountedRef<engine::RenderableShader>(shader);
    return 0;
}

int getShader(lua_State* L) {
    bind::push(L, self(L)->shader.get());
    return 1;
}

template <bool Material::*Switch>
int setSwitch(lua_State* L) {
    Material* material = self(L);
    material->*Switch = bind::checkBoolean(L, 2);
    return 0;
}

template <bool Material::*Switch>
int getSwitch(lua_State* L) {
    lua_pushboolean(L, self(L)->*Switch);
    return 1;
}

template <int32_t Material::*Field, const bind::EnumEntry* Table>
int setEnum(lua_State* L) {
    Material* material = self(L);
    material->*Field = bind::checkEnum(L, 2, Table);
    return 0;
}

template <int32_t Material::*Field, const bind::EnumEntry* Table>
int getEnum(lua_State* L) {
    bind::pushEnum(L, self(L)->*Field, Table);
    return 1;
}

template <float Material::*Field>
int setNumber(lua_State* L) {
    Material* material = self(L);
    material->*Field = float(luaL_checknumber(L, 2));
    return 0;
}

template <float Material::*Field>
int getNumber(lua_State* L) {
    lua_pushnumber(L, self(L)->*Field);
    return 1;
}

// --- Material: shader parameters ---

int setParam(lua_State* L) {
    Material* material = self(L);
    std::string name = bind::checkString(L, 2);
    if (lua_isnumber(L, 3)) {
        material->setParameter(name, float(lua_tonumber(L, 3)));
        return 0;
    }
    luaL_checktype(L, 3, LUA_TTABLE);
    lua_Integer dimension = luaL_checkinteger(L, 4);
    luaL_argcheck(L, dimension >= 1 && dimension <= 4, 4, "invalid dimension");
    float values[4] = {};
    for (int i = 0; i < int(dimension); ++i) {
        lua_rawgeti(L, 3, i + 1);
        values[i] = float(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    material->setParameter(name, values, int(dimension));
    return 0;
}

int setTexture(lua_State* L) {
    Material* material = self(L);
    std::string name = bind::checkString(L, 2);
    material->setParameterTexture(name, optTexture(L, 3, "RenderableTexture or RenderBuffer"));
    return 0;
}

int setTextureFilter(lua_State* L) {
    Material* material = self(L);
    std::string name = bind::checkString(L, 2);
    material->setParameterTextureFilter(name, bind::checkEnum(L, 3, TextureFilters));
    return 0;
}

int setTextureAddress(lua_State* L) {
    Material* material = self(L);
    std::string name = bind::checkString(L, 2);
    material->setParameterTextureAddress(name, bind::checkEnum(L, 3, AddressModes));
    return 0;
}

// Immediate-mode drawing reads the current material; until it exists there
// is nothing to make current.
int activate(lua_State* L) {
    self(L);
    return 0;
}

// --- MaterialLibrary ---

MaterialLibrary* library(lua_State* L) {
    return bind::check<MaterialLibrary>(L, 1);
}

int loadLibrary(lua_State* L) {
    std::string path = bind::checkString(L, 1);
    // As with single textures, a skip past the chain keeps the last level.
    lua_Integer skip = std::clamp<lua_Integer>(luaL_optinteger(L, 2, 0), 0, engine::DDSFile::MaxLevels);
    auto* loaded = new MaterialLibrary;
    try {
        loaded->load(path, int(skip));
    } catch (...) {
        delete loaded;
        throw;
    }
    bind::pushNew(L, loaded);
    return 1;
}

int getMaterialCount(lua_State* L) {
    lua_pushnumber(L, library(L)->getMaterialCount());
    return 1;
}

int getLibraryMaterial(lua_State* L) {
    MaterialLibrary* materials = library(L);
    lua_Integer index = luaL_checkinteger(L, 2);
    luaL_argcheck(L, index >= 1 && index <= materials->getMaterialCount(), 2, "invalid material index");
    bind::push(L, materials->getMaterial(int(index - 1)));
    return 1;
}

int findLibraryMaterial(lua_State* L) {
    MaterialLibrary* materials = library(L);
    bind::push(L, materials->findMaterial(bind::checkString(L, 2)));
    return 1;
}

} // namespace

void registerMaterial(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Material>(
        L, nullptr,
        {
            {"create", guarded<create>},
            {"findMaterialByName", guarded<findMaterialByName>},
            {"getMaterialByName", guarded<getMaterialByName>},
            {"setName", guarded<setName>},
            {"getName", guarded<getName>},
            {"setDiffuseMap", guarded<setMap<&Material::diffuseMap>>},
            {"getDiffuseMap", guarded<getMap<&Material::diffuseMap>>},
            {"setSpecularMap", guarded<setMap<&Material::specularMap>>},
            {"getSpecularMap", guarded<getMap<&Material::specularMap>>},
            {"setNormalMap", guarded<setMap<&Material::normalMap>>},
            {"getNormalMap", guarded<getMap<&Material::normalMap>>},
            {"setShader", guarded<setShader>},
            {"getShader", guarded<getShader>},
            {"setDoubleSided", guarded<setSwitch<&Material::doubleSided>>},
            {"getDoubleSided", guarded<getSwitch<&Material::doubleSided>>},
            {"setLighting", guarded<setSwitch<&Material::lighting>>},
            {"getLighting", guarded<getSwitch<&Material::lighting>>},
            {"setAlphaTest", guarded<setSwitch<&Material::alphaTest>>},
            {"getAlphaTest", guarded<getSwitch<&Material::alphaTest>>},
            {"setBlendMode", guarded<setEnum<&Material::blendMode, BlendModes>>},
            {"getBlendMode", guarded<getEnum<&Material::blendMode, BlendModes>>},
            {"setTextureAddressMode", guarded<setEnum<&Material::textureAddressMode, AddressModes>>},
            {"getTextureAddressMode", guarded<getEnum<&Material::textureAddressMode, AddressModes>>},
            {"setGlossiness", guarded<setNumber<&Material::glossiness>>},
            {"getGlossiness", guarded<getNumber<&Material::glossiness>>},
            {"setDepthBias", guarded<setNumber<&Material::depthBias>>},
            {"getDepthBias", guarded<getNumber<&Material::depthBias>>},
            {"setParam", guarded<setParam>},
            {"setTexture", guarded<setTexture>},
            {"setTextureFilter", guarded<setTextureFilter>},
            {"setTextureAddress", guarded<setTextureAddress>},
            {"activate", guarded<activate>},
        },
        {"Name", "DiffuseMap", "SpecularMap", "NormalMap", "Shader", "DoubleSided", "Lighting", "AlphaTest",
         "BlendMode", "TextureAddressMode", "Glossiness", "DepthBias"});
    bind::registerClass<MaterialLibrary>(L, nullptr,
                                         {
                                             {"load", guarded<loadLibrary>},
                                             {"getMaterialCount", guarded<getMaterialCount>},
                                             {"getMaterial", guarded<getLibraryMaterial>},
                                             {"findMaterial", guarded<findLibraryMaterial>},
                                         },
                                         {});
}
