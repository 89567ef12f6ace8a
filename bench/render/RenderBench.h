#pragma once

// The main of the benchmarks that draw: opens a window of the size, creates
// the engine systems on it with vertical sync off, runs the registered
// benchmarks and tears everything down. dataDir, when given, is searched for
// the shader files. Returns the process exit code (1 without a window).
int runRenderBenchmarks(int argc, char** argv, int width, int height, const char* title,
                        const char* dataDir = nullptr);
