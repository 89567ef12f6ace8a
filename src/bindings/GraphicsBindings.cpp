// The script faces of 2D drawing: ImmediateMode (the batched drawing context)
// and Graphics (render targets and full-screen shader passes). Both are tables
// of static functions; there are no instances.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/Registration.h"
#include "bindings/ShaderBindings.h"
#include "bindings/TextureBindings.h"
#include "core/Exception.h"
#include "engine/draw/Font.h"
#include "engine/draw/Graphics.h"
#include "engine/draw/ImmediateMode.h"

#include <cmath>
#include <cstdint>
#include <vector>

QUILL_SCRIPT_CLASS(engine::Font, "Font")
QUILL_SCRIPT_CLASS(engine::DrawContext, "ImmediateMode")
QUILL_SCRIPT_CLASS(engine::Graphics, "Graphics")

namespace {

using engine::Color;
using engine::DrawContext;
using engine::PrimitiveKind;

const bind::EnumEntry BlendModes[] = {
    {"Opaque", 0}, {"Additive", 1}, {"Modulative", 2}, {"Translucent", 3}, {nullptr, 0}};
const bind::EnumEntry ShapeKinds[] = {
    {"points", 0}, {"lines", 1}, {"lines_antialiased", 2}, {"triangles", 3}, {"quads", 4}, {nullptr, 0}};

constexpr Color White{255, 255, 255, 255};

DrawContext& context() {
    return engine::drawContext();
}

int integer(lua_State* L, int index) {
    return static_cast<int>(luaL_checkinteger(L, index));
}

float number(lua_State* L, int index) {
    return static_cast<float>(luaL_checknumber(L, index));
}

Color optColor(lua_State* L, int index) {
    return lua_isnoneornil(L, index) ? White : bind::readColor(L, index);
}

// --- state ---

int setTransform(lua_State* L) {
    context().setTransform(bind::readMat4(L, 1));
    return 0;
}

int setIdentityTransform(lua_State*) {
    context().setTransform(engine::Mat4::identity());
    return 0;
}

int setLineWidth(lua_State* L) {
    context().setLineWidth(number(L, 1));
    return 0;
}

int setBlendMode(lua_State* L) {
    context().setBlendMode(static_cast<engine::DrawBlendMode>(bind::checkEnum(L, 1, BlendModes)));
    return 0;
}

int clipTo(lua_State* L) {
    context().clipTo(integer(L, 1), integer(L, 2), integer(L, 3), integer(L, 4));
    return 0;
}

int resetClip(lua_State*) {
    context().resetClip();
    return 0;
}

int getClipRect(lua_State* L) {
    const engine::ClipRect& clip = context().state().clip;
    lua_pushinteger(L, clip.left);
    lua_pushinteger(L, clip.top);
    lua_pushinteger(L, clip.right);
    lua_pushinteger(L, clip.bottom);
    return 4;
}

int pushState(lua_State*) {
    context().pushState();
    return 0;
}

int popState(lua_State*) {
    context().popState();
    return 0;
}

int beginDraw(lua_State*) {
    context().beginDraw();
    return 0;
}

int endDraw(lua_State*) {
    context().endDraw();
    return 0;
}

// --- primitives ---

int drawPoint(lua_State* L) {
    int x = integer(L, 1), y = integer(L, 2);
    context().drawPoint(x, y, optColor(L, 3));
    return 0;
}

int drawLine(lua_State* L) {
    int x0 = integer(L, 1), y0 = integer(L, 2), x1 = integer(L, 3), y1 = integer(L, 4);
    context().drawLine(x0, y0, x1, y1, optColor(L, 5));
    return 0;
}

int drawLineAntialiased(lua_State* L) {
    int x0 = integer(L, 1), y0 = integer(L, 2), x1 = integer(L, 3), y1 = integer(L, 4);
    context().drawLineAntialiased(x0, y0, x1, y1, optColor(L, 5));
    return 0;
}

int drawRect(lua_State* L) {
    int x0 = integer(L, 1), y0 = integer(L, 2), x1 = integer(L, 3), y1 = integer(L, 4);
    context().drawRect(x0, y0, x1, y1, optColor(L, 5));
    return 0;
}

int fillRect(lua_State* L) {
    int x = integer(L, 1), y = integer(L, 2), w = integer(L, 3), h = integer(L, 4);
    context().fillRect(x, y, w, h, optColor(L, 5));
    return 0;
}

int fillRoundedRect(lua_State* L) {
    int x = integer(L, 1), y = integer(L, 2), w = integer(L, 3), h = integer(L, 4);
    float radius = number(L, 5);
    context().fillRoundedRect(x, y, w, h, radius, optColor(L, 6));
    return 0;
}

int fillRoundedRectAntialiased(lua_State* L) {
    int x = integer(L, 1), y = integer(L, 2), w = integer(L, 3), h = integer(L, 4);
    float radius = number(L, 5);
    context().fillRoundedRectAntialiased(x, y, w, h, radius, optColor(L, 6));
    return 0;
}

int fillPolygon(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    std::vector<engine::Vec2> points;
    size_t count = lua_objlen(L, 1);
    points.reserve(count);
    for (size_t i = 1; i <= count; ++i) {
        lua_rawgeti(L, 1, int(i));
        points.push_back(bind::readVec2(L, lua_gettop(L)));
        lua_pop(L, 1);
    }
    Color color = optColor(L, 2);
    context().fillPolygon(points, color);
    return 0;
}

// The form goes by the number of arguments: the whole texture (fewer than 8),
// a source rectangle at its own size (8 or 9), or stretched (10 and more).
int drawImage(lua_State* L) {
    int arguments = lua_gettop(L);
    engine::RenderableTexture* texture = bind::check<engine::RenderableTexture>(L, 1);
    float x = float(integer(L, 2)), y = float(integer(L, 3));
    float texWidth = float(texture->getWidth()), texHeight = float(texture->getHeight());
    if (arguments < 8) {
        Color color = optColor(L, 4);
        int flags = static_cast<int>(luaL_optinteger(L, 5, 0));
        context().drawImage(texture, x, y, texWidth, texHeight, 0, 0, 1, 1, color, flags);
        return 0;
    }
    float srcX = float(integer(L, 4)), srcY = float(integer(L, 5));
    float srcW = float(integer(L, 6)), srcH = float(integer(L, 7));
    float width = srcW, height = srcH;
    int next = 8;
    if (arguments >= 10) {
        width = float(integer(L, 8));
        height = float(integer(L, 9));
        next = 10;
    }
    Color color = bind::readColor(L, next);
    int flags = static_cast<int>(luaL_optinteger(L, next + 1, 0));
    float u0 = texWidth > 0 ? srcX / texWidth : 0, v0 = texHeight > 0 ? srcY / texHeight : 0;
    float u1 = texWidth > 0 ? (srcX + srcW) / texWidth : 0, v1 = texHeight > 0 ? (srcY + srcH) / texHeight : 0;
    context().drawImage(texture, x, y, width, height, u0, v0, u1, v1, color, flags);
    return 0;
}

// --- the direct forms of the busiest primitives ---
//
// A frame may fill thousands of rectangles and draw thousands of images: the
// functions scripts call for fillRect and the whole-texture drawImage are Lua
// that checks the arguments and calls these through the FFI, which the JIT
// compiler keeps inside the script's trace. What they do not take (another
// type, a value that converts differently per build, drawing not begun) goes
// to the plain binding, which reports it as always.

// luaL_checkinteger's value of n where every build agrees on it: 64-bit
// builds truncate any number, 32-bit ones round, so there only whole numbers.
bool scriptInteger(double n, int& out) {
    if (!(n > -9.0e18 && n < 9.0e18))
        return false;
    if (sizeof(void*) < 8 && !(n == std::floor(n) && n > -2147483648.0 && n < 2147483648.0))
        return false;
    out = static_cast<int>(static_cast<int64_t>(n));
    return true;
}

Color colorOf(double r, double g, double b, double a) {
    return {bind::colorByte(r), bind::colorByte(g), bind::colorByte(b), bind::colorByte(a)};
}

int directFillRect(double x, double y, double w, double h, double r, double g, double b, double a) noexcept {
    DrawContext& draw = context();
    int ix = 0, iy = 0, iw = 0, ih = 0;
    if (!draw.isDrawing() || !scriptInteger(x, ix) || !scriptInteger(y, iy) || !scriptInteger(w, iw) ||
        !scriptInteger(h, ih))
        return 0;
    try {
        draw.fillRect(ix, iy, iw, ih, colorOf(r, g, b, a));
    } catch (...) {
        return 0;
    }
    return 1;
}

int directDrawImage(const bind::Handle* handle, double x, double y, double r, double g, double b, double a,
                    double flags) noexcept {
    DrawContext& draw = context();
    auto* texture = static_cast<engine::RenderableTexture*>(handle->object);
    int ix = 0, iy = 0, iflags = 0;
    if (!texture || !draw.isDrawing() || !scriptInteger(x, ix) || !scriptInteger(y, iy) ||
        !scriptInteger(flags, iflags))
        return 0;
    try {
        draw.drawImage(texture, float(ix), float(iy), float(texture->getWidth()), float(texture->getHeight()), 0, 0,
                       1, 1, colorOf(r, g, b, a), iflags);
    } catch (...) {
        return 0;
    }
    return 1;
}

const char DirectPrimitives[] = R"lua(
local registry, plainFillRect, plainDrawImage, fillAddress, imageAddress = ...
local hasFfi, ffi = pcall(require, "ffi")
if not hasFfi then return plainFillRect, plainDrawImage end
local select, type, rawget, getmetatable, setmetatable = select, type, rawget, getmetatable, setmetatable
local fill = ffi.cast("int (*)(double, double, double, double, double, double, double, double)", fillAddress)
local image = ffi.cast("int (*)(void *, double, double, double, double, double, double, double)", imageAddress)

-- Whether a metatable is the texture class or one derived from it.
local isTexture = setmetatable({}, { __mode = "k", __index = function(known, meta)
    local class = rawget(registry, "RenderableTexture")
    if class == nil or type(meta) ~= "table" then return false end
    local current = meta
    while current ~= class and type(current) == "table" do current = rawget(current, "baseclass") end
    known[meta] = current == class
    return current == class
end })

local function fillRect(...)
    local x, y, w, h, c = ...
    if type(x) == "number" and type(y) == "number" and type(w) == "number" and type(h) == "number" then
        if c == nil then
            if fill(x, y, w, h, 255, 255, 255, 255) ~= 0 then return end
        elseif type(c) == "table" then
            local r, g, b, a = rawget(c, 1), rawget(c, 2), rawget(c, 3), rawget(c, 4)
            if type(r) == "number" and type(g) == "number" and type(b) == "number" and type(a) == "number"
                and fill(x, y, w, h, r, g, b, a) ~= 0 then
                return
            end
        end
    end
    return plainFillRect(...)
end

local function drawImage(...)
    if select("#", ...) <= 5 then
        local t, x, y, c, flags = ...
        if type(t) == "userdata" and isTexture[getmetatable(t)] and type(x) == "number" and type(y) == "number"
            and (flags == nil or type(flags) == "number") then
            if c == nil then
                if image(t, x, y, 255, 255, 255, 255, flags or 0) ~= 0 then return end
            elseif type(c) == "table" then
                local r, g, b, a = rawget(c, 1), rawget(c, 2), rawget(c, 3), rawget(c, 4)
                if type(r) == "number" and type(g) == "number" and type(b) == "number" and type(a) == "number"
                    and image(t, x, y, r, g, b, a, flags or 0) ~= 0 then
                    return
                end
            end
        end
    end
    return plainDrawImage(...)
end

return fillRect, drawImage
)lua";

