// The data functions of sys (compression, the archive cipher, hashing) and the
// global raw_bytes_to_float.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/ByteOrder.h"
#include "core/Cipher.h"
#include "core/Compression.h"
#include "core/Fnv.h"

#include <cstring>

namespace {

const bind::EnumEntry Ciphers[] = {
    {"arc4-drop768", 0},
    {nullptr, 0},
};

int compress(lua_State* L) {
    size_t length;
    const char* data = luaL_checklstring(L, 1, &length);
    bind::pushString(L, core::compress(data, length));
    return 1;
}

int uncompress(lua_State* L) {
    size_t length;
    const char* data = luaL_checklstring(L, 1, &length);
    uint32_t contentLength;
    std::unique_ptr<uint8_t[]> content = core::uncompressBytes(data, length, contentLength);
    lua_pushlstring(L, reinterpret_cast<const char*>(content.get()), contentLength);
    return 1;
}

// Encrypting and decrypting are the same operation.
int cipher(lua_State* L) {
    size_t length;
    const char* data = luaL_checklstring(L, 1, &length);
    size_t keyLength;
    const char* key = luaL_checklstring(L, 2, &keyLength);
    if (!lua_isnoneornil(L, 3))
        bind::checkEnum(L, 3, Ciphers);
    if (keyLength == 0)
        return luaL_argerror(L, 2, "empty key");
    std::string out(length, '\0');
    core::rc4Drop768(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<uint8_t*>(out.data()), length,
                     reinterpret_cast<const uint8_t*>(key), keyLength);
    bind::pushString(L, out);
    return 1;
}

int fnv32(lua_State* L) {
    size_t length;
    const char* data = luaL_checklstring(L, 1, &length);
    lua_pushnumber(L, core::fnv1a32(data, length));
    return 1;
}

int rawBytesToFloat(lua_State* L) {
    uint8_t bytes[4];
    if (lua_type(L, 1) == LUA_TSTRING) {
        size_t length;
        const char* text = lua_tolstring(L, 1, &length);
        if (length != 4)
            return luaL_error(L, "invalid number of bytes");
        memcpy(bytes, text, 4);
    } else {
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<uint8_t>(static_cast<int64_t>(luaL_checknumber(L, i + 1)) & 0xff);
    }
    uint32_t bits = core::readLittleEndian32(bytes);
    float value;
    memcpy(&value, &bits, sizeof value);
    lua_pushnumber(L, value);
    return 1;
}

} // namespace

void registerSysData(lua_State* L) {
    lua_register(L, "raw_bytes_to_float", rawBytesToFloat);
    const luaL_Reg functions[] = {
        {"compress", bind::guarded<compress>},
        {"uncompress", bind::guarded<uncompress>},
        {"encrypt", cipher},
        {"decrypt", cipher},
        {"fnv32", fnv32},
        {nullptr, nullptr},
    };
    luaL_register(L, "sys", functions);
    lua_pop(L, 1);
}
