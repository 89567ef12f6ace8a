#include "core/ProcessEntry.h"

#include <objbase.h>
#include <windows.h>

namespace core {

void startProcess() {
    // The shell's dialogs and the audio engine are COM objects; the watcher
    // and the music streams call into them from threads of their own.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // A drive without a disk answers "not found" instead of asking the user.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // What scripts print is UTF-8, as every text in the host.
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace core
