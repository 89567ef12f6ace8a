// Uploading the 1,000,000-triangle grid (501,501 vertices, 3,000,000 indices)
// as an OpenGL renderable mesh, glFinish included. Needs a display:
//   scripts/with-display.sh build/bin/quill_bench_upload
// "lit" uploads positions, normals and texture coordinates (32-byte vertices);
// "normalMapped" adds tangents and bitangents (56-byte vertices). Indices are
// 32-bit (the grid has more than 65,535 vertices). Times in milliseconds.
#include "GridMesh.h"
#include "RenderBench.h"
#include "engine/assets/MeshGeometry.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/gl/RenderableMeshGL.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>


using namespace engine;

namespace {

void upload(benchmark::State& state, bool tangents) {
    auto mesh = bench::grid();
    computeVertexNormals(*mesh);
    if (tangents)
        computeTangentVectors(*mesh);
    RenderableMeshGL renderable;
    for (auto _ : state) {
        renderable.init(*mesh, false);
        glFinish();
    }
    state.counters["stride"] = renderable.layout().stride;
    state.SetBytesProcessed(int64_t(state.iterations()) *
                            (int64_t(mesh->getVertexCount()) * renderable.layout().stride +
                             int64_t(mesh->getIndices().size()) * renderable.indexSize()));
}

void lit(benchmark::State& state) {
    upload(state, false);
}

void normalMapped(benchmark::State& state) {
    upload(state, true);
}

} // namespace

BENCHMARK(lit)->Unit(benchmark::kMillisecond);
BENCHMARK(normalMapped)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runRenderBenchmarks(argc, argv, 320, 240, "upload-bench");
}
