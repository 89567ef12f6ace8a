#pragma once

struct lua_State;

// Everything the scripts see, registered into a new Lua state in order.
void registerScriptModules(lua_State* L);

// The pieces, one per script module or group of classes.
void registerSys(lua_State* L);
void registerFileSystem(lua_State* L);
void registerNode(lua_State* L);
