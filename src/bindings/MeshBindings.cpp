// The script face of engine::Mesh and its geometry operations.
#include "bindings/Binding.h"
#include "bindings/MaterialBindings.h"
#include "bindings/MeshBindings.h"
#include "bindings/MathValues.h"
#include "bindings/Registration.h"
#include "engine/assets/MeshGeometry.h"
#include "engine/assets/MeshPrimitives.h"

#include <cstring>
#include <type_traits>


namespace {

using engine::Mesh;

const bind::EnumEntry PrimitiveTypes[] = {
    {"points", int(engine::PrimitiveType::Points)},
    {"lines", int(engine::PrimitiveType::Lines)},
    {"triangles", int(engine::PrimitiveType::Triangles)},
    {"quads", int(engine::PrimitiveType::Quads)},
    {nullptr, 0},
};

Mesh* self(lua_State* L) {
    return bind::check<Mesh>(L, 1);
}

int pushMesh(lua_State* L, std::unique_ptr<Mesh> mesh) {
    bind::pushNew(L, mesh.release());
    return 1;
}

// --- creation ---

int create(lua_State* L) {
    lua_Integer count = luaL_optinteger(L, 1, 0);
    luaL_argcheck(L, count >= 0 && count <= INT32_MAX, 1, "invalid vertex count");
    return pushMesh(L, std::make_unique<Mesh>(int(count)));
}

int createPlane(lua_State* L) {
    auto width = float(luaL_checknumber(L, 1));
    auto height = float(luaL_checknumber(L, 2));
    return pushMesh(L, engine::createPlane(width, height));
}

int createTetrahedron(lua_State* L) {
    return pushMesh(L, engine::createTetrahedron());
}

int createBox(lua_State* L) {
    int args = lua_gettop(L);
    if (args != 0 && args != 3)
        return luaL_error(L, "invalid number of args");
    float x = args ? float(luaL_checknumber(L, 1)) : 2;
    float y = args ? float(luaL_checknumber(L, 2)) : 2;
    float z = args ? float(luaL_checknumber(L, 3)) : 2;
    return pushMesh(L, engine::createBox(x, y, z));
}

int createSphere(lua_State* L) {
    return pushMesh(L, engine::createSphere(int(luaL_optinteger(L, 1, 4))));
}

int createCone(lua_State* L) {
    return pushMesh(L, engine::createCone(int(luaL_optinteger(L, 1, 8))));
}

int load(lua_State* L) {
    bind::push(L, Mesh::load(bind::checkString(L, 1)).get());
    return 1;
}

int clone(lua_State* L) {
    return pushMesh(L, std::make_unique<Mesh>(*self(L)));
}

// --- vertex arrays ---

int setNumVertices(lua_State* L) {
    Mesh* mesh = self(L);
    lua_Integer count = luaL_checkinteger(L, 2);
    luaL_argcheck(L, count >= 0 && count <= INT32_MAX, 2, "invalid vertex count");
    mesh->setVertexCount(int(count));
    return 0;
}

template <class T>
void readNumbers(lua_State* L, int index, size_t count, uint8_t* bytes) {
    auto* values = reinterpret_cast<T*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        lua_rawgeti(L, index, int(i + 1));
        if constexpr (std::is_floating_point_v<T>)
            values[i] = T(lua_tonumber(L, -1));
        else
            values[i] = T(lua_tointeger(L, -1));
        lua_pop(L, 1);
    }
}

// A flat table of components × vertex count numbers into a slot, or nil to
// remove the array.
template <int Slot, engine::ElementType Type, int Components>
int setArray(lua_State* L) {
    Mesh* mesh = self(L);
    if (lua_isnoneornil(L, 2)) {
        mesh->setVertexArray(Slot, int32_t(Type), Components, nullptr);
        return 0;
    }
    luaL_checktype(L, 2, LUA_TTABLE);
    size_t count = size_t(mesh->getVertexCount()) * Components;
    if (lua_objlen(L, 2) != count)
        luaL_argerror(L, 2, "invalid data");
    std::vector<uint8_t> bytes(count * size_t(engine::elementSize(int32_t(Type))));
    if (Type == engine::ElementType::Float)
        readNumbers<float>(L, 2, count, bytes.data());
    else  // colors: each number becomes one byte
        readNumbers<uint8_t>(L, 2, count, bytes.data());
    mesh->setVertexArray(Slot, int32_t(Type), Components, std::move(bytes));
    return 0;
}

