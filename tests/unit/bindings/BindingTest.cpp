#include "bindings/Binding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Widget {
    static inline int alive = 0;
    int width = 3;
    Widget() { ++alive; }
    virtual ~Widget() { --alive; }
};
struct Gadget : Widget {};
struct Thing {
    int value = 0;
};
struct Keeper {};

} // namespace

QUILL_SCRIPT_CLASS(Widget, "Widget")
QUILL_SCRIPT_CLASS(Gadget, "Gadget")
QUILL_SCRIPT_CLASS(Thing, "Thing")
QUILL_SCRIPT_CLASS(Keeper, "Keeper")

namespace {

int create(lua_State* L) {
    bind::pushNew(L, new Widget);
    return 1;
}
int createGadget(lua_State* L) {
    bind::pushNew(L, new Gadget);
    return 1;
}
int createThing(lua_State* L) {
    bind::pushNew(L, new Thing, bind::Ownership::Plain);
    return 1;
}
int getWidth(lua_State* L) {
    lua_pushinteger(L, bind::check<Widget>(L, 1)->width);
    return 1;
}
int setWidth(lua_State* L) {
    bind::check<Widget>(L, 1)->width = static_cast<int>(luaL_checkinteger(L, 2));
    return 0;
}
int getHeight(lua_State* L) {
    bind::check<Widget>(L, 1);
    lua_pushinteger(L, 10);
    return 1;
}
int gadgetOnly(lua_State* L) {
    bind::check<Gadget>(L, 1);
    return 0;
}
int fail(lua_State*) {
    throw core::FileNotFoundException("x.dat");
}
// The same object pushed again yields its existing handle.
int again(lua_State* L) {
    bind::push(L, bind::check<Widget>(L, 1));
    return 1;
}

const bind::EnumEntry Modes[] = {{"none", 0}, {"fast", 1}, {"slow", 2}, {nullptr, 0}};
int mode(lua_State* L) {
    int value = bind::checkEnum(L, 1, Modes);
    bind::pushEnum(L, value == 2 ? 9 : value, Modes);
    return 1;
}

class BindingTest : public ::testing::Test {
protected:
    lua_State* L = luaL_newstate();

    void SetUp() override {
        luaL_openlibs(L);
        bind::setup(L);
        bind::registerClass<Widget>(L, nullptr,
                                    {{"create", create},
                                     {"getWidth", getWidth},
                                     {"setWidth", setWidth},
                                     {"getHeight", getHeight},
                                     {"again", again},
                                     {"fail", bind::guarded<fail>}},
                                    {"Width", "Height", "Missing"});
        bind::registerClass<Gadget>(L, "Widget", {{"create", createGadget}, {"gadgetOnly", gadgetOnly}});
        bind::registerClass<Thing>(L, nullptr, {{"create", createThing}});
        lua_register(L, "mode", mode);
    }
    void TearDown() override { lua_close(L); }