// Puts the Lua forms of fillRect and drawImage in the class table at index.
void installDirectPrimitives(lua_State* L, int index) {
    index = lua_gettop(L) + index + 1;
    if (luaL_loadbuffer(L, DirectPrimitives, sizeof DirectPrimitives - 1, "=ImmediateMode") != 0)
        lua_error(L);
    lua_pushvalue(L, LUA_REGISTRYINDEX);
    lua_getfield(L, index, "fillRect");
    lua_getfield(L, index, "drawImage");
    lua_pushlightuserdata(L, reinterpret_cast<void*>(&directFillRect));
    lua_pushlightuserdata(L, reinterpret_cast<void*>(&directDrawImage));
    lua_call(L, 5, 2);
    lua_setfield(L, index, "drawImage");
    lua_setfield(L, index, "fillRect");
}

int drawText(lua_State* L) {
    std::string text = bind::checkString(L, 1);
    int x = integer(L, 2), y = integer(L, 3);
    engine::Font* font = bind::check<engine::Font>(L, 4);
    context().drawText(text, float(x), float(y), *font, optColor(L, 5));
    return 0;
}

int beginShape(lua_State* L) {
    auto kind = static_cast<PrimitiveKind>(bind::checkEnum(L, 1, ShapeKinds));
    bool is3D = bind::checkBoolean(L, 2);
    context().beginShape(kind, is3D);
    return 0;
}

