// OpenGL contexts on SDL windows. The pixel format is chosen when the window is
// created (SDL asks for the GL attributes there), so only the context is made here.
#include "core/GLContext.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/sdl/Video.h"

#include <SDL.h>

namespace core {

namespace {

class GLContextSDL final : public GLContext {
public:
    GLContextSDL(SDL_Window* window, SDL_GLContext context) : m_windowId(SDL_GetWindowID(window)), m_context(context) {}

    ~GLContextSDL() override {
        if (SDL_GL_GetCurrentContext() == m_context)
            SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(m_context);
    }

    void* procAddress(const char* name) override { return SDL_GL_GetProcAddress(name); }

    bool setSwapInterval(int interval) override {
        if (SDL_GL_SetSwapInterval(interval) == 0)
            return true;
        debugLog("WARNING! Could not set vertical sync (SDL_GL_SetSwapInterval: %s)\n", SDL_GetError());
        return false;
    }

    // The window may have been closed under the context: then there is nothing to show.
    void present() override {
        if (SDL_Window* window = SDL_GetWindowFromID(m_windowId))
            SDL_GL_SwapWindow(window);
    }

private:
    Uint32 m_windowId;
    SDL_GLContext m_context;
};

} // namespace

std::unique_ptr<GLContext> GLContext::create(Window& window) {
    SDL_Window* native = sdl::nativeWindow(window);
    if (!native || !(SDL_GetWindowFlags(native) & SDL_WINDOW_OPENGL))
        throw Exception("Could not create OpenGL context (the window has no OpenGL surface)");
    SDL_GLContext context = SDL_GL_CreateContext(native);
    if (!context) {
        debugLog("SDL_GL_CreateContext: %s\n", SDL_GetError());
        throw Exception("Could not create OpenGL context (%s)", SDL_GetError());
    }
    if (SDL_GL_MakeCurrent(native, context) != 0) {
        debugLog("SDL_GL_MakeCurrent: %s\n", SDL_GetError());
        SDL_GL_DeleteContext(context);
        throw Exception("Could not make OpenGL context current");
    }
    return std::make_unique<GLContextSDL>(native, context);
}

} // namespace core