template <class T>
void pushNumbers(lua_State* L, const std::vector<uint8_t>& bytes) {
    size_t count = bytes.size() / sizeof(T);
    lua_createtable(L, int(count), 0);
    for (size_t i = 0; i < count; ++i) {
        T value;
        std::memcpy(&value, &bytes[i * sizeof(T)], sizeof(T));
        lua_pushnumber(L, lua_Number(value));
        lua_rawseti(L, -2, int(i + 1));
    }
}

// The array as a flat table of its elements, in whatever layout it holds.
template <int Slot>
int getArray(lua_State* L) {
    const engine::VertexArray& array = self(L)->getVertexArray(Slot);
    if (!array.present) {
        lua_pushnil(L);
        return 1;
    }
    switch (engine::ElementType(array.type)) {
    case engine::ElementType::UnsignedByte:
        pushNumbers<uint8_t>(L, array.data);
        break;
    case engine::ElementType::Short:
        pushNumbers<int16_t>(L, array.data);
        break;
    case engine::ElementType::Int:
        pushNumbers<int32_t>(L, array.data);
        break;
    case engine::ElementType::Float:
        pushNumbers<float>(L, array.data);
        break;
    }
    return 1;
}

int getNumVertices(lua_State* L) {
    lua_pushinteger(L, self(L)->getVertexCount());
    return 1;
}

// --- indices and segments ---

