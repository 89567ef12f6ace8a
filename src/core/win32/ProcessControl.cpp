// Termination requests on Windows. No library here turns Ctrl+C into an event,
// and the host's boxes are its own windows, so only the crash report's exit
// code needs a hand.
#include "core/ProcessControl.h"

#include <atomic>
#include <windows.h>

namespace core {

namespace {
std::atomic<int> g_exitCode{0};

BOOL WINAPI exitAtOnce(DWORD) {
    ExitProcess(static_cast<UINT>(g_exitCode.load()));
}
} // namespace

void exitOnTerminationRequest(int exitCode) {
    g_exitCode = exitCode;
    SetConsoleCtrlHandler(exitAtOnce, TRUE);
}

BoxProcessScope::BoxProcessScope() = default;
BoxProcessScope::~BoxProcessScope() = default;

} // namespace core
