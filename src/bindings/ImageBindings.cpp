// The script face of core::Image.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/Registration.h"
#include "core/Image.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

QUILL_SCRIPT_CLASS(core::Image, "Image")

namespace {

core::Image* self(lua_State* L) {
    return bind::check<core::Image>(L, 1);
}

int checkInt(lua_State* L, int index) {
    return static_cast<int>(luaL_checkinteger(L, index));
}

// The low 8 bits of a number truncated to an integer.
uint8_t lowByte(float value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.0e18f)
        return 0;
    return static_cast<uint8_t>(static_cast<long long>(value) & 0xff);
}

void checkCoordinate(lua_State* L, const core::Image& image, int x, int y) {
    if (!image.contains(x, y))
        luaL_error(L, "coordinate out of range");
}

int create(lua_State* L) {
    int width = checkInt(L, 1);
    int height = checkInt(L, 2);
    if (width <= 0 || height <= 0)
        return luaL_error(L, "invalid size");
    bind::pushNew(L, new core::Image(width, height), bind::Ownership::Plain);
    return 1;
}

int load(lua_State* L) {
    auto image = std::make_unique<core::Image>(core::Image::load(bind::checkString(L, 1)));
    bind::pushNew(L, image.release(), bind::Ownership::Plain);
    return 1;
}

int save(lua_State* L) {
    core::Image* image = self(L);
    image->save(bind::checkString(L, 2), bind::optBoolean(L, 3, true));
    return 0;
}

// copy(source, sx, sy, w, h, destination, dx, dy)
int copy(lua_State* L) {
    core::Image* source = bind::check<core::Image>(L, 1);
    int sx = checkInt(L, 2), sy = checkInt(L, 3), w = checkInt(L, 4), h = checkInt(L, 5);
    core::Image* destination = bind::check<core::Image>(L, 6);
    int dx = checkInt(L, 7), dy = checkInt(L, 8);
    // Sizes are compared in 64 bits so that no sum can wrap.
    auto inside = [](int64_t start, int64_t size, int64_t limit) { return start >= 0 && size >= 0 && start + size <= limit; };
    if (!inside(sx, w, source->getWidth()) || !inside(sy, h, source->getHeight()))
        return luaL_error(L, "invalid source rectangle");
    if (!inside(dx, w, destination->getWidth()) || !inside(dy, h, destination->getHeight()))
        return luaL_error(L, "invalid destination rectangle");
    destination->blit(dx, dy, *source, sx, sy, w, h);
    return 0;
}

int getWidth(lua_State* L) {
    lua_pushinteger(L, self(L)->getWidth());
    return 1;
}

int getHeight(lua_State* L) {
    lua_pushinteger(L, self(L)->getHeight());
    return 1;
}

int setPixel(lua_State* L) {
    core::Image* image = self(L);
    int x = checkInt(L, 2), y = checkInt(L, 3);
    engine::Vec4 color = bind::readVec4(L, 4);
    checkCoordinate(L, *image, x, y);
    image->setPixel(x, y, {lowByte(color.x), lowByte(color.y), lowByte(color.z), lowByte(color.w)});
    return 0;
}

int getPixel(lua_State* L) {
    core::Image* image = self(L);
    int x = checkInt(L, 2), y = checkInt(L, 3);
    checkCoordinate(L, *image, x, y);
    core::Image::Rgba pixel = image->getPixel(x, y);
    bind::pushVec4(L, {float(pixel.red), float(pixel.green), float(pixel.blue), float(pixel.alpha)});
    return 1;
}

// getPixel for whole-number coordinates of a pixel; anything else is left to
// getPixel's own conversions and checks.
std::optional<engine::Vec4> pixelAt(core::Image& image, double x, double y) {
    if (!(x >= 0 && x < 2147483648.0 && y >= 0 && y < 2147483648.0) || x != std::floor(x) || y != std::floor(y))
        return std::nullopt;
    int column = static_cast<int>(x), row = static_cast<int>(y);
    if (!image.contains(column, row))
        return std::nullopt;
    core::Image::Rgba pixel = image.getPixel(column, row);
    return engine::Vec4{float(pixel.red), float(pixel.green), float(pixel.blue), float(pixel.alpha)};
}

int setImageData(lua_State* L) {
    core::Image* image = self(L);
    size_t length = 0;
    const char* data = luaL_checklstring(L, 2, &length);
    if (length != image->dataSize())
        return luaL_error(L, "invalid data size");
    memcpy(image->data(), data, length);
    return 0;
}

int getImageData(lua_State* L) {
    core::Image* image = self(L);
    lua_pushlstring(L, reinterpret_cast<const char*>(image->data()), image->dataSize());
    return 1;
}

} // namespace

void registerImage(lua_State* L) {
    using bind::guarded;
    bind::registerClass<core::Image>(L, nullptr,
                                     {
                                         {"create", guarded<create>},
                                         {"load", guarded<load>},
                                         {"save", guarded<save>},
                                         {"copy", copy},
                                         {"getWidth", getWidth},
                                         {"getHeight", getHeight},
                                         {"setPixel", setPixel},
                                         bind::vecMethod<getPixel, 3, true, pixelAt>("getPixel"),
                                         {"setImageData", setImageData},
                                         {"getImageData", getImageData},
                                     },
                                     {"Width", "Height"});
}
