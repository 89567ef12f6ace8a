// The script faces of engine::Animation, engine::AnimationController and
// engine::AnimationState.
#include "bindings/Binding.h"
#include "bindings/NodeHandles.h"
#include "bindings/Registration.h"
#include "engine/assets/AnimationController.h"

#include <type_traits>

QUILL_SCRIPT_CLASS(engine::Animation, "Animation")
QUILL_SCRIPT_CLASS(engine::AnimationController, "AnimationController")
QUILL_SCRIPT_CLASS(engine::AnimationState, "AnimationState")

namespace {

using engine::Animation;
using engine::AnimationController;
using engine::AnimationState;

float checkFloat(lua_State* L, int index) {
    return float(luaL_checknumber(L, index));
}

int32_t checkInt32(lua_State* L, int index) {
    return int32_t(luaL_checkinteger(L, index));
}

// --- Animation ---

Animation* animation(lua_State* L) {
    return bind::check<Animation>(L, 1);
}

int load(lua_State* L) {
    bind::push(L, Animation::load(bind::checkString(L, 1)));
    return 1;
}

int setName(lua_State* L) {
    Animation* a = animation(L);
    a->setName(bind::checkString(L, 2));
    return 0;
}

int getName(lua_State* L) {
    bind::pushString(L, animation(L)->name());
    return 1;
}

int setFramesPerSecond(lua_State* L) {
    Animation* a = animation(L);
    a->setFramesPerSecond(checkFloat(L, 2));
    return 0;
}

int getFramesPerSecond(lua_State* L) {
    lua_pushnumber(L, animation(L)->framesPerSecond());
    return 1;
}

int setFrameCount(lua_State* L) {
    Animation* a = animation(L);
    a->setFrameCount(checkInt32(L, 2));
    return 0;
}

int getFrameCount(lua_State* L) {
    lua_pushinteger(L, animation(L)->frameCount());
    return 1;
}

int getLength(lua_State* L) {
    lua_pushnumber(L, animation(L)->length());
    return 1;
}

int addEvent(lua_State* L) {
    Animation* a = animation(L);
    float time = checkFloat(L, 2);
    a->addEvent(time, bind::checkString(L, 3));
    return 0;
}

// --- AnimationController ---

AnimationController* controller(lua_State* L) {
    return bind::check<AnimationController>(L, 1);
}

int create(lua_State* L) {
    bind::pushNew(L, new AnimationController(bind::check<engine::Node>(L, 1)));
    return 1;
}

int addClip(lua_State* L) {
    AnimationController* c = controller(L);
    Animation* clip = bind::check<Animation>(L, 2);
    c->addClip(clip, bind::checkString(L, 3));
    return 0;
}

int play(lua_State* L) {
    AnimationController* c = controller(L);
    std::string name = bind::checkString(L, 2);
    bool loop = bind::optBoolean(L, 3, false);
    auto layer = int32_t(luaL_optinteger(L, 4, 0));
    if (!c->play(name, loop, layer))
        return luaL_error(L, "invalid animation state %s", name.c_str());
    return 0;
}

int stop(lua_State* L) {
    controller(L)->stop();
    return 0;
}

int isPlaying(lua_State* L) {
    AnimationController* c = controller(L);
    lua_pushboolean(L, c->isPlaying(bind::checkString(L, 2)));
    return 1;
}

int getAnimationState(lua_State* L) {
    AnimationController* c = controller(L);
    if (lua_type(L, 2) == LUA_TNUMBER) {
        lua_Integer index = lua_tointeger(L, 2);
        if (index < 1 || index > c->stateCount())
            return luaL_error(L, "invalid animation state index");
        bind::push(L, c->state(int(index - 1)));
        return 1;
    }
    std::string name = bind::checkString(L, 2);
    AnimationState* state = c->findState(name);
    if (!state)
        return luaL_error(L, "no animation state with name: %s", name.c_str());
    bind::push(L, state);
    return 1;
}

int getAnimationStateCount(lua_State* L) {
    lua_pushinteger(L, controller(L)->stateCount());
    return 1;
}

int sample(lua_State* L) {
    controller(L)->sample();
    return 0;
}

int advance(lua_State* L) {
    AnimationController* c = controller(L);
    c->advance(checkFloat(L, 2));
    return 0;
}

int update(lua_State* L) {
    AnimationController* c = controller(L);
    c->update(checkFloat(L, 2));
    return 0;
}

int getEvents(lua_State* L) {
    const auto& events = controller(L)->events();
    if (events.empty()) {
        lua_pushnil(L);
        return 1;
    }
    lua_createtable(L, int(events.size()), 0);
    for (size_t i = 0; i < events.size(); ++i) {
        bind::pushString(L, events[i].name);
        lua_rawseti(L, -2, int(i + 1));
    }
    return 1;
}

// --- AnimationState ---

AnimationState* state(lua_State* L) {
    return bind::check<AnimationState>(L, 1);
}

// nil clears the clip.
int setAnimation(lua_State* L) {
    AnimationState* s = state(L);
    Animation* clip = lua_isnoneornil(L, 2) ? nullptr : bind::check<Animation>(L, 2);
    s->animation = core::CountedRef<Animation>(clip);
    return 0;
}

int getAnimation(lua_State* L) {
    bind::push(L, state(L)->animation.get());
    return 1;
}

int getStateName(lua_State* L) {
    bind::pushString(L, state(L)->name);
    return 1;
}

template <class T, T AnimationState::*Field>
int setField(lua_State* L) {
    AnimationState* s = state(L);
    if constexpr (std::is_same_v<T, bool>)
        s->*Field = bind::checkBoolean(L, 2);
    else if constexpr (std::is_same_v<T, float>)
        s->*Field = checkFloat(L, 2);
    else
        s->*Field = checkInt32(L, 2);
    return 0;
}

template <class T, T AnimationState::*Field>
int getField(lua_State* L) {
    T value = state(L)->*Field;
    if constexpr (std::is_same_v<T, bool>)
        lua_pushboolean(L, value);
    else
        lua_pushnumber(L, lua_Number(value));
    return 1;
}

int advanceState(lua_State* L) {
    AnimationState* s = state(L);
    float dt = checkFloat(L, 2);
    s->advance(dt);
    lua_pushnumber(L, dt);
    return 1;
}

} // namespace