int vertexPosition(lua_State* L) {
    context().vertexPosition(number(L, 1), number(L, 2));
    return 0;
}

int vertexColor(lua_State* L) {
    context().vertexColor(bind::readColor(L, 1));
    return 0;
}

int vertexTexcoord(lua_State* L) {
    context().vertexTexcoord(number(L, 1), number(L, 2));
    return 0;
}

int endShape(lua_State*) {
    context().endShape();
    return 0;
}

// --- Graphics ---

engine::Graphics& graphics() {
    engine::Graphics* current = engine::Graphics::current();
    if (!current)
        throw core::Exception("engine not initialized");
    return *current;
}

engine::RenderableTexture* optTexture(lua_State* L, int index) {
    return lua_isnoneornil(L, index) ? nullptr : bind::check<engine::RenderableTexture>(L, index);
}

int setRenderTarget(lua_State* L) {
    engine::RenderableTexture* target = optTexture(L, 1);
    graphics().setRenderTarget(target);
    return 0;
}

int clear(lua_State*) {
    graphics().clear({0, 0, 0, 0});
    return 0;
}

int drawFullScreenRect(lua_State*) {
    graphics().drawFullScreenQuad();
    return 0;
}

int blit(lua_State* L) {
    engine::RenderableTexture* source = bind::check<engine::RenderableTexture>(L, 1);
    engine::RenderableTexture* target = optTexture(L, 2);
    engine::RenderableShader* shader =
        lua_isnoneornil(L, 3) ? nullptr : bind::check<engine::RenderableShader>(L, 3);
    graphics().blit(source, target, shader);
    return 0;
}

} // namespace

