// The script faces of the audio model: AudioEngine, AudioWorld, AudioListener,
// Sample and SoundSource.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "engine/audio/AudioEngine.h"
#include "engine/render/EngineSystems.h"

QUILL_SCRIPT_CLASS(engine::AudioEngine, "AudioEngine")
QUILL_SCRIPT_CLASS(engine::AudioWorld, "AudioWorld")
QUILL_SCRIPT_CLASS(engine::AudioListener, "AudioListener")
QUILL_SCRIPT_CLASS(engine::Sample, "Sample")
QUILL_SCRIPT_CLASS(engine::SoundSource, "SoundSource")
QUILL_SCRIPT_CLASS(engine::Node, "Node")

namespace {

using engine::AudioEngine;
using engine::AudioListener;
using engine::AudioWorld;
using engine::Sample;
using engine::SoundSource;

// The engine that makes new audio objects; before the engine systems exist there is none.
AudioEngine& currentEngine() {
    AudioEngine* engine = AudioEngine::current();
    if (!engine)
        throw core::Exception("engine not initialized");
    return *engine;
}

// --- AudioEngine ---

int active(lua_State* L) {
    if (!engine::EngineSystems::instance())
        luaL_error(L, "engine not initialized");
    bind::push(L, AudioEngine::current());
    return 1;
}

int beginFrame(lua_State* L) {
    bind::check<AudioEngine>(L, 1)->beginFrame();
    return 0;
}

int render(lua_State* L) {
    AudioEngine* engine = bind::check<AudioEngine>(L, 1);
    AudioWorld* world = bind::check<AudioWorld>(L, 2);
    AudioListener* listener = bind::check<AudioListener>(L, 3);
    engine->render(*world, *listener);
    return 0;
}

int endFrame(lua_State* L) {
    bind::check<AudioEngine>(L, 1)->endFrame();
    return 0;
}

// --- AudioWorld ---

int createWorld(lua_State* L) {
    bind::pushNew(L, currentEngine().createWorld());
    return 1;
}

int setWorldVolume(lua_State* L) {
    AudioWorld* world = bind::check<AudioWorld>(L, 1);
    world->setVolume(static_cast<float>(luaL_checknumber(L, 2)));
    return 0;
}

int getWorldVolume(lua_State* L) {
    lua_pushnumber(L, bind::check<AudioWorld>(L, 1)->getVolume());
    return 1;
}

// --- AudioListener ---

int createListener(lua_State* L) {
    bind::pushNew(L, currentEngine().createListener());
    return 1;
}

int setListenerVolume(lua_State* L) {
    AudioListener* listener = bind::check<AudioListener>(L, 1);
    listener->setVolume(static_cast<float>(luaL_checknumber(L, 2)));
    return 0;
}

int getListenerVolume(lua_State* L) {
    lua_pushnumber(L, bind::check<AudioListener>(L, 1)->getVolume());
    return 1;
}

// --- Sample ---

int loadSample(lua_State* L) {
    std::string fileName = bind::checkString(L, 1);
    // A new handle even for a sample already loaded: each load holds its own count.
    bind::pushNew(L, Sample::load(currentEngine(), fileName));
    return 1;
}

int reload(lua_State* L) {
    bind::check<Sample>(L, 1)->reload();
    return 0;
}

int getSampleByFilename(lua_State* L) {
    bind::push(L, Sample::find(bind::checkString(L, 1)));
    return 1;
}

// --- SoundSource ---

SoundSource* source(lua_State* L) {
    return bind::check<SoundSource>(L, 1);
}

int createSource(lua_State* L) {
    AudioWorld* world = bind::check<AudioWorld>(L, 1);
    bind::pushNew(L, world->createSoundSource());
    return 1;
}

int play(lua_State* L) {
    SoundSource* sound = source(L);
    Sample* sample = bind::check<Sample>(L, 2);
    bool is3D = bind::checkBoolean(L, 3);
    sound->play(*sample, is3D);
    return 0;
}

int playStream(lua_State* L) {
    SoundSource* sound = source(L);
    sound->playStream(bind::checkString(L, 2).c_str());
    return 0;
}

int stop(lua_State* L) {
    source(L)->stop();
    return 0;
}

int isPlaying(lua_State* L) {
    lua_pushboolean(L, source(L)->isPlaying());
    return 1;
}

template <void (SoundSource::*Set)(float)>
int setFloat(lua_State* L) {
    SoundSource* sound = source(L);
    (sound->*Set)(static_cast<float>(luaL_checknumber(L, 2)));
    return 0;
}

template <float (SoundSource::*Get)()>
int getFloat(lua_State* L) {
    lua_pushnumber(L, (source(L)->*Get)());
    return 1;
}

template <void (SoundSource::*Set)(bool)>
int setBool(lua_State* L) {
    SoundSource* sound = source(L);
    (sound->*Set)(bind::checkBoolean(L, 2));
    return 0;
}

template <bool (SoundSource::*Get)()>
int getBool(lua_State* L) {
    lua_pushboolean(L, (source(L)->*Get)());
    return 1;
}

int getSamplePosition(lua_State* L) {
    lua_pushnumber(L, source(L)->getSamplePosition());
    return 1;
}

// Nodes belong to their scene or model; scripts only borrow them.
int getNode(lua_State* L) {
    bind::push(L, source(L)->node(), bind::Ownership::Borrowed);
    return 1;
}

} // namespace

void registerAudio(lua_State* L) {
    using bind::guarded;
    bind::registerClass<AudioEngine>(L, nullptr,
                                     {
                                         {"active", active},
                                         {"beginFrame", beginFrame},
                                         {"render", guarded<render>},
                                         {"endFrame", endFrame},
                                     });
    bind::registerClass<AudioWorld>(L, nullptr,
                                    {
                                        {"create", guarded<createWorld>},
                                        {"setVolume", setWorldVolume},
                                        {"getVolume", getWorldVolume},
                                    });
    bind::registerClass<AudioListener>(L, "Node",
                                       {
                                           {"create", guarded<createListener>},
                                           {"setVolume", setListenerVolume},
                                           {"getVolume", getListenerVolume},
                                       });
    bind::registerClass<Sample>(L, nullptr,
                                {
                                    {"load", guarded<loadSample>},
                                    {"reload", guarded<reload>},
                                    {"getSampleByFilename", getSampleByFilename},
                                });
    using S = SoundSource;
    bind::registerClass<SoundSource>(L, nullptr,
                                     {
                                         {"create", createSource},
                                         {"play", guarded<play>},
                                         {"playStream", guarded<playStream>},
                                         {"stop", stop},
                                         {"isPlaying", isPlaying},
                                         {"setVolume", setFloat<&S::setVolume>},
                                         {"getVolume", getFloat<&S::getVolume>},
                                         {"setMute", setBool<&S::setMute>},
                                         {"getMute", getBool<&S::getMute>},
                                         {"setMinDistance", setFloat<&S::setMinDistance>},
                                         {"getMinDistance", getFloat<&S::getMinDistance>},
                                         {"setMaxDistance", setFloat<&S::setMaxDistance>},
                                         {"getMaxDistance", getFloat<&S::getMaxDistance>},
                                         {"setLoop", setBool<&S::setLoop>},
                                         {"getLoop", getBool<&S::getLoop>},
                                         {"getSamplePosition", getSamplePosition},
                                         {"getNode", getNode},
                                     },
                                     {"Volume", "MinDistance", "MaxDistance", "Loop"});
}
