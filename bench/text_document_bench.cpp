// Parse speed of the structured text format on a 5 MB definition file.
#include "core/TextDocument.h"

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

} // namespace

BENCHMARK_MAIN();