int setIndices(lua_State* L) {
    Mesh* mesh = self(L);
    luaL_checktype(L, 2, LUA_TTABLE);
    int count = int(lua_objlen(L, 2));
    for (int i = 1; i <= count; ++i) {
        lua_rawgeti(L, 2, i);
        lua_Number index = lua_tonumber(L, -1);
        lua_pop(L, 1);
        if (!(index >= 0 && index < mesh->getVertexCount()))
            return luaL_error(L, "invalid vertex index");
    }
    std::vector<int32_t> indices(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        lua_rawgeti(L, 2, i);
        indices[size_t(i - 1)] = int32_t(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    mesh->setIndices(std::move(indices));
    return 0;
}

int getNumIndices(lua_State* L) {
    lua_pushinteger(L, lua_Integer(self(L)->getIndices().size()));
    return 1;
}

int getIndices(lua_State* L) {
    const std::vector<int32_t>& indices = self(L)->getIndices();
    lua_createtable(L, int(indices.size()), 0);
    for (size_t i = 0; i < indices.size(); ++i) {
        lua_pushinteger(L, indices[i]);
        lua_rawseti(L, -2, int(i + 1));
    }
    return 1;
}

int clearSegments(lua_State* L) {
    self(L)->clearSegments();
    return 0;
}

int addSegment(lua_State* L) {
    Mesh* mesh = self(L);
    engine::Material* material = lua_isnil(L, 2) ? nullptr : bind::check<engine::Material>(L, 2);
    int type = bind::checkEnum(L, 3, PrimitiveTypes);
    auto first = int32_t(luaL_checkinteger(L, 4));
    auto count = int32_t(luaL_checkinteger(L, 5));
    engine::MeshSegment& segment = mesh->addSegment();
    segment.material = core::CountedRef<engine::Material>(material);
    segment.type = type;
    segment.firstIndex = first;
    segment.count = count;
    return 0;
}

int getNumSegments(lua_State* L) {
    lua_pushinteger(L, lua_Integer(self(L)->getSegments().size()));
    return 1;
}

int getSegment(lua_State* L) {
    Mesh* mesh = self(L);
    lua_Integer index = luaL_checkinteger(L, 2);
    if (index < 1 || index > lua_Integer(mesh->getSegments().size()))
        return luaL_error(L, "invalid mesh segment index");
    const engine::MeshSegment& segment = mesh->getSegments()[size_t(index - 1)];
    lua_createtable(L, 0, 4);
    bind::push(L, segment.material.get());
    lua_setfield(L, -2, "material");
    lua_pushinteger(L, segment.firstIndex);
    lua_setfield(L, -2, "firstIndex");
    lua_pushinteger(L, segment.count);
    lua_setfield(L, -2, "count");
    bind::pushEnum(L, segment.type, PrimitiveTypes);
    lua_setfield(L, -2, "type");
    return 1;
}

// --- bounds ---

int getBoundingSphere(lua_State* L) {
    const engine::BoundingSphere& sphere = self(L)->getBoundingSphere();
    lua_createtable(L, 0, 2);
    bind::pushVec3(L, sphere.center);
    lua_setfield(L, -2, "pos");
    lua_pushnumber(L, sphere.radius);
    lua_setfield(L, -2, "radius");
    return 1;
}

int getBoundingBox(lua_State* L) {
    bind::pushBox(L, self(L)->getBoundingBox());
    return 1;
}

// --- geometry ---

int transform(lua_State* L) {
    Mesh* mesh = self(L);
    engine::transform(*mesh, bind::readMat4x3(L, 2));
    return 0;
}

int translate(lua_State* L) {
    Mesh* mesh = self(L);
    engine::translate(*mesh, bind::readVec3Args(L, 2));
    return 0;
}

int rotate(lua_State* L) {
    Mesh* mesh = self(L);
    engine::rotate(*mesh, bind::readMat3(L, 2));
    return 0;
}

int scale(lua_State* L) {
    Mesh* mesh = self(L);
    engine::scale(*mesh, float(luaL_checknumber(L, 2)));
    return 0;
}

int computeVertexNormals(lua_State* L) {
    engine::computeVertexNormals(*self(L));
    return 0;
}

int computeTangentVectors(lua_State* L) {
    engine::computeTangentVectors(*self(L));
    return 0;
}

int weldVertices(lua_State* L) {
    engine::weldVertices(*self(L));
    return 0;
}

int triangulate(lua_State* L) {
    engine::triangulate(*self(L));
    return 0;
}

int flipFaces(lua_State* L) {
    engine::flipFaces(*self(L));
    return 0;
}

// raycast(mesh, ray [, any hit]): with any hit a boolean; otherwise false, or
// true with the distance, the triangle number and the triangle's unit normal.
int raycast(lua_State* L) {
    Mesh* mesh = self(L);
    engine::Ray ray = bind::readRay(L, 2);
    if (bind::optBoolean(L, 3, false)) {
        lua_pushboolean(L, engine::raycastAny(*mesh, ray));
        return 1;
    }
    engine::RayHit hit = engine::raycast(*mesh, ray);
    lua_pushboolean(L, hit.hit);
    if (!hit.hit)
        return 1;
    lua_pushnumber(L, hit.distance);
    lua_pushinteger(L, hit.triangle);
    bind::pushVec3(L, hit.normal);
    return 4;
}

} // namespace

void registerMesh(lua_State* L) {
    using bind::guarded;
    using engine::ElementType;
    bind::registerClass<Mesh>(
        L, nullptr,
        {
            {"create", guarded<create>},
            {"createPlane", guarded<createPlane>},
            {"createTetrahedron", guarded<createTetrahedron>},
            {"createBox", guarded<createBox>},
            {"createSphere", guarded<createSphere>},
            {"createCone", guarded<createCone>},
            {"load", guarded<load>},
            {"clone", guarded<clone>},
            {"setNumVertices", guarded<setNumVertices>},
            {"setVertexArray", guarded<setArray<engine::PositionSlot, ElementType::Float, 3>>},
            {"setNormalArray", guarded<setArray<engine::NormalSlot, ElementType::Float, 3>>},
            {"setTangentArray", guarded<setArray<engine::TangentSlot, ElementType::Float, 3>>},
            {"setBitangentArray", guarded<setArray<engine::BitangentSlot, ElementType::Float, 3>>},
            {"setColorArray", guarded<setArray<engine::ColorSlot, ElementType::UnsignedByte, 4>>},
            {"setTexcoordArray", guarded<setArray<engine::TexcoordSlot, ElementType::Float, 2>>},
            {"setIndices", guarded<setIndices>},
            {"clearSegments", guarded<clearSegments>},
            {"addSegment", guarded<addSegment>},
            {"getVertexArray", guarded<getArray<engine::PositionSlot>>},
            {"getNormalArray", guarded<getArray<engine::NormalSlot>>},
            {"getTangentArray", guarded<getArray<engine::TangentSlot>>},
            {"getBitangentArray", guarded<getArray<engine::BitangentSlot>>},
            {"getColorArray", guarded<getArray<engine::ColorSlot>>},
            {"getTexcoordArray", guarded<getArray<engine::TexcoordSlot>>},
            {"getNumVertices", guarded<getNumVertices>},
            {"getNumIndices", guarded<getNumIndices>},
            {"getIndices", guarded<getIndices>},
            {"getNumSegments", guarded<getNumSegments>},
            {"getSegment", guarded<getSegment>},
            {"getBoundingSphere", guarded<getBoundingSphere>},
            {"getBoundingBox", guarded<getBoundingBox>},
            {"transform", guarded<transform>},
            {"translate", guarded<translate>},
            {"rotate", guarded<rotate>},
            {"scale", guarded<scale>},
            {"computeVertexNormals", guarded<computeVertexNormals>},
            {"computeTangentVectors", guarded<computeTangentVectors>},
            {"weldVertices", guarded<weldVertices>},
            {"triangulate", guarded<triangulate>},
            {"flipFaces", guarded<flipFaces>},
            {"raycast", guarded<raycast>},
        });
}
