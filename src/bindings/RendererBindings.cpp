// The script faces of engine::EngineSystems, engine::Renderer and engine::RenderWindow.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/Registration.h"
#include "bindings/ShaderBindings.h"
#include "bindings/TextureBindings.h"
#include "core/Frame.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/Renderer.h"

QUILL_SCRIPT_CLASS(engine::EngineSystems, "EngineSystems")
QUILL_SCRIPT_CLASS(engine::Renderer, "Renderer")
QUILL_SCRIPT_CLASS(engine::RenderWindow, "RenderWindow")
QUILL_SCRIPT_CLASS(core::Frame, "Frame")

namespace {

using engine::EngineSystems;
using engine::Renderer;

const bind::EnumEntry RenderEngineKinds[] = {
    {"d3d9", int(engine::RenderEngineKind::D3D9)},
    {"gles2", int(engine::RenderEngineKind::GLES2)},
    {"opengl", int(engine::RenderEngineKind::OpenGL)},
    {nullptr, 0},
};

const bind::EnumEntry PhysicsEngineKinds[] = {
    {"physx", int(engine::PhysicsEngineKind::PhysX)},
    {"null", int(engine::PhysicsEngineKind::Null)},
    {nullptr, 0},
};

const bind::EnumEntry AudioEngineKinds[] = {
    {"fmod", int(engine::AudioEngineKind::Fmod)},
    {"openal", int(engine::AudioEngineKind::OpenAL)},
    {"xaudio2", int(engine::AudioEngineKind::XAudio2)},
    {"null", int(engine::AudioEngineKind::Null)},
    {nullptr, 0},
};

const bind::EnumEntry AssetPipelines[] = {
    {"gles2", 0},
    {nullptr, 0},
};

// --- EngineSystems ---

// An enumeration field of the options table, when present.
template <class Kind>
void readKindOption(lua_State* L, const char* name, const bind::EnumEntry* table, Kind& kind) {
    if (bind::pushOption(L, name, LUA_TNONE)) {
        kind = static_cast<Kind>(bind::checkEnum(L, lua_gettop(L), table));
        lua_pop(L, 1);
    }
}

engine::EngineOptions readEngineOptions(lua_State* L) {
    engine::EngineOptions options;
    engine::RenderSettings& settings = options.settings;
    if (core::Frame* frame = core::Frame::mainFrame())
        settings.window = &frame->window();
    if (lua_isnoneornil(L, 1))
        return options;
    luaL_checktype(L, 1, LUA_TTABLE);
    bind::readIntegerOption(L, "width", settings.width);
    bind::readIntegerOption(L, "height", settings.height);
    bind::readBooleanOption(L, "windowed", settings.windowed);
    if (bind::pushOption(L, "verticalSync", LUA_TNONE)) {
        if (lua_type(L, -1) == LUA_TBOOLEAN)
            settings.verticalSync = lua_toboolean(L, -1) ? 1 : 0;
        else if (lua_type(L, -1) == LUA_TSTRING && bind::checkString(L, -1) == "triple_buffer")
            settings.verticalSync = 2;
        else if (lua_type(L, -1) == LUA_TSTRING)
            luaL_error(L, "invalid vertical sync mode");
        else
            luaL_argerror(L, 1, lua_pushfstring(L, "field 'verticalSync': boolean expected, got %s",
                                                luaL_typename(L, -1)));
        lua_pop(L, 1);
    }
    bind::readIntegerOption(L, "multisamples", settings.multisamples);
    bind::readStringOption(L, "altShaderPath", settings.altShaderPath);
    bind::readBooleanOption(L, "notebookMode", settings.notebookMode);
    bind::readBooleanOption(L, "dontAdjustFrame", options.dontAdjustFrame);
    readKindOption(L, "renderEngine", RenderEngineKinds, settings.renderEngine);
    readKindOption(L, "physicsEngine", PhysicsEngineKinds, options.physicsEngine);
    readKindOption(L, "audioEngine", AudioEngineKinds, options.audioEngine);
    return options;
}

int createEngineSystems(lua_State* L) {
    if (EngineSystems::instance())
        luaL_error(L, "already created");
    engine::EngineOptions options = readEngineOptions(L);
    // The process keeps the engine systems; the handle only names them.
    bind::push(L, EngineSystems::create(options), bind::Ownership::Borrowed);
    return 1;
}

// "gles2" (the only pipeline): image sources convert into the reduced texture set.
int configureAssetPipeline(lua_State* L) {
    bind::check<EngineSystems>(L, 1);
    bind::checkEnum(L, 2, AssetPipelines);
    for (const char* source : {"tga", "png", "jpg"})
        engine::registerAssetProcessor(engine::AssetProcessor::Texture, source,
                                       core::CountedRef<engine::AssetProcessor>(new engine::TextureAssetProcessorGLES2));
    return 0;
}

// --- Renderer ---

Renderer* self(lua_State* L) {
    return bind::check<Renderer>(L, 1);
}

int createRenderer(lua_State* L) {
    if (EngineSystems::instance())
        luaL_error(L, "renderer already created");
    auto kind = static_cast<engine::RenderEngineKind>(bind::checkEnum(L, 1, RenderEngineKinds));
    bind::pushNew(L, engine::createRenderer(kind), bind::Ownership::Plain);
    return 1;
}

int active(lua_State* L) {
    if (!EngineSystems::instance())
        luaL_error(L, "engine not initialized");
    bind::push(L, Renderer::current());
    return 1;
}

int getRendererInfo(lua_State* L) {
    auto [vendor, renderer] = self(L)->getRendererInfo();
    lua_createtable(L, 0, 2);
    bind::pushString(L, vendor);
    lua_setfield(L, -2, "vendor");
    bind::pushString(L, renderer);
    lua_setfield(L, -2, "renderer");
    return 1;
}

int enumerateResolutions(lua_State* L) {
    std::vector<engine::Resolution> list = self(L)->enumerateResolutions();
    lua_createtable(L, static_cast<int>(list.size()), 0);
    for (size_t i = 0; i < list.size(); ++i) {
        bind::pushVec4(L, {float(list[i].width), float(list[i].height), 0, 0});
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

int setClearColor(lua_State* L) {
    Renderer* renderer = self(L);
    renderer->clearColor = bind::readColor(L, 2);
    return 0;
}

engine::Color getClearColor(Renderer& renderer) {
    return renderer.clearColor;
}

// The boolean and integer settings share one accessor shape each.
template <bool Renderer::*Field>
int setFlag(lua_State* L) {
    Renderer* renderer = self(L);
    renderer->*Field = bind::checkBoolean(L, 2);
    return 0;
}

template <bool Renderer::*Field>
int getFlag(lua_State* L) {
    lua_pushboolean(L, self(L)->*Field);
    return 1;
}

template <int Renderer::*Field>
int setNumber(lua_State* L) {
    Renderer* renderer = self(L);
    renderer->*Field = static_cast<int>(luaL_checkinteger(L, 2));
    return 0;
}

template <int Renderer::*Field>
int getNumber(lua_State* L) {
    lua_pushinteger(L, self(L)->*Field);
    return 1;
}

int setFogColor(lua_State* L) {
    Renderer* renderer = self(L);
    renderer->fogColor = bind::readVec3Args(L, 2);
    return 0;
}

engine::Vec3 getFogColor(Renderer& renderer) {
    return renderer.fogColor;
}

int setFogRange(lua_State* L) {
    Renderer* renderer = self(L);
    renderer->fogRange = bind::readRange(L, 2);
    return 0;
}

int getFogRange(lua_State* L) {
    engine::Vec2 range = self(L)->fogRange;
    lua_createtable(L, 2, 0);
    lua_pushnumber(L, range.x);
    lua_rawseti(L, -2, 1);
    lua_pushnumber(L, range.y);
    lua_rawseti(L, -2, 2);
    return 1;
}

int setViewport(lua_State* L) {
    Renderer* renderer = self(L);
    engine::Viewport viewport;
    viewport.x = static_cast<int>(luaL_checkinteger(L, 2));
    viewport.y = static_cast<int>(luaL_checkinteger(L, 3));
    viewport.width = static_cast<int>(luaL_checkinteger(L, 4));
    viewport.height = static_cast<int>(luaL_checkinteger(L, 5));
    renderer->setViewport(viewport);
    return 0;
}

int resizeRenderBuffers(lua_State* L) {
    Renderer* renderer = self(L);
    int width = static_cast<int>(luaL_checkinteger(L, 2));
    int height = static_cast<int>(luaL_checkinteger(L, 3));
    renderer->resizeRenderBuffers(width, height);
    return 0;
}

int isReadyToRender(lua_State* L) {
    lua_pushboolean(L, self(L)->isReadyToRender());
    return 1;
}

int setRenderWindow(lua_State* L) {
    Renderer* renderer = self(L);
    engine::RenderWindow* window = lua_isnoneornil(L, 2) ? nullptr : bind::check<engine::RenderWindow>(L, 2);
    renderer->setRenderWindow(window);
    return 0;
}

int beginRender(lua_State* L) {
    self(L)->beginRender();
    return 0;
}

int endRender(lua_State* L) {
    self(L)->endRender();
    return 0;
}

// Scenes, cameras, worlds and textures are registered by their own parts of the
// engine; they are checked here by class name.
template <class T>
T* checkNamed(lua_State* L, int index, const char* className) {
    if (!bind::isInstanceOf(L, index, className))
        luaL_typerror(L, index, className);
    auto* handle = static_cast<bind::Handle*>(lua_touserdata(L, index));
    if (!handle->object)
        luaL_argerror(L, index, "object disposed");
    return static_cast<T*>(handle->object);
}

int renderScene(lua_State* L) {
    Renderer* renderer = self(L);
    auto* scene = checkNamed<engine::Scene>(L, 2, "Scene");
    auto* camera = checkNamed<engine::Camera>(L, 3, "Camera");
    engine::RenderableTexture* target = nullptr;
    if (bind::isInstanceOf(L, 4, "RenderableTexture"))
        target = checkNamed<engine::RenderableTexture>(L, 4, "RenderableTexture");
    renderer->renderScene(scene, camera, target);
    return 0;
}

int renderSceneAndSimulatePhysics(lua_State* L) {
    Renderer* renderer = self(L);
    auto* scene = checkNamed<engine::Scene>(L, 2, "Scene");
    auto* camera = checkNamed<engine::Camera>(L, 3, "Camera");
    auto* world = checkNamed<engine::DynamicsWorld>(L, 4, "DynamicsWorld");
    world->beginSimulation();
    renderer->renderScene(scene, camera, nullptr);
    world->endSimulation();
    return 0;
}

int saveScreenShot(lua_State* L) {
    Renderer* renderer = self(L);
    renderer->saveScreenShot(bind::checkString(L, 2));
    return 0;
}

int drawFullScreen(lua_State* L) {
    Renderer* renderer = self(L);
    engine::RenderableTexture* texture = bind::check<engine::RenderableTexture>(L, 2);
    engine::RenderableShader* shader = lua_isnoneornil(L, 3) ? nullptr : bind::check<engine::RenderableShader>(L, 3);
    renderer->drawFullScreen(texture, shader);
    return 0;
}

int getAvailableTextureMemory(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(self(L)->getAvailableTextureMemory()));
    return 1;
}

// --- RenderWindow ---

int createRenderWindow(lua_State* L) {
    core::Frame* frame = bind::check<core::Frame>(L, 1);
    Renderer* renderer = Renderer::current();
    if (!renderer)
        throw core::Exception("engine not initialized");
    bind::pushNew(L, renderer->createRenderWindow(&frame->window()));
    return 1;
}

} // namespace

void registerEngineSystems(lua_State* L) {
    bind::registerClass<EngineSystems>(L, nullptr,
                                       {
                                           {"create", bind::nilOnFailure<createEngineSystems>},
                                           {"configureAssetPipeline", configureAssetPipeline},
                                       });
}

void registerRenderer(lua_State* L) {
    using bind::guarded;
    using R = Renderer;
    bind::registerClass<Renderer>(
        L, nullptr,
        {
            {"create", bind::nilOnFailure<createRenderer>},
            {"active", active},
            {"getRendererInfo", getRendererInfo},
            {"drawFullScreen", guarded<drawFullScreen>},
            {"enumerateResolutions", guarded<enumerateResolutions>},
            {"setClearColor", setClearColor},
            bind::getter<getClearColor>("getClearColor"),
            {"setWireframe", setFlag<&R::wireframe>},
            {"getWireframe", getFlag<&R::wireframe>},
            {"setAmbientOcclusion", setFlag<&R::ambientOcclusion>},
            {"getAmbientOcclusion", getFlag<&R::ambientOcclusion>},
            {"setSSAOQuality", setNumber<&R::ssaoQuality>},
            {"getSSAOQuality", getNumber<&R::ssaoQuality>},
            {"setFog", setFlag<&R::fog>},
            {"getFog", getFlag<&R::fog>},
            {"setFogColor", setFogColor},
            bind::getter<getFogColor>("getFogColor"),
            {"setFogRange", setFogRange},
            {"getFogRange", getFogRange},
            {"setDiffuseMapping", setFlag<&R::diffuseMapping>},
            {"getDiffuseMapping", getFlag<&R::diffuseMapping>},
            {"setNormalMapping", setFlag<&R::normalMapping>},
            {"getNormalMapping", getFlag<&R::normalMapping>},
            {"setTextureFilter", setNumber<&R::textureFilter>},
            {"getTextureFilter", getNumber<&R::textureFilter>},
            {"setFXAA", setFlag<&R::fxaa>},
            {"getFXAA", getFlag<&R::fxaa>},
            {"setRenderMeshes", setFlag<&R::renderMeshes>},
            {"getRenderMeshes", getFlag<&R::renderMeshes>},
            {"setRenderShadows", setFlag<&R::renderShadows>},
            {"getRenderShadows", getFlag<&R::renderShadows>},
            {"setShadowQuality", setNumber<&R::shadowQuality>},
            {"getShadowQuality", getNumber<&R::shadowQuality>},
            {"setDrawNormalBuffer", setFlag<&R::drawNormalBuffer>},
            {"getDrawNormalBuffer", getFlag<&R::drawNormalBuffer>},
            {"setDrawGlossinessBuffer", setFlag<&R::drawGlossinessBuffer>},
            {"getDrawGlossinessBuffer", getFlag<&R::drawGlossinessBuffer>},
            {"setDrawLightBuffer", setFlag<&R::drawLightBuffer>},
            {"getDrawLightBuffer", getFlag<&R::drawLightBuffer>},
            {"setDrawAmbientOcclusionBuffer", setFlag<&R::drawAmbientOcclusionBuffer>},
            {"getDrawAmbientOcclusionBuffer", getFlag<&R::drawAmbientOcclusionBuffer>},
            {"setDrawStats", setFlag<&R::drawStats>},
            {"getDrawStats", getFlag<&R::drawStats>},
            {"setViewport", setViewport},
            {"resizeRenderBuffers", guarded<resizeRenderBuffers>},
            {"isReadyToRender", guarded<isReadyToRender>},
            {"setRenderWindow", setRenderWindow},
            {"beginRender", guarded<beginRender>},
            {"endRender", guarded<endRender>},
            {"renderScene", guarded<renderScene>},
            {"renderSceneAndSimulatePhysics", guarded<renderSceneAndSimulatePhysics>},
            {"saveScreenShot", guarded<saveScreenShot>},
            {"getAvailableTextureMemory", getAvailableTextureMemory},
        },
        {"ClearColor", "Wireframe", "AmbientOcclusion", "SSAOQuality", "Fog", "DiffuseMapping", "NormalMapping",
         "TextureFilter", "FXAA", "RenderMeshes", "RenderShadows", "ShadowQuality", "DrawNormalBuffer",
         "DrawGlossinessBuffer", "DrawLightBuffer", "DrawAmbientOcclusionBuffer", "DrawStats"});
}

void registerRenderWindow(lua_State* L) {
    bind::registerClass<engine::RenderWindow>(L, nullptr, {{"create", bind::guarded<createRenderWindow>}});
}
