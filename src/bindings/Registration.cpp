#include "bindings/Registration.h"

#include "bindings/Binding.h"

void registerScriptModules(lua_State* L) {
    bind::setup(L);
    registerSys(L);
    registerSysDesktop(L);
    registerSysData(L);
    registerSysInput(L);
    // Files, streams and services.
    registerFileSystem(L);
    registerArchiveFileSystem(L);
    registerStreams(L);
    registerFileDate(L);
    registerDirectoryWatcher(L);
    registerImage(L);
    registerProfiler(L);
    registerRandom(L);
    // Windows.
    registerFrame(L);
    registerMenu(L);
    registerCursor(L);
    // Engine classes.
    registerEngineSystems(L);
    registerRenderer(L);
    registerScene(L);
    registerNode(L);
    registerCamera(L);
    registerCameraControls(L);
    registerMesh(L);
    registerRenderableMesh(L);
    registerRenderableTexture(L);
    registerRenderableShader(L);
    registerRenderBuffer(L);
    registerRenderWindow(L);
    registerRenderEntity(L);
    registerMeshEntity(L);
    registerSkeleton(L);
    registerLightEntity(L);
    registerParticleEntity(L);
    registerParticleSystem(L);
    registerParticleEmitter(L);
    registerMeshCDF(L);
    registerModel(L);
    registerMaterial(L);
    registerFont(L);
    registerAnimation(L);
    registerAnimationController(L);
    registerAnimationState(L);
    registerAssetProcessor(L);
    registerPhysics(L);
    registerAudio(L);
    registerDebugDraw(L);
    registerImmediateMode(L);
    registerGraphics(L);
}
