#include "RenderBench.h"

#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "engine/render/EngineSystems.h"

#include <benchmark/benchmark.h>

#include <cstdio>

int runRenderBenchmarks(int argc, char** argv, int width, int height, const char* title, const char* dataDir) {
    using namespace engine;
    benchmark::Initialize(&argc, argv);
    if (dataDir)
        core::addSearchPath(dataDir);
    core::Frame::Options options;
    options.width = width;
    options.height = height;
    options.title = title;
    try {
        core::Frame frame(options);
        EngineOptions engineOptions;
        engineOptions.settings.window = &frame.window();
        engineOptions.settings.width = width;
        engineOptions.settings.height = height;
        engineOptions.settings.verticalSync = 0;
        EngineSystems::create(engineOptions);
        benchmark::RunSpecifiedBenchmarks();
        EngineSystems::destroy();
    } catch (const core::Exception& e) {
        std::fprintf(stderr, "no OpenGL window: %s\n", e.getMessage());
        return 1;
    }
    core::Frame::forgetMainFrame();
    return 0;
}
