// Importing model sources of the 1,000,000-triangle grid (1000 × 500 quads,
// 501,501 positions), read from files through the file systems:
//   build/bin/quill_bench_import
// objTriangles: an OBJ file of position, texture-coordinate and normal lines
// and one "f v/t/n v/t/n v/t/n" line per triangle (about 60 MB).
// lwoQuads: a LightWave file of the same points and one quad per grid cell,
// whose 2,000,000 corner vertices are welded back to 501,501.
// Times are per whole import (parsing, mesh building, normals), in milliseconds.
#include "GridMesh.h"
#include "engine/assets/LwoReader.h"
#include "engine/assets/ObjImporter.h"
#include "support/LwoWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

using namespace engine;

namespace {

std::string scratchPath(const char* extension) {
    return "/tmp/quill-import-bench-" + std::to_string(getpid()) + extension;
}

void writeFile(const std::string& path, const std::string& bytes) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
        std::abort();
    std::fclose(out);
}

std::string objText(const Mesh& mesh) {
    std::string text = "# grid\n";
    char line[128];
    const Vec3* p = mesh.vec3Array(PositionSlot);
    const float* t = mesh.floatArray(TexcoordSlot, 2);
    for (int i = 0; i < mesh.getVertexCount(); ++i) {
        text.append(line, size_t(std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", p[i].x, p[i].y, p[i].z)));
        text.append(line, size_t(std::snprintf(line, sizeof line, "vt %.6f %.6f\n", t[2 * i], t[2 * i + 1])));
    }
    text += "vn 0 1 0\n";
    const std::vector<int32_t>& indices = mesh.getIndices();
    for (size_t i = 0; i < indices.size(); i += 3) {
        int a = indices[i] + 1, b = indices[i + 1] + 1, c = indices[i + 2] + 1;
        text.append(line, size_t(std::snprintf(line, sizeof line, "f %d/%d/1 %d/%d/1 %d/%d/1\n", a, a, b, b, c, c)));
    }
    return text;
}

std::string lwoBytes(const Mesh& mesh) {
    std::vector<LwoWriter::Point> points;
    const Vec3* p = mesh.vec3Array(PositionSlot);
    for (int i = 0; i < mesh.getVertexCount(); ++i)
        points.push_back({p[i].x, p[i].y, p[i].z});
    std::vector<std::vector<uint32_t>> quads;
    for (int r = 0; r < bench::Rows; ++r)
        for (int c = 0; c < bench::Columns; ++c) {
            uint32_t v = uint32_t(r * (bench::Columns + 1) + c), below = v + bench::Columns + 1;
            quads.push_back({v, below, below + 1, v + 1});
        }
    LwoWriter file;
    return file.layer(0).points(points).polygons(quads).bytes();
}

void objTriangles(benchmark::State& state) {
    std::string path = scratchPath(".obj");
    std::string text = objText(*bench::grid());
    writeFile(path, text);
    for (auto _ : state) {
        std::unique_ptr<Mesh> mesh = readObjMesh(path);
        state.counters["triangles"] = double(mesh->getIndices().size() / 3);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    std::remove(path.c_str());
}

void lwoQuads(benchmark::State& state) {
    std::string path = scratchPath(".lwo");
    std::string bytes = lwoBytes(*bench::grid());
    writeFile(path, bytes);
    for (auto _ : state) {
        std::unique_ptr<Mesh> mesh = readLwoMesh(path, 0);
        state.counters["triangles"] = double(mesh->getIndices().size() / 3);
        state.counters["vertices"] = mesh->getVertexCount();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(objTriangles)->Unit(benchmark::kMillisecond);
BENCHMARK(lwoQuads)->Unit(benchmark::kMillisecond);
