// The platform pieces the Windows build does not have yet. Each says so: it
// throws, or gives the answer its interface has for "not possible here" (a
// dialog is cancelled, no screen is known). A piece that lands deletes its
// entry here.
#include "core/Cursor.h"
#include "core/CursorDisplay.h"
#include "core/Desktop.h"
#include "core/Dialogs.h"
#include "core/DirectoryWatcher.h"
#include "core/Exception.h"
#include "core/GLContext.h"
#include "core/MessageBox.h"
#include "core/SystemInfo.h"
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

// --- desktop services ---

int showMessageBox(const std::string&, const std::string&, MessageButtons) {
    return 0;
}

std::string showFileDialog(const FileDialogOptions&) {
    return std::string();
}

std::string showFolderDialog(const std::string&) {
    return std::string();
}

DirectoryWatcher* DirectoryWatcher::create(const std::string&) {
    unavailable("The directory watcher");
}

bool desktopSize(int&, int&) {
    return false;
}

bool workArea(Rect&) {
    return false;
}

std::vector<DisplayMode> displayModes() {
    return {};
}

std::vector<DisplayDevice> displayDevices() {
    return {};
}

void setClipboardText(const std::string&) {
    unavailable("The clipboard");
}

std::string getClipboardText() {
    unavailable("The clipboard");
}

void openURL(const std::string&) {
    unavailable("openURL");
}

OsVersion osVersion() {
    unavailable("The system information");
}

ProcessorInfo processorInfo() {
    unavailable("The system information");
}

MemoryStatus memoryStatus() {
    unavailable("The memory status");
}

std::string documentsFolder() {
    unavailable("The documents folder");
}

} // namespace core

engine::AudioEngine* engine::createAudioEngineXA2() {
    core::unavailable("XAudio2");
}
