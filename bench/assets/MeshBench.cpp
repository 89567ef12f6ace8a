// Mesh geometry on a 1,000,000-triangle height-field grid (1000 × 500 quads).
//   build/bin/quill_bench_mesh
// Normals and tangents run on the indexed grid (501,501 vertices); welding runs
// on the same triangles with three vertices of their own each (3,000,000
// vertices with positions, normals and texture coordinates, welded back to
// 501,501). Times are per whole-mesh operation, in milliseconds.
#include "GridMesh.h"
#include "engine/assets/MeshGeometry.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace engine;
using bench::grid;

namespace {

// The grid with every corner of every triangle as a vertex of its own.
std::unique_ptr<Mesh> soup(Mesh& indexed) {
    computeVertexNormals(indexed);
    const std::vector<int32_t>& indices = indexed.getIndices();
    auto mesh = std::make_unique<Mesh>(int(indices.size()));
    for (int slot : {PositionSlot, NormalSlot, TexcoordSlot}) {
        const VertexArray& array = indexed.getVertexArray(slot);
        std::vector<uint8_t> data(indices.size() * array.stride);
        for (size_t i = 0; i < indices.size(); ++i)
            std::memcpy(&data[i * array.stride], &array.data[size_t(indices[i]) * array.stride], array.stride);
        mesh->setVertexArray(slot, array.type, array.components, std::move(data));
    }
    std::vector<int32_t> own(indices.size());
    for (size_t i = 0; i < own.size(); ++i)
        own[i] = int32_t(i);
    mesh->setIndices(std::move(own));
    MeshSegment& segment = mesh->addSegment();
    segment.count = int32_t(indices.size() / 3);
    return mesh;
}

void computeNormals(benchmark::State& state) {
    auto mesh = grid();
    for (auto _ : state)
        computeVertexNormals(*mesh);
}

void computeTangents(benchmark::State& state) {
    auto mesh = grid();
    for (auto _ : state)
        computeTangentVectors(*mesh);
}

void weld(benchmark::State& state) {
    auto indexed = grid();
    auto unwelded = soup(*indexed);
    for (auto _ : state) {
        state.PauseTiming();
        Mesh mesh(*unwelded);
        state.ResumeTiming();
        weldVertices(mesh);
        benchmark::DoNotOptimize(mesh.getVertexCount());
        state.counters["vertices"] = mesh.getVertexCount();
    }
}

} // namespace

BENCHMARK(computeNormals)->Unit(benchmark::kMillisecond);
BENCHMARK(computeTangents)->Unit(benchmark::kMillisecond);
BENCHMARK(weld)->Unit(benchmark::kMillisecond);
