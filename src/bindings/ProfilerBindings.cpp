// The script face of core::Profiler; the report is drawn as debug text.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/Profiler.h"
#include "engine/draw/DebugDraw.h"

QUILL_SCRIPT_CLASS(core::Profiler, "Profiler")

namespace {

using core::Profiler;

int beginFrame(lua_State*) {
    Profiler::instance().beginFrame();
    return 0;
}

int endFrame(lua_State*) {
    Profiler::instance().endFrame();
    return 0;
}

// The name's characters belong to the Lua string, which equal strings share.
int beginBlock(lua_State* L) {
    Profiler::instance().beginBlock(luaL_checkstring(L, 1));
    return 0;
}

int endBlock(lua_State*) {
    Profiler::instance().endBlock();
    return 0;
}

int draw(lua_State*) {
    float y = 144;
    for (const std::string& line : Profiler::instance().reportLines()) {
        engine::DebugDraw::drawText(line, {40, y});
        y += 14;
    }
    return 0;
}

} // namespace

void registerProfiler(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Profiler>(L, nullptr,
                                  {
                                      {"beginFrame", guarded<beginFrame>},
                                      {"endFrame", guarded<endFrame>},
                                      {"beginBlock", guarded<beginBlock>},
                                      {"endBlock", guarded<endBlock>},
                                      {"draw", guarded<draw>},
                                  });
}
