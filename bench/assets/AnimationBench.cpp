// Animation costs: one sample (and one update) of a controller on a 60-bone
// chain, playing one clip or blending three over two layers, and building the
// skinning matrices of a 60-bone skeleton.
//   build/bin/quill_bench_animation
#include "engine/assets/AnimationController.h"
#include "engine/assets/Skeleton.h"
#include "engine/scene/Node.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace engine;

namespace {

constexpr int BoneCount = 60;
constexpr int FrameCount = 120;

struct Rig {
    std::vector<std::unique_ptr<Node>> bones;  // a chain, root first
};

Rig buildRig() {
    Rig rig;
    for (int i = 0; i < BoneCount; ++i) {
        auto bone = std::make_unique<Node>();
        bone->setName("bench-bone-" + std::to_string(i));
        if (i > 0)
            bone->addTo(rig.bones.back().get());
        rig.bones.push_back(std::move(bone));
    }
    return rig;
}

// One track per bone, each key a small turn and offset that changes per frame.
Animation* buildClip(float phase) {
    auto* clip = new Animation;
    clip->setFrameCount(FrameCount);
    clip->setFramesPerSecond(30);
    for (int b = 0; b < BoneCount; ++b) {
        std::vector<AnimationKey> keys(FrameCount);
        for (int f = 0; f < FrameCount; ++f) {
            float angle = 0.3f * std::sin(phase + 0.05f * float(f) + 0.1f * float(b));
            keys[size_t(f)].rotation = {0, 0, std::sin(angle / 2), std::cos(angle / 2)};
            keys[size_t(f)].position = {0, 1, 0.01f * float(f)};
        }
        clip->addTrack("bench-bone-" + std::to_string(b), std::move(keys));
    }
    return clip;
}

void setUp(AnimationController& controller, int clips) {
    const char* names[] = {"walk", "run", "wave"};
    for (int k = 0; k < clips; ++k) {
        AnimationState* state = controller.addClip(buildClip(float(k)), names[k]);
        state->enabled = true;
        state->loop = true;
        state->layer = k == 2 ? 1 : 0;
        state->weight = k == 2 ? 0.3f : 0.5f;
    }
}

void sample(benchmark::State& state) {
    Rig rig = buildRig();
    AnimationController controller(rig.bones.front().get());
    setUp(controller, int(state.range(0)));
    for (auto _ : state) {
        controller.sample();
        benchmark::DoNotOptimize(rig.bones.back()->transform());
    }
    state.counters["per_bone"] = benchmark::Counter(double(state.iterations()) * BoneCount,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(sample)->ArgName("clips")->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

// A frame's worth: sample, advance, and the world transforms the renderer then asks for.
void updateAndWorld(benchmark::State& state) {
    Rig rig = buildRig();
    AnimationController controller(rig.bones.front().get());
    setUp(controller, int(state.range(0)));
    for (auto _ : state) {
        controller.update(1.0f / 60);
        for (const auto& bone : rig.bones)
            benchmark::DoNotOptimize(bone->worldTransform());
    }
}
BENCHMARK(updateAndWorld)->ArgName("clips")->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void skinningMatrices(benchmark::State& state) {
    Rig rig = buildRig();
    std::vector<Bone> bones;
    for (const auto& node : rig.bones)
        bones.push_back({node.get(), inverse(node->worldTransform())});
    Skeleton skeleton(std::move(bones));
    Node body;
    std::vector<Mat4x3> matrices;
    for (auto _ : state) {
        skeleton.skinningMatrices(body.worldInverse(), matrices);
        benchmark::DoNotOptimize(matrices.data());
    }
}
BENCHMARK(skinningMatrices)->Unit(benchmark::kMicrosecond);

} // namespace
