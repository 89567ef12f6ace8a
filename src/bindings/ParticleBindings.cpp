// The script faces of engine::ParticleSystem, engine::ParticleEmitter,
// engine::MeshCDF and engine::ParticleEntity.
#include "bindings/ParticleBindings.h"

#include "bindings/MathValues.h"
#include "bindings/MeshBindings.h"
#include "bindings/Registration.h"
#include "bindings/RenderEntityBindings.h"
#include "bindings/TextureBindings.h"

namespace {

using engine::MeshCDF;
using engine::ParticleEmitter;
using engine::ParticleEntity;
using engine::ParticleSystem;

const bind::EnumEntry BlendModes[] = {
    {"Translucent", ParticleEmitter::Translucent},
    {"Additive", ParticleEmitter::Additive},
    {nullptr, 0},
};

// --- ParticleSystem ---

ParticleSystem* system(lua_State* L) {
    return bind::check<ParticleSystem>(L, 1);
}

int createSystem(lua_State* L) {
    bind::pushNew(L, new ParticleSystem);
    return 1;
}

int loadSystem(lua_State* L) {
    bind::push(L, ParticleSystem::load(bind::checkString(L, 1)));
    return 1;
}

int reloadSystem(lua_State* L) {
    system(L)->reload();
    return 0;
}

int getParticleSystemByFilename(lua_State* L) {
    bind::push(L, ParticleSystem::find(bind::checkString(L, 1)));
    return 1;
}

int addParticleEmitter(lua_State* L) {
    ParticleSystem* s = system(L);
    s->addEmitter(bind::check<ParticleEmitter>(L, 2));
    return 0;
}

int removeParticleEmitter(lua_State* L) {
    ParticleSystem* s = system(L);
    s->removeEmitter(bind::check<ParticleEmitter>(L, 2));
    return 0;
}

// --- ParticleEmitter ---

ParticleEmitter* emitter(lua_State* L) {
    return bind::check<ParticleEmitter>(L, 1);
}

int createEmitter(lua_State* L) {
    bind::pushNew(L, new ParticleEmitter);
    return 1;
}

// One accessor pair per field kind, instantiated for each field.

template <float ParticleEmitter::*Field>
int setNumber(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    e->*Field = static_cast<float>(luaL_checknumber(L, 2));
    return 0;
}

template <float ParticleEmitter::*Field>
int getNumber(lua_State* L) {
    lua_pushnumber(L, emitter(L)->*Field);
    return 1;
}

template <int32_t ParticleEmitter::*Field>
int setInteger(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    e->*Field = static_cast<int32_t>(luaL_checkinteger(L, 2));
    return 0;
}

template <int32_t ParticleEmitter::*Field>
int getInteger(lua_State* L) {
    lua_pushnumber(L, emitter(L)->*Field);
    return 1;
}

template <bool ParticleEmitter::*Field>
int setFlag(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    e->*Field = bind::checkBoolean(L, 2);
    return 0;
}

template <bool ParticleEmitter::*Field>
int getFlag(lua_State* L) {
    lua_pushboolean(L, emitter(L)->*Field);
    return 1;
}

template <engine::Vec2 ParticleEmitter::*Field>
int setRange(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    e->*Field = bind::readRange(L, 2);
    return 0;
}

template <engine::Vec2 ParticleEmitter::*Field>
int getRange(lua_State* L) {
    const engine::Vec2& range = emitter(L)->*Field;
    lua_createtable(L, 2, 0);
    lua_pushnumber(L, range.x);
    lua_rawseti(L, -2, 1);
    lua_pushnumber(L, range.y);
    lua_rawseti(L, -2, 2);
    return 1;
}

template <engine::Vec3 ParticleEmitter::*Field>
int setVector(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    e->*Field = bind::readVec3Args(L, 2);
    return 0;
}

template <engine::Vec3 ParticleEmitter::*Field>
engine::Vec3 getVector(ParticleEmitter& emitter) {
    return emitter.*Field;
}

int setMesh(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    MeshCDF* cdf = lua_isnoneornil(L, 2) ? nullptr : bind::check<MeshCDF>(L, 2);
    e->mesh = core::CountedRef<MeshCDF>(cdf);
    return 0;
}

int getMesh(lua_State* L) {
    bind::push(L, emitter(L)->mesh.get());
    return 1;
}

int setSkeleton(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    engine::Skeleton* skeleton = lua_isnoneornil(L, 2) ? nullptr : bind::check<engine::Skeleton>(L, 2);
    e->skeleton = core::CountedRef<engine::Skeleton>(skeleton);
    return 0;
}

int getSkeleton(lua_State* L) {
    bind::push(L, emitter(L)->skeleton.get());
    return 1;
}

int setTexture(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    auto* texture = lua_isnoneornil(L, 2) ? nullptr : bind::check<engine::RenderableTexture>(L, 2);
    e->texture = core::CountedRef<engine::RenderableTexture>(texture);
    return 0;
}

int getTexture(lua_State* L) {
    bind::push(L, emitter(L)->texture.get());
    return 1;
}

int setBlendMode(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    e->blendMode = bind::checkEnum(L, 2, BlendModes);
    return 0;
}

int getBlendMode(lua_State* L) {
    bind::pushEnum(L, emitter(L)->blendMode, BlendModes);
    return 1;
}

// The colour index of setColor(index, r, g, b) or setColor(index, vec); an
// argument list without one names Color0. Only 0 to 3 reach the table.
int colorIndex(lua_State* L, bool hasIndex) {
    if (!hasIndex)
        return 0;
    lua_Integer index = luaL_checkinteger(L, 2);
    if (index < 0 || index >= ParticleEmitter::ColorCount)
        luaL_argerror(L, 2, "color index out of range");
    return int(index);
}

int setColor(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    bool hasIndex = lua_type(L, 2) == LUA_TNUMBER && (lua_type(L, 3) == LUA_TTABLE || lua_gettop(L) >= 5);
    int index = colorIndex(L, hasIndex);
    e->colors[index] = bind::readVec3Args(L, hasIndex ? 3 : 2);
    return 0;
}

int getColor(lua_State* L) {
    ParticleEmitter* e = emitter(L);
    int index = colorIndex(L, !lua_isnoneornil(L, 2));
    bind::pushVec3(L, e->colors[index]);
    return 1;
}

// --- MeshCDF ---

int createMeshCDF(lua_State* L) {
    bind::pushNew(L, new MeshCDF(bind::check<engine::Mesh>(L, 1)));
    return 1;
}

// --- ParticleEntity ---

ParticleEntity* particles(lua_State* L) {
    return bind::check<ParticleEntity>(L, 1);
}

int createEntity(lua_State* L) {
    ParticleSystem* s = lua_isnoneornil(L, 1) ? nullptr : bind::check<ParticleSystem>(L, 1);
    bind::pushNew(L, new ParticleEntity(s));
    return 1;
}

int setParticleSystem(lua_State* L) {
    ParticleEntity* entity = particles(L);
    entity->setParticleSystem(bind::check<ParticleSystem>(L, 2));
    return 0;
}

int isAlive(lua_State* L) {
    lua_pushboolean(L, particles(L)->isAlive());
    return 1;
}

int reset(lua_State* L) {
    particles(L)->reset();
    return 0;
}

int start(lua_State* L) {
    particles(L)->start();
    return 0;
}

int stop(lua_State* L) {
    particles(L)->stop();
    return 0;
}

int update(lua_State* L) {
    ParticleEntity* entity = particles(L);
    entity->update(static_cast<float>(luaL_checknumber(L, 2)));
    return 0;
}

} // namespace

