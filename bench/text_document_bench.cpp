// Parse speed of the structured text format on a 5 MB definition file, and
// loading a material library (parse plus defining its materials).
#include "core/TextDocument.h"
#include "engine/assets/MaterialLibrary.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string definitionText(size_t bytes) {
    std::string text = "-- generated material library\n";
    for (int i = 0; text.size() < bytes; ++i) {
        text += "material_" + std::to_string(i) + " {\n";
        text += "    diffuseMap = \"textures/wall_" + std::to_string(i % 97) + ".tga\",\n";
        text += "    glossiness = 0." + std::to_string(i % 10) + ",\n";
        text += "    color = { 0.25, 0.5, " + std::to_string(i % 7) + ".75 },\n";
        text += "    doubleSided = true,\n";
        text += "    --[[ block comment --]]\n";
        text += "    pass { blend = \"alpha\", depth = { 1, 2 }, },\n";
        text += "}\n";
    }
    return text;
}

void ParseDefinitionFile(benchmark::State& state) {
    std::string text = definitionText(5 * 1024 * 1024);
    for (auto _ : state) {
        core::document doc;
        doc.parse(text, "bench.def");
        benchmark::DoNotOptimize(doc.root().childCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(ParseDefinitionFile)->Unit(benchmark::kMillisecond);

// Texture-free, so that only reading and the material registry are measured.
std::string materialLibraryText(int materials) {
    std::string text;
    for (int i = 0; i < materials; ++i) {
        text += "material {\n    Name = \"bench_" + std::to_string(i) + "\",\n";
        text += "    Lighting = true,\n    DoubleSided = " + std::string(i % 2 ? "true" : "false") + ",\n";
        text += "    BlendMode = " + std::to_string(i % 4) + ",\n    Glossiness = " + std::to_string(i % 90) + ",\n}\n";
    }
    return text;
}

// Argument: material count. Each load after the first redefines the same
// materials in place, as a game reloading its library does.
void LoadMaterialLibrary(benchmark::State& state) {
    std::string text = materialLibraryText(int(state.range(0)));
    for (auto _ : state) {
        engine::MaterialLibrary library;
        library.parse(text, "bench.materials", 0);
        benchmark::DoNotOptimize(library.getMaterialCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["materials"] = double(state.range(0));
}
BENCHMARK(LoadMaterialLibrary)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One block of distinct fields, about 1 MB at 80000: every field is looked up
// by name before it is added, so this shows whether that stays constant-time.
void ParseOneCrowdedBlock(benchmark::State& state) {
    std::string text = "crowded {";
    for (int i = 0; i < state.range(0); ++i)
        text += " field_" + std::to_string(i) + " = " + std::to_string(i) + ",";
    text += " }";
    for (auto _ : state) {
        core::document doc;
        doc.parse(text, "bench.def");
        benchmark::DoNotOptimize(doc.root().child(0)->fields().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(ParseOneCrowdedBlock)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
