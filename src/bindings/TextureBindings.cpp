// The script faces of engine::RenderableTexture and of the render buffers,
// which are textures too.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "bindings/TextureBindings.h"
#include "core/Image.h"
#include "engine/render/DDSFile.h"
#include "engine/render/RenderableTexture.h"
#include "engine/render/Renderer.h"

#include <algorithm>

namespace {

using engine::RenderableTexture;

// RenderBuffer has functions only; its values are RenderableTexture handles.
struct RenderBufferFunctions {};

} // namespace

QUILL_SCRIPT_CLASS(core::Image, "Image")
QUILL_SCRIPT_CLASS(RenderBufferFunctions, "RenderBuffer")

namespace {

RenderableTexture* self(lua_State* L) {
    return bind::check<RenderableTexture>(L, 1);
}

engine::Renderer& renderer() {
    engine::Renderer* renderer = engine::Renderer::current();
    if (!renderer)
        throw core::Exception("engine not initialized");
    return *renderer;
}

int checkSize(lua_State* L, int index) {
    lua_Integer size = luaL_checkinteger(L, index);
    luaL_argcheck(L, size > 0 && size <= 16384, index, "invalid size");
    return int(size);
}

// --- RenderableTexture ---

int create(lua_State* L) {
    const core::Image* image = bind::check<core::Image>(L, 1);
    bind::pushNew(L, engine::createTexture(*image));
    return 1;
}

int load(lua_State* L) {
    std::string name = bind::checkString(L, 1);
    // Loading keeps at least one level, so any larger skip means "all but the last".
    lua_Integer skip = std::clamp<lua_Integer>(luaL_optinteger(L, 2, 0), 0, engine::DDSFile::MaxLevels);
    bool srgb = bind::optBoolean(L, 3, false);
    bind::pushNew(L, engine::loadTexture(name, int(skip), srgb));
    return 1;
}

int save(lua_State* L) {
    self(L)->save(bind::checkString(L, 2));
    return 0;
}

int reload(lua_State* L) {
    self(L)->reload();
    return 0;
}

int getWidth(lua_State* L) {
    lua_pushnumber(L, self(L)->getWidth());
    return 1;
}

int getHeight(lua_State* L) {
    lua_pushnumber(L, self(L)->getHeight());
    return 1;
}

// Indexed by RenderableTexture::Filter, after Default.
const bind::EnumEntry Filters[] = {{"nearest", 1}, {"linear", 2}, {"trilinear", 3}, {nullptr, 0}};

int setFilter(lua_State* L) {
    RenderableTexture* texture = self(L);
    texture->setFilter(RenderableTexture::Filter(bind::checkEnum(L, 2, Filters)));
    return 0;
}

int getTextureByFilename(lua_State* L) {
    bind::push(L, engine::findTexture(bind::checkString(L, 1)));
    return 1;
}

// --- RenderBuffer ---

int createRenderBuffer(lua_State* L) {
    int width = checkSize(L, 1);
    int height = checkSize(L, 2);
    bind::pushNew(L, renderer().createRenderBuffer(width, height));
    return 1;
}

int getTemporary(lua_State* L) {
    int width = checkSize(L, 1);
    int height = checkSize(L, 2);
    bind::push(L, renderer().getTemporaryRenderBuffer(width, height), bind::Ownership::Borrowed);
    return 1;
}

int release(lua_State* L) {
    RenderableTexture* texture = self(L);
    if (engine::Renderer* current = engine::Renderer::current())
        current->releaseRenderBuffer(texture);
    lua_getfield(L, 1, "dispose");
    lua_pushvalue(L, 1);
    lua_call(L, 1, 0);
    return 0;
}

} // namespace

void registerRenderableTexture(lua_State* L) {
    using bind::guarded;
    bind::registerClass<RenderableTexture>(L, nullptr,
                                           {
                                               {"create", guarded<create>},
                                               {"load", guarded<load>},
                                               {"save", guarded<save>},
                                               {"reload", guarded<reload>},
                                               {"getWidth", getWidth},
                                               {"getHeight", getHeight},
                                               {"setFilter", setFilter},
                                               {"getTextureByFilename", getTextureByFilename},
                                           });
}

void registerRenderBuffer(lua_State* L) {
    using bind::guarded;
    bind::registerClass<RenderBufferFunctions>(L, nullptr,
                                               {
                                                   {"create", guarded<createRenderBuffer>},
                                                   {"getTemporary", guarded<getTemporary>},
                                                   {"release", release},
                                               });
}
