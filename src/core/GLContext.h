#pragma once

#include <memory>

// An OpenGL context on a window: 24-bit colour, 24-bit depth, 8-bit stencil,
// double buffered, compatibility profile. Implemented per platform (core/sdl/).
namespace core {

class Window;

class GLContext {
public:
    // Creates the context on the window and makes it current; throws
    // core::Exception when the window cannot have one.
    static std::unique_ptr<GLContext> create(Window& window);

    virtual ~GLContext() = default;

    // An entry point by name; null when the driver has none.
    virtual void* procAddress(const char* name) = 0;
    // 0 off, 1 every vertical blank; false when the driver has no swap control.
    // A failure is written to the debug log naming the platform call that failed.
    virtual bool setSwapInterval(int interval) = 0;
    // Shows the back buffer.
    virtual void present() = 0;
};

} // namespace core
