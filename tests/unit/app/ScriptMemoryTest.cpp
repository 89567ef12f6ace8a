#include "app/ScriptMemory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string run(lua_State* L, const char* chunk) {
    if (luaL_dostring(L, chunk) == 0)
        return "";
    std::string error = lua_tostring(L, -1);
    lua_pop(L, 1);
    return error;
}

} // namespace

TEST(ScriptMemory, LargeBlocksAreKeptForReuseAndKeepTheirContentThroughEveryMove) {
    ScriptMemory memory;
    lua_State* L = memory.newState();
    ASSERT_NE(L, nullptr);
    luaL_openlibs(L);
    // Strings the size of whole files come and go; a table's array grows from
    // small blocks into large ones (each move copies), and a large string is
    // built by a buffer that grows past the threshold and is trimmed at the end.
    EXPECT_EQ(run(L, R"(
        for i = 1, 20 do
            local s = string.rep(string.char(65 + i % 26), 300000 + i * 1000)
            assert(#s == 300000 + i * 1000 and s:byte(-1) == 65 + i % 26 and s:byte(1) == 65 + i % 26)
        end
        local t = {}
        for i = 1, 100000 do t[i] = i end
        for i = 1, 100000 do assert(t[i] == i) end
        local parts = {}
        for i = 1, 40000 do parts[i] = string.format("%07d", i) end
        local joined = table.concat(parts)
        assert(#joined == 280000 and joined:sub(-7) == "0040000" and joined:sub(1, 7) == "0000001")
        t, parts, joined = nil, nil, nil
        collectgarbage()
        collectgarbage()
    )"), "");
    EXPECT_GT(memory.keptBytes(), 0u);
    EXPECT_LE(memory.keptBytes(), ScriptMemory::MaxKept);
    // Kept blocks are handed out again, and the state still works to the end.
    EXPECT_EQ(run(L, "local s = string.rep('x', 400000); assert(#s == 400000)"), "");
    lua_close(L);
}
