// Converting a glTF model of about 1,000,000 triangles (texture coordinates,
// a texture, a two-bone skin) into quill's model file, next to assimp's own
// import of the same file without any processing. The conversion should cost
// at most 1.5 times the import alone.
#include "core/Image.h"
#include "engine/assets/AssimpImporter.h"

#include "GltfWriter.h"
#include "support/TempDirectory.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
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

const std::string& modelPath() {
    static BenchFolder scratch;
    static std::string path = [] {
        std::string folder = scratch.path.string();
        gltf::Writer file;
        std::vector<float> positions, normals, uvs, weights;
        std::vector<uint16_t> joints;
        std::vector<uint32_t> indices;
        for (int y = 0; y <= Quads; ++y)
            for (int x = 0; x <= Quads; ++x) {
                float u = float(x) / Quads, v = float(y) / Quads;
                positions.insert(positions.end(), {u * 10 - 5, v * 10, 0});
                normals.insert(normals.end(), {0, 0, 1});
                uvs.insert(uvs.end(), {u, 1 - v});
                joints.insert(joints.end(), {0, 1, 0, 0});
                weights.insert(weights.end(), {1 - v, v, 0, 0});
            }
        for (int y = 0; y < Quads; ++y)
            for (int x = 0; x < Quads; ++x) {
                uint32_t a = uint32_t(y * (Quads + 1) + x), b = a + 1, c = a + Quads + 1, d = c + 1;
                indices.insert(indices.end(), {a, b, d, a, d, c});
            }
        int position = file.floats(positions, "VEC3", true);
        int normal = file.floats(normals, "VEC3");
        int uv = file.floats(uvs, "VEC2");
        int joint = file.joints(joints);
        int weight = file.floats(weights, "VEC4");
        int index = file.indices(indices);
        file.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(position) +
                              ",\"NORMAL\":" + std::to_string(normal) + ",\"TEXCOORD_0\":" + std::to_string(uv) +
                              ",\"JOINTS_0\":" + std::to_string(joint) + ",\"WEIGHTS_0\":" + std::to_string(weight) +
                              "},\"indices\":" + std::to_string(index) + ",\"material\":0}]}");
        int binds = file.floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,  //
                                 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -5, 0, 1},
                                "MAT4");
        file.nodes = {"{\"name\":\"sheet\",\"children\":[1,2]}", "{\"name\":\"cloth\",\"mesh\":0,\"skin\":0}",
                      "{\"name\":\"base\",\"children\":[3]}", "{\"name\":\"top\",\"translation\":[0,5,0]}"};
        file.skins.push_back("{\"joints\":[2,3],\"inverseBindMatrices\":" + std::to_string(binds) + "}");
        file.materials.push_back("{\"name\":\"cloth\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
        file.textures.push_back("{\"source\":0,\"sampler\":0}");
        file.images.push_back("{\"uri\":\"cloth.png\"}");
        core::Image(256, 256).save(folder + "/cloth.png", true);
        if (!file.saveWithBin(folder + "/cloth.gltf", "cloth.bin"))
            std::abort();
        return folder + "/cloth.gltf";
    }();
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

} // namespace

BENCHMARK_MAIN();
