// Converting a glTF model of about 1,000,000 triangles (texture coordinates,
// a texture, a two-bone skin) into quill's model file, next to assimp's own
// import of the same file without any processing. The conversion should cost
// at most 1.5 times the import alone.
#include "core/Image.h"
#include "engine/assets/AssimpImporter.h"

#include "GltfSheet.h"
#include "support/TempDirectory.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <malloc.h>
#include <string>

namespace {

constexpr int Quads = 708;  // per side: 2 × 708² = 1,002,528 triangles

// The model lives in a folder of this run's own, so runs side by side do not
// overwrite each other's files; it goes when the run ends.
struct BenchFolder {
    std::filesystem::path path = makeFreshFolder("quill-bench-assimp-");
    ~BenchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

// The model and its texture in the folder; the model's path.
std::string writeModel(const std::string& folder) {
    gltf::Writer file = gltf::skinnedSheet(Quads);
    core::Image(256, 256).save(folder + "/cloth.png", true);
    if (!file.saveWithBin(folder + "/cloth.gltf", "cloth.bin"))
        std::abort();
    return folder + "/cloth.gltf";
}

const std::string& modelPath() {
    static BenchFolder scratch;
    static std::string path = writeModel(scratch.path.string());
    return path;
}

void BM_AssimpReadFile(benchmark::State& state) {
    const std::string& path = modelPath();
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, 0);
        if (!scene)
            state.SkipWithError(importer.GetErrorString());
        benchmark::DoNotOptimize(scene);
    }
}
BENCHMARK(BM_AssimpReadFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void BM_QuillConversion(benchmark::State& state) {
    const std::string& path = modelPath();
    engine::AssimpModelAssetProcessor processor;
    std::string native = processor.nativeFileName(path);
    for (auto _ : state)
        processor.convert(path, native);
}
BENCHMARK(BM_QuillConversion)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

double milliseconds(clockid_t clock) {
    timespec time;
    clock_gettime(clock, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

} // namespace

// Besides the benchmarks, one import or one conversion in a process of its
// own, as the asset processor meets a changed model: its allocations all
// come fresh from the system (bench/assimp-cold.sh runs these).
//   quill_bench_assimp --write-model FOLDER       writes the model, prints its path
//   quill_bench_assimp --read|--convert MODEL     prints CPU and wall milliseconds
int main(int argc, char** argv) {
    std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "--write-model") {
        std::printf("%s\n", writeModel(argv[2]).c_str());
        return 0;
    }
    if (mode == "--read" || mode == "--convert") {
        std::string path = argv[2];
        engine::AssimpModelAssetProcessor processor;
        std::string native = processor.nativeFileName(path);
        double cpu = milliseconds(CLOCK_PROCESS_CPUTIME_ID), wall = milliseconds(CLOCK_MONOTONIC);
        if (mode == "--read") {
            Assimp::Importer importer;
            if (!importer.ReadFile(path, 0)) {
                std::fprintf(stderr, "%s\n", importer.GetErrorString());
                return 1;
            }
        } else {
            processor.convert(path, native);
        }
        std::printf("%.1f %.1f\n", milliseconds(CLOCK_PROCESS_CPUTIME_ID) - cpu, milliseconds(CLOCK_MONOTONIC) - wall);
        return 0;
    }
    // Between iterations glibc gives the top of the heap back to the system
    // whenever enough of it lies free there, which turns on where the last
    // blocks happened to land: a run can flip for good into faulting all
    // its memory in again each iteration, three times slower. Both loops
    // keep their memory instead (blocks up to 32 MB from the heap, no
    // trimming), so that they time the work.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
