// math.random and math.randomseed over the host's process-wide generator, so
// that a sequence goes on across script restarts.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/Random.h"

#include <algorithm>
#include <cmath>

namespace {

int64_t checkBound(lua_State* L, int index) {
    return static_cast<int64_t>(std::floor(luaL_checknumber(L, index)));
}

int random(lua_State* L) {
    int count = lua_gettop(L);
    if (count > 2)
        return luaL_error(L, "invalid number of arguments");
    int64_t lo = 0;
    int64_t hi = 0;
    if (count >= 1) {
        int64_t first = checkBound(L, 1);
        int64_t second = count == 2 ? checkBound(L, 2) : 1;
        lo = std::min(first, second);
        hi = std::max(first, second);
    }
    uint32_t u = core::globalRandom().next();
    if (count == 0) {
        lua_pushnumber(L, static_cast<float>(u * (1.0 / 4294967296.0)));
        return 1;
    }
    int64_t range = std::max<int64_t>(hi - lo + 1, 1);
    lua_pushnumber(L, static_cast<lua_Number>(lo + static_cast<int64_t>(u >> 1) % range));
    return 1;
}

int randomseed(lua_State* L) {
    double seed = luaL_checknumber(L, 1);
    // The low 32 bits of the integer, whatever its size.
    double bits = std::isfinite(seed) ? std::fmod(std::trunc(seed), 4294967296.0) : 0.0;
    core::globalRandom().seed(static_cast<uint32_t>(static_cast<int64_t>(bits)));
    return 0;
}

} // namespace

void registerRandom(lua_State* L) {
    lua_getglobal(L, "math");
    lua_pushcfunction(L, random);
    lua_setfield(L, -2, "random");
    lua_pushcfunction(L, randomseed);
    lua_setfield(L, -2, "randomseed");
    lua_pop(L, 1);
}
