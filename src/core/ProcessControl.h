#pragma once

// How the process meets interrupt and terminate requests (Ctrl+C, `kill`,
// `timeout`) and the helper processes that show its modal boxes. Implemented
// per platform (core/posix/, core/win32/).
namespace core {

// From now on an interrupt or terminate request ends the process at once with
// exitCode, whatever it waits for (a modal box included). For the crash report.
void exitOnTerminationRequest(int exitCode);

// While one lives, a helper process forked to show a box (SDL shows its boxes
// from a child process) dies with this process, ends on interrupt and terminate,
// and holds none of this process's output open, so `$(...)` and pipes end when
// this process ends.
class BoxProcessScope {
public:
    BoxProcessScope();
    ~BoxProcessScope();
    BoxProcessScope(const BoxProcessScope&) = delete;
    BoxProcessScope& operator=(const BoxProcessScope&) = delete;
};

} // namespace core
