// The script faces of the binary streams. Streams made by scripts are
// little-endian.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/ByteArrayStreams.h"
#include "core/FileStreams.h"

#include <cmath>

QUILL_SCRIPT_CLASS(core::InputStream, "InputStream")
QUILL_SCRIPT_CLASS(core::OutputStream, "OutputStream")
QUILL_SCRIPT_CLASS(core::FileInputStream, "FileInputStream")
QUILL_SCRIPT_CLASS(core::FileOutputStream, "FileOutputStream")
QUILL_SCRIPT_CLASS(core::ByteArrayInputStream, "ByteArrayInputStream")
QUILL_SCRIPT_CLASS(core::ByteArrayOutputStream, "ByteArrayOutputStream")

namespace {
constexpr core::ByteOrder ScriptOrder = core::ByteOrder::LittleEndian;

core::InputStream* input(lua_State* L) {
    return bind::check<core::InputStream>(L, 1);
}

core::OutputStream* output(lua_State* L) {
    return bind::check<core::OutputStream>(L, 1);
}

// An integer argument taken modulo 2^32, so that -1 and 4294967295 write the
// same bits.
uint32_t checkBits(lua_State* L, int index) {
    double value = luaL_checknumber(L, index);
    if (!std::isfinite(value))
        return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(std::fmod(std::trunc(value), 4294967296.0)));
}

// --- InputStream ---

int availableBytes(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(input(L)->availableBytes()));
    return 1;
}

int skip(lua_State* L) {
    core::InputStream* stream = input(L);
    stream->skip(static_cast<int64_t>(luaL_checknumber(L, 2)));
    return 0;
}

int getInputPosition(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(input(L)->getPosition()));
    return 1;
}

int seekInput(lua_State* L) {
    core::InputStream* stream = input(L);
    stream->seek(static_cast<int64_t>(luaL_checknumber(L, 2)));
    return 0;
}

int getInputFilename(lua_State* L) {
    bind::pushString(L, input(L)->getFilename());
    return 1;
}

int readBytes(lua_State* L) {
    core::InputStream* stream = input(L);
    lua_Number count = luaL_checknumber(L, 2);
    if (!(count >= 0))
        return luaL_argerror(L, 2, "negative count");
    bind::pushString(L, stream->readByteString(static_cast<int64_t>(count)));
    return 1;
}

int readByte(lua_State* L) {
    lua_pushnumber(L, input(L)->readByte());
    return 1;
}

int readShort(lua_State* L) {
    lua_pushnumber(L, input(L)->readShort());
    return 1;
}

int readInt(lua_State* L) {
    lua_pushnumber(L, input(L)->readInt());
    return 1;
}

int readFloat(lua_State* L) {
    lua_pushnumber(L, input(L)->readFloat());
    return 1;
}

int readDouble(lua_State* L) {
    lua_pushnumber(L, input(L)->readDouble());
    return 1;
}

int readBool(lua_State* L) {
    lua_pushboolean(L, input(L)->readBool());
    return 1;
}

// --- OutputStream ---

int getOutputPosition(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(output(L)->getPosition()));
    return 1;
}

int seekOutput(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->seek(static_cast<int64_t>(luaL_checknumber(L, 2)));
    return 0;
}

int getOutputFilename(lua_State* L) {
    bind::pushString(L, output(L)->getFilename());
    return 1;
}

int writeBytes(lua_State* L) {
    core::OutputStream* stream = output(L);
    size_t length;
    const char* bytes = luaL_checklstring(L, 2, &length);
    stream->writeBytes(bytes, static_cast<int64_t>(length));
    return 0;
}

int writeByte(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->writeByte(static_cast<uint8_t>(checkBits(L, 2)));
    return 0;
}

int writeShort(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->writeShort(static_cast<uint16_t>(checkBits(L, 2)));
    return 0;
}

int writeInt(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->writeInt(checkBits(L, 2));
    return 0;
}

int writeFloat(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->writeFloat(static_cast<float>(luaL_checknumber(L, 2)));
    return 0;
}

int writeDouble(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->writeDouble(luaL_checknumber(L, 2));
    return 0;
}

int writeBool(lua_State* L) {
    core::OutputStream* stream = output(L);
    stream->writeBool(bind::checkBoolean(L, 2));
    return 0;
}

// --- constructors ---

int createFileInput(lua_State* L) {
    auto stream = std::make_unique<core::FileInputStream>(bind::checkString(L, 1), ScriptOrder);
    bind::pushNew(L, stream.release());
    return 1;
}

int createFileOutput(lua_State* L) {
    auto stream = std::make_unique<core::FileOutputStream>(bind::checkString(L, 1), ScriptOrder);
    bind::pushNew(L, stream.release());
    return 1;
}

int createByteArrayInput(lua_State* L) {
    size_t length;
    const char* bytes = luaL_checklstring(L, 1, &length);
    auto stream = std::make_unique<core::ByteArrayInputStream>(bytes, static_cast<int64_t>(length), true, ScriptOrder);
    bind::pushNew(L, stream.release());
    return 1;
}

int createByteArrayOutput(lua_State* L) {
    bind::pushNew(L, new core::ByteArrayOutputStream(ScriptOrder));
    return 1;
}

int getData(lua_State* L) {
    core::ByteArrayOutputStream* stream = bind::check<core::ByteArrayOutputStream>(L, 1);
    lua_pushlstring(L, reinterpret_cast<const char*>(stream->data()), stream->size());
    return 1;
}

} // namespace

void registerStreams(lua_State* L) {
    using bind::guarded;
    bind::registerClass<core::InputStream>(L, nullptr,
                                           {
                                               {"availableBytes", guarded<availableBytes>},
                                               {"skip", guarded<skip>},
                                               {"getPosition", guarded<getInputPosition>},
                                               {"seek", guarded<seekInput>},
                                               {"getFilename", guarded<getInputFilename>},
                                               {"readBytes", guarded<readBytes>},
                                               {"readByte", guarded<readByte>},
                                               {"readShort", guarded<readShort>},
                                               {"readInt", guarded<readInt>},
                                               {"readFloat", guarded<readFloat>},
                                               {"readDouble", guarded<readDouble>},
                                               {"readBool", guarded<readBool>},
                                           });
    bind::registerClass<core::OutputStream>(L, nullptr,
                                            {
                                                {"getPosition", guarded<getOutputPosition>},
                                                {"seek", guarded<seekOutput>},
                                                {"getFilename", guarded<getOutputFilename>},
                                                {"writeBytes", guarded<writeBytes>},
                                                {"writeByte", guarded<writeByte>},
                                                {"writeShort", guarded<writeShort>},
                                                {"writeInt", guarded<writeInt>},
                                                {"writeFloat", guarded<writeFloat>},
                                                {"writeDouble", guarded<writeDouble>},
                                                {"writeBool", guarded<writeBool>},
                                            });
    bind::registerClass<core::FileInputStream>(L, "InputStream", {{"create", guarded<createFileInput>}});
    bind::registerClass<core::FileOutputStream>(L, "OutputStream", {{"create", guarded<createFileOutput>}});
    bind::registerClass<core::ByteArrayInputStream>(L, "InputStream", {{"create", guarded<createByteArrayInput>}});
    bind::registerClass<core::ByteArrayOutputStream>(L, "OutputStream",
                                                     {
                                                         {"create", guarded<createByteArrayOutput>},
                                                         {"getData", guarded<getData>},
                                                     });
}
