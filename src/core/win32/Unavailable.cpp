// The platform pieces the Windows build does not have yet. Each says so: it
// throws, or gives the answer its interface has for "not possible here" (a
// dialog is cancelled, no screen is known). A piece that lands deletes its
// entry here.
#include "core/Cursor.h"
#include "core/CursorDisplay.h"
#include "core/Exception.h"
#include "core/GLContext.h"
#include "core/Window.h"
#include "engine/audio/AudioEngine.h"

namespace core {

namespace {
[[noreturn]] void unavailable(const char* what) {
    throw Exception("%s is not available on Windows yet", what);
}
} // namespace

// --- window, input, cursors, OpenGL, audio ---

std::unique_ptr<Window> Window::make(EventHandler*) {
    unavailable("The window");
}

Cursor* Cursor::createSystem(SystemCursor) {
    unavailable("The mouse cursor");
}

Cursor* Cursor::fromImage(const Image&, int, int) {
    unavailable("The mouse cursor");
}

// Without a window there is no cursor to show or hide; the count is kept.
int changeCursorDisplayCount(int delta) {
    static int count = 0;
    return count += delta;
}

std::unique_ptr<GLContext> GLContext::create(Window&) {
    unavailable("OpenGL");
}

} // namespace core

engine::AudioEngine* engine::createAudioEngineXA2() {
    core::unavailable("XAudio2");
}
