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
    // quill is a console program: its output can be read where it is started,
    // and the programs a script starts share its console instead of opening
    // consoles of their own, which would take the keyboard from the game.
    // Started on its own (from the desktop), the console is the game's alone
    // and nobody reads it: it is hidden.
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1) {
        if (HWND console = GetConsoleWindow())
            ShowWindow(console, SW_HIDE);
    }
}

} // namespace core