    // Runs a chunk; returns "" or the error message.
    std::string run(const std::string& code) {
        if (luaL_loadbuffer(L, code.data(), code.size(), "=test") != 0 || lua_pcall(L, 0, 0, 0) != 0) {
            std::string message = lua_tostring(L, -1);
            lua_pop(L, 1);
            return message;
        }
        return "";
    }
};

TEST_F(BindingTest, ClassTablesCarryTypeBaseAndInheritedFunctions) {
    EXPECT_EQ(run(R"(
        assert(Widget.type == "Widget" and Gadget.baseclass == Widget)
        assert(Gadget.getWidth == Widget.getWidth and Gadget.create ~= Widget.create)
        assert(Gadget.properties.Width and Gadget.properties.Height)
        assert(Thing.dispose and next(Thing.properties) == nil)
        assert(Thing.__index == Thing and Thing.__newindex == nil)
    )"),
              "");
}

// A class with a dispose of its own (one that also disposes what it owns)
// is collected through that same function.
TEST_F(BindingTest, DisposeAndCollectionAreOneFunctionValue) {
    bind::registerClass<Keeper>(L, nullptr, {{"dispose", bind::disposeHandle}});
    EXPECT_EQ(run(R"(
        for _, class in ipairs{Widget, Gadget, Thing, Keeper} do
            assert(class.dispose == class.__gc, class.type)
        end
        assert(Keeper.dispose ~= Widget.dispose)
    )"),
              "");
}

TEST_F(BindingTest, PropertiesDispatchToAccessors) {
    EXPECT_EQ(run(R"(
        local w = Widget.create()
        assert(w.Width == 3)
        w.Width = 8
        assert(w.Width == 8 and w:getWidth() == 8)
        assert(w.Height == 10)
        assert(w.type == nil and w.unknown == nil)
        local t = Thing.create()
        assert(t.type == "Thing")
        local g = Gadget.create()
        g.Width = 4
        assert(g.Width == 4)
    )"),
              "");
}

TEST_F(BindingTest, PropertyErrorsUseTheFrameworksMessages) {
    struct {
        const char* code;
        const char* message;
    } cases[] = {
        {"local w = Widget.create()\nw.Nope = 1", "test:2: attempt to set invalid property 'Nope'"},
        {"Widget.create().Height = 1", "internal error: property accessor not found"},
        {"local x = Widget.create().Missing", "internal error: property accessor not found"},
        {"Thing.create().field = 1", "attempt to index"},
        {"Widget.properties = nil; local x = Widget.create().Width", "internal error: properties table not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_NE(run(c.code).find(c.message), std::string::npos) << run(c.code);
    }
}

TEST_F(BindingTest, HandlesAreUniquePerObjectAndCheckedByClass) {
    EXPECT_EQ(run(R"(
        local g = Gadget.create()
        assert(rawequal(g:again(), g))
        assert(g:getWidth() == 3)          -- a Gadget passes the Widget check
        g:gadgetOnly()
        local ok, err = pcall(Gadget.gadgetOnly, Widget.create())
        assert(not ok and err:find("Gadget expected", 1, true), err)
        ok, err = pcall(Widget.getWidth, Thing.create())
        assert(not ok and err:find("Widget expected", 1, true), err)
        ok, err = pcall(Widget.getWidth, 5)
        assert(not ok and err:find("Widget expected", 1, true), err)
    )"),
              "");
}

TEST_F(BindingTest, DisposeReleasesOnceAndLeavesADeadHandle) {
    EXPECT_EQ(run(R"(
        local w = Widget.create()
        assert(tostring(w):match("^Widget: 0x%x+$") and not w:isDisposed())
        w:dispose()
        assert(w:isDisposed())
        assert(tostring(w) == "Widget: 0x00000000", tostring(w))
        w:dispose()
        local ok, err = pcall(w.getWidth, w)
        assert(not ok and err:find("object disposed", 1, true), err)
        ok, err = pcall(Widget.dispose, {})
        assert(not ok and err:find("not a valid object", 1, true), err)
        ok, err = pcall(Widget.isDisposed, io.stdout)
        assert(not ok and err:find("not a valid object", 1, true), err)
    )"),
              "");
    EXPECT_EQ(Widget::alive, 0);
}

TEST_F(BindingTest, CollectionDeletesCountedObjectsWhoseLastCountWasTheScripts) {
    Widget* kept = new Widget;
    core::refAcquire(kept);  // an engine object holding it
    bind::pushNew(L, kept);
    lua_setglobal(L, "kept");
    EXPECT_EQ(run("kept = nil; for i = 1, 3 do Widget.create() end; collectgarbage(); collectgarbage()"), "");
    EXPECT_EQ(Widget::alive, 1);
    EXPECT_EQ(core::refCountOf(kept), 1u);
    ASSERT_TRUE(core::refRelease(kept));
    delete kept;
}

TEST_F(BindingTest, HostExceptionsBecomeLuaErrorsWithTheCallersPosition) {
    EXPECT_EQ(run("Widget.fail()"), "test:1: File not found: x.dat");
}

TEST_F(BindingTest, EnumerationsMatchExactlyAndPushUnknownValuesAsQuestionMarks) {
    EXPECT_EQ(run("assert(mode('fast') == 'fast'); assert(mode('slow') == string.rep('?', 3))"), "");
    EXPECT_NE(run("mode('Fast')").find("invalid enum"), std::string::npos);
}

TEST_F(BindingTest, UInt64ComparesAsUnsigned) {
    auto pushValue = [this](uint64_t value) {
        auto* halves = static_cast<uint32_t*>(lua_newuserdata(L, 8));
        halves[0] = static_cast<uint32_t>(value);
        halves[1] = static_cast<uint32_t>(value >> 32);
        luaL_getmetatable(L, "quill.uint64");
        lua_setmetatable(L, -2);
    };
    pushValue(0xffffffff00000000ull);
    lua_setglobal(L, "big");
    pushValue(0x00000000ffffffffull);
    lua_setglobal(L, "small");
    pushValue(0x00000000ffffffffull);
    lua_setglobal(L, "small2");
    EXPECT_EQ(run(R"(
        assert(small < big and small <= small2 and not (big < small))
        assert(small == small2 and small ~= big)
        assert(tostring(big):match("^uint64: 0x%x+$"))
    )"),
              "");
}

} // namespace