void registerImmediateMode(lua_State* L) {
    using bind::guarded;
    bind::registerClass<DrawContext>(L, nullptr,
                                     {
                                         {"setTransform", guarded<setTransform>},
                                         {"setIdentityTransform", guarded<setIdentityTransform>},
                                         {"setLineWidth", guarded<setLineWidth>},
                                         {"setBlendMode", guarded<setBlendMode>},
                                         {"clipTo", guarded<clipTo>},
                                         {"resetClip", guarded<resetClip>},
                                         {"getClipRect", guarded<getClipRect>},
                                         {"pushState", guarded<pushState>},
                                         {"popState", guarded<popState>},
                                         {"beginDraw", guarded<beginDraw>},
                                         {"endDraw", guarded<endDraw>},
                                         {"drawPoint", guarded<drawPoint>},
                                         {"drawLine", guarded<drawLine>},
                                         {"drawLineAntialiased", guarded<drawLineAntialiased>},
                                         {"drawRect", guarded<drawRect>},
                                         {"fillRect", guarded<fillRect>},
                                         {"fillRoundedRect", guarded<fillRoundedRect>},
                                         {"fillRoundedRectAntialiased", guarded<fillRoundedRectAntialiased>},
                                         {"fillPolygon", guarded<fillPolygon>},
                                         {"drawImage", guarded<drawImage>},
                                         {"drawText", guarded<drawText>},
                                         {"beginShape", guarded<beginShape>},
                                         {"vertexPosition", guarded<vertexPosition>},
                                         {"vertexColor", guarded<vertexColor>},
                                         {"vertexTexcoord", guarded<vertexTexcoord>},
                                         {"endShape", guarded<endShape>},
                                     });
    luaL_getmetatable(L, bind::ClassName<DrawContext>::value);
    installDirectPrimitives(L, -1);
    lua_pop(L, 1);
}

void registerGraphics(lua_State* L) {
    using bind::guarded;
    bind::registerClass<engine::Graphics>(L, nullptr,
                                          {
                                              {"setRenderTarget", guarded<setRenderTarget>},
                                              {"clear", guarded<clear>},
                                              {"drawRect", guarded<drawFullScreenRect>},
                                              {"blit", guarded<blit>},
                                          });
}
