#pragma once

struct lua_State;

// Everything the scripts see, registered into a new Lua state in order.
void registerScriptModules(lua_State* L);

// The pieces, one per script module or group of classes.
void registerSys(lua_State* L);
void registerSysDesktop(lua_State* L);
void registerSysData(lua_State* L);
void registerSysInput(lua_State* L);
void registerFileSystem(lua_State* L);
void registerArchiveFileSystem(lua_State* L);
void registerStreams(lua_State* L);
void registerFileDate(lua_State* L);
void registerDirectoryWatcher(lua_State* L);
void registerImage(lua_State* L);
void registerProfiler(lua_State* L);
void registerRandom(lua_State* L);
void registerFrame(lua_State* L);
void registerMenu(lua_State* L);
void registerCursor(lua_State* L);
void registerEngineSystems(lua_State* L);
void registerRenderer(lua_State* L);
void registerNode(lua_State* L);
void registerRenderableTexture(lua_State* L);
void registerRenderableShader(lua_State* L);
void registerRenderBuffer(lua_State* L);
void registerRenderWindow(lua_State* L);
void registerRenderEntity(lua_State* L);
void registerMeshEntity(lua_State* L);
void registerLightEntity(lua_State* L);
void registerSkeleton(lua_State* L);
void registerParticleEntity(lua_State* L);
void registerParticleSystem(lua_State* L);
void registerParticleEmitter(lua_State* L);
void registerMeshCDF(lua_State* L);
void registerModel(lua_State* L);
void registerAssetProcessor(lua_State* L);
void registerPhysics(lua_State* L);
void registerAudio(lua_State* L);
void registerMesh(lua_State* L);
void registerRenderableMesh(lua_State* L);
void registerMaterial(lua_State* L);
void registerFont(lua_State* L);
void registerImmediateMode(lua_State* L);
void registerGraphics(lua_State* L);
void registerDebugDraw(lua_State* L);
void registerScene(lua_State* L);
void registerCamera(lua_State* L);
void registerCameraControls(lua_State* L);
void registerAnimation(lua_State* L);
void registerAnimationController(lua_State* L);
void registerAnimationState(lua_State* L);
