#pragma once

#include "core/HashMap.h"

#include <cstdint>
#include <functional>
#include <string>

struct lua_State;

// The start-up settings and the run loop. One instance per process; its fields
// survive script restarts.
class Application {
public:
    Application();
    ~Application();

    // Takes a main script path: "\" becomes "/", then it splits at the last "/".
    void selectMainScript(const std::string& path);

    // Runs the scripts until one asks to exit.
    void run();

    std::string rootDirectory;
    std::string libDirectory;
    std::string scriptPath;
    std::string scriptDirectory;
    std::string scriptName;
    bool exitRequested = false;
    bool restartRequested = false;
    core::HashMap<std::string, std::string> args;
    std::string companyName = "My Company";
    std::string applicationName = "My Application";
    // Named in the crash box's request to e-mail the error log; empty: none.
    std::string supportAddress;
    int maxFrameRate = 1000;

    // Called after the host's own registrations in every new Lua state; lets
    // tests and benchmarks add classes of their own.
    std::function<void(lua_State*)> extraRegistrations;

private:
    void runOnce();
    void enterScriptDirectory();
    void frameStep(lua_State* L, int tracebackIndex);
};

// The one Application of the process, or null outside its lifetime.
Application* application();

// Frame timing, process-wide; read by sys.time, sys.deltaTime.
struct FrameTiming {
    uint64_t startCounter = 0;      // when this run's sys module was registered
    uint64_t lastFrameCounter = 0;  // the previous display call; 0 when none
    double time = 0.0;
    double deltaTime = 0.0;
};
FrameTiming& frameTiming();
