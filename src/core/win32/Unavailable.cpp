// The platform pieces the Windows build does not have yet. Each says so: it
// throws, or gives the answer its interface has for "not possible here" (a
// dialog is cancelled, no screen is known). A piece that lands deletes its
// entry here.
#include "core/Desktop.h"
#include "core/Dialogs.h"
#include "core/DirectoryWatcher.h"
#include "core/Exception.h"
#include "core/MessageBox.h"
#include "core/SystemInfo.h"

namespace core {

namespace {
[[noreturn]] void unavailable(const char* what) {
    throw Exception("%s is not available on Windows yet", what);
}
} // namespace

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
