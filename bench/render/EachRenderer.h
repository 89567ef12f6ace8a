#pragma once

// The self-timed benchmarks' outer loop: for each renderer the build has
// (OpenGL, and Direct3D 9 on Windows), a window of the given size, the engine
// systems on it with vertical sync off, the cases, and everything torn down
// again. A renderer that fails is reported and the next one still runs.

#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/Renderer.h"

#include <cstdio>
#include <functional>
#include <vector>

// Returns the process's exit code: 1 when a renderer failed.
inline int runOnEachRenderer(const char* title, int width, int height,
                             const std::function<void(const char* name, engine::RenderEngineKind kind)>& runCases) {
    using namespace engine;
    core::addSearchPath(QUILL_DATA_DIR);
    struct Engine {
        const char* name;
        RenderEngineKind kind;
    };
    std::vector<Engine> engines = {{"opengl", RenderEngineKind::OpenGL}};
#ifdef _WIN32
    engines.push_back({"d3d9", RenderEngineKind::D3D9});
#endif
    int failures = 0;
    for (const Engine& e : engines) {
        try {
            core::Frame::Options options;
            options.width = width;
            options.height = height;
            options.title = title;
            core::Frame frame(options);
            EngineOptions engineOptions;
            engineOptions.settings.window = &frame.window();
            engineOptions.settings.width = width;
            engineOptions.settings.height = height;
            engineOptions.settings.verticalSync = 0;
            engineOptions.settings.renderEngine = e.kind;
            EngineSystems::create(engineOptions);
            runCases(e.name, e.kind);
            EngineSystems::destroy();
            core::Frame::forgetMainFrame();
        } catch (const core::Exception& error) {
            std::fprintf(stderr, "%s: %s\n", e.name, error.getMessage());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