void registerAnimation(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Animation>(L, nullptr,
                                   {
                                       {"load", guarded<load>},
                                       {"setName", setName},
                                       {"getName", getName},
                                       {"setFramesPerSecond", setFramesPerSecond},
                                       {"getFramesPerSecond", getFramesPerSecond},
                                       {"setFrameCount", setFrameCount},
                                       {"getFrameCount", getFrameCount},
                                       {"getLength", getLength},
                                       {"addEvent", addEvent},
                                   },
                                   {"Name", "FramesPerSecond", "FrameCount", "Length"});
}

void registerAnimationController(lua_State* L) {
    bind::registerClass<AnimationController>(L, nullptr,
                                             {
                                                 {"create", create},
                                                 {"addClip", addClip},
                                                 {"play", play},
                                                 {"stop", stop},
                                                 {"isPlaying", isPlaying},
                                                 {"getAnimationState", getAnimationState},
                                                 {"getAnimationStateCount", getAnimationStateCount},
                                                 {"sample", sample},
                                                 {"advance", advance},
                                                 {"update", update},
                                                 {"getEvents", getEvents},
                                             });
}

void registerAnimationState(lua_State* L) {
    using engine::AnimationState;
    bind::registerClass<AnimationState>(L, nullptr,
                                        {
                                            {"setAnimation", setAnimation},
                                            {"getAnimation", getAnimation},
                                            {"getName", getStateName},
                                            {"setLayer", setField<int32_t, &AnimationState::layer>},
                                            {"getLayer", getField<int32_t, &AnimationState::layer>},
                                            {"setTime", setField<float, &AnimationState::time>},
                                            {"getTime", getField<float, &AnimationState::time>},
                                            {"setWeight", setField<float, &AnimationState::weight>},
                                            {"getWeight", getField<float, &AnimationState::weight>},
                                            {"setSpeed", setField<float, &AnimationState::speed>},
                                            {"getSpeed", getField<float, &AnimationState::speed>},
                                            {"setLoop", setField<bool, &AnimationState::loop>},
                                            {"getLoop", getField<bool, &AnimationState::loop>},
                                            {"setEnabled", setField<bool, &AnimationState::enabled>},
                                            {"getEnabled", getField<bool, &AnimationState::enabled>},
                                            {"advance", advanceState},
                                        },
                                        {"Animation", "Name", "Layer", "Time", "Weight", "Speed", "Loop", "Enabled"});
}
