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