void registerParticleEntity(lua_State* L) {
    using bind::guarded;
    bind::registerClass<ParticleEntity>(L, "RenderEntity",
                                        {
                                            {"create", createEntity},
                                            {"setParticleSystem", setParticleSystem},
                                            {"isAlive", isAlive},
                                            {"reset", reset},
                                            {"start", start},
                                            {"stop", stop},
                                            {"update", guarded<update>},
                                        });
}

void registerParticleSystem(lua_State* L) {
    using bind::guarded;
    bind::registerClass<ParticleSystem>(L, nullptr,
                                        {
                                            {"create", createSystem},
                                            {"load", guarded<loadSystem>},
                                            {"reload", guarded<reloadSystem>},
                                            {"getParticleSystemByFilename", getParticleSystemByFilename},
                                            {"addParticleEmitter", addParticleEmitter},
                                            {"removeParticleEmitter", removeParticleEmitter},
                                        });
}

void registerParticleEmitter(lua_State* L) {
    using E = ParticleEmitter;
    bind::registerClass<ParticleEmitter>(
        L, nullptr,
        {
            {"create", createEmitter},
            {"setEmissionRate", setNumber<&E::emissionRate>},
            {"getEmissionRate", getNumber<&E::emissionRate>},
            {"setEmissionTime", setNumber<&E::emissionTime>},
            {"getEmissionTime", getNumber<&E::emissionTime>},
            {"setMaxParticles", setInteger<&E::maxParticles>},
            {"getMaxParticles", getInteger<&E::maxParticles>},
            {"setSpawnBurst", setFlag<&E::spawnBurst>},
            {"getSpawnBurst", getFlag<&E::spawnBurst>},
            {"setSprayAngle", setRange<&E::sprayAngle>},
            {"getSprayAngle", getRange<&E::sprayAngle>},
            {"setBoxMin", setVector<&E::boxMin>},
            bind::getter<getVector<&E::boxMin>>("getBoxMin"),
            {"setBoxMax", setVector<&E::boxMax>},
            bind::getter<getVector<&E::boxMax>>("getBoxMax"),
            {"setMesh", setMesh},
            {"getMesh", getMesh},
            {"setSkeleton", setSkeleton},
            {"getSkeleton", getSkeleton},
            {"setVelocity", setRange<&E::velocity>},
            {"getVelocity", getRange<&E::velocity>},
            {"setTexture", setTexture},
            {"getTexture", getTexture},
            {"setFrameRate", setNumber<&E::frameRate>},
            {"getFrameRate", getNumber<&E::frameRate>},
            {"setFrameSize", setInteger<&E::frameSize>},
            {"getFrameSize", getInteger<&E::frameSize>},
            {"setFrameCount", setInteger<&E::frameCount>},
            {"getFrameCount", getInteger<&E::frameCount>},
            {"setLifetime", setRange<&E::lifetime>},
            {"getLifetime", getRange<&E::lifetime>},
            {"setColor", setColor},
            {"getColor", getColor},
            {"setColorAnimation", setFlag<&E::colorAnimation>},
            {"getColorAnimation", getFlag<&E::colorAnimation>},
            {"setOpacity", setNumber<&E::opacity>},
            {"getOpacity", getNumber<&E::opacity>},
            {"setFadeIn", setNumber<&E::fadeIn>},
            {"getFadeIn", getNumber<&E::fadeIn>},
            {"setFadeOut", setNumber<&E::fadeOut>},
            {"getFadeOut", getNumber<&E::fadeOut>},
            {"setSize", setRange<&E::size>},
            {"getSize", getRange<&E::size>},
            {"setGravity", setVector<&E::gravity>},
            bind::getter<getVector<&E::gravity>>("getGravity"),
            {"setAirResistance", setNumber<&E::airResistance>},
            {"getAirResistance", getNumber<&E::airResistance>},
            {"setRotationSpeed", setNumber<&E::rotationSpeed>},
            {"getRotationSpeed", getNumber<&E::rotationSpeed>},
            {"setBlendMode", setBlendMode},
            {"getBlendMode", getBlendMode},
            {"setObjectSpace", setFlag<&E::objectSpace>},
            {"getObjectSpace", getFlag<&E::objectSpace>},
            {"setClampToGroundPlane", setFlag<&E::clampToGroundPlane>},
            {"getClampToGroundPlane", getFlag<&E::clampToGroundPlane>},
            {"setDepthBias", setNumber<&E::depthBias>},
            {"getDepthBias", getNumber<&E::depthBias>},
        },
        {"EmissionRate", "EmissionTime", "MaxParticles", "SpawnBurst", "SprayAngle", "BoxMin", "BoxMax",
         "Mesh", "Skeleton", "Velocity", "Texture", "FrameRate", "FrameSize", "FrameCount", "Lifetime", "Color",
         "ColorAnimation", "Opacity", "FadeIn", "FadeOut", "Size", "Gravity", "AirResistance", "RotationSpeed",
         "BlendMode", "ObjectSpace", "ClampToGroundPlane", "DepthBias"});
}

void registerMeshCDF(lua_State* L) {
    bind::registerClass<MeshCDF>(L, nullptr, {{"create", createMeshCDF}});
}
