// Termination requests and box helper processes on POSIX systems.
#include "core/ProcessControl.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace core {

namespace {
volatile sig_atomic_t g_exitCode = 0;
std::atomic<int> g_boxScopes{0};
pid_t g_boxParent = 0;

void exitAtOnce(int) {
    _exit(g_exitCode);
}

// A request the process was started to ignore (a background job) stays ignored.
bool ignored(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// Runs in every child forked while a box scope lives, before the child's own
// code; only async-signal-safe calls are allowed here.
void boxChildAfterFork() {
    if (g_boxScopes.load() == 0)
        return;
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    // The parent may have died before the death signal was armed.
    if (getppid() != g_boxParent)
        _exit(1);
    for (int request : {SIGINT, SIGTERM}) {
        if (!ignored(request))
            signal(request, SIG_DFL);
    }
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO)
            close(null);
    }
}
} // namespace

void exitOnTerminationRequest(int exitCode) {
    g_exitCode = exitCode;
    struct sigaction action {};
    action.sa_handler = exitAtOnce;
    sigemptyset(&action.sa_mask);
    for (int request : {SIGINT, SIGTERM}) {
        if (!ignored(request))
            sigaction(request, &action, nullptr);
    }
}

BoxProcessScope::BoxProcessScope() {
    static const bool registered = pthread_atfork(nullptr, nullptr, boxChildAfterFork) == 0;
    (void)registered;
    g_boxParent = getpid();
    ++g_boxScopes;
}

BoxProcessScope::~BoxProcessScope() {
    --g_boxScopes;
}

} // namespace core
