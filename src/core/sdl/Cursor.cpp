#include "core/Cursor.h"

#include "core/Exception.h"
#include "core/Image.h"
#include "core/sdl/Cursors.h"
#include "core/sdl/Video.h"

#include <SDL.h>

namespace core {
namespace {

class CursorSDL final : public Cursor {
public:
    explicit CursorSDL(SDL_Cursor* cursor) : m_cursor(cursor) {}
    ~CursorSDL() override {
        // A cursor in use falls back to the default one before it goes.
        if (SDL_GetCursor() == m_cursor)
            SDL_SetCursor(SDL_GetDefaultCursor());
        SDL_FreeCursor(m_cursor);
    }

    SDL_Cursor* native() const { return m_cursor; }

private:
    SDL_Cursor* m_cursor;
};

SDL_SystemCursor sdlCursor(SystemCursor kind) {
    switch (kind) {
    case SystemCursor::Arrow:
        return SDL_SYSTEM_CURSOR_ARROW;
    case SystemCursor::IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case SystemCursor::Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case SystemCursor::Hand:
        return SDL_SYSTEM_CURSOR_HAND;
    case SystemCursor::SplitHorizontal:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case SystemCursor::SplitVertical:
        return SDL_SYSTEM_CURSOR_SIZENS;
    }
    return SDL_SYSTEM_CURSOR_ARROW;
}

Cursor* wrap(SDL_Cursor* cursor) {
    if (!cursor)
        throw Exception("Could not create cursor: %s", SDL_GetError());
    return new CursorSDL(cursor);
}

} // namespace

Cursor* Cursor::createSystem(SystemCursor kind) {
    if (!sdl::ensureVideo())
        throw Exception("Could not create cursor: no display");
    return wrap(SDL_CreateSystemCursor(sdlCursor(kind)));
}

Cursor* Cursor::fromImage(const Image& image, int hotspotX, int hotspotY) {
    if (!sdl::ensureVideo())
        throw Exception("Could not create cursor: no display");
    std::vector<uint32_t> pixels = cursorPixels(image);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), image.getWidth(), image.getHeight(), 32,
                                                              image.getWidth() * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        throw Exception("Could not create cursor: %s", SDL_GetError());
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotspotX, hotspotY);
    SDL_FreeSurface(surface);
    return wrap(cursor);
}

void sdl::showCursorOf(const Cursor* cursor) {
    SDL_SetCursor(cursor ? static_cast<const CursorSDL*>(cursor)->native() : SDL_GetDefaultCursor());
}

} // namespace core
