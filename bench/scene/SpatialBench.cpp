// Spatial structures: a frustum query that sees about 1% of the scene, and a
// frame in which 10% of the entities move before that query.
//   build/bin/quill_bench_spatial
// Arguments: entity count, structure (0 the simple list, 1 the quad tree).
// The counter `visible` is the number of nodes each query reports.
#include "engine/scene/Camera.h"
#include "scene/BoxEntity.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace engine;

namespace {

constexpr float WorldSize = 1000;
constexpr int TreeDepth = 8;  // deepest cells 7.8 units across

struct World {
    std::unique_ptr<Scene> scene;
    std::vector<Node*> nodes;
    std::unique_ptr<Camera> camera;
};

// Small boxes (0.5 to 2 units across) spread over the whole square; a camera
// in the middle looking along +Z with a 60 degree view and a far plane at 130,
// which takes in about 1% of the square.
World makeWorld(int count, bool quadTree) {
    World world;
    world.scene.reset(quadTree ? Scene::createQuadTree(WorldSize, TreeDepth) : Scene::createSimple());
    std::mt19937 random(42);
    std::uniform_real_distribution<float> across(-WorldSize / 2, WorldSize / 2), height(0, 10), size(0.25f, 1);
    world.nodes.reserve(count);
    for (int i = 0; i < count; ++i)
        world.nodes.push_back(addBox(*world.scene, {across(random), height(random), across(random)}, size(random)));
    world.camera.reset(Camera::perspective(1.0472f, 1, 0.5f, 130));
    world.camera->setPosition({0, 5, 0});
    return world;
}

struct Counter final : NodeVisitor {
    int64_t count = 0;
    void visit(Node*) override { ++count; }
};

int64_t query(World& world) {
    Counter counter;
    world.scene->queryFrustum(world.camera->planes(), Camera::PlaneCount, counter);
    return counter.count;
}

void frustumQuery(benchmark::State& state) {
    World world = makeWorld(static_cast<int>(state.range(0)), state.range(1) != 0);
    int64_t visible = query(world);  // places every entity in the tree
    for (auto _ : state)
        benchmark::DoNotOptimize(visible = query(world));
    state.counters["visible"] = static_cast<double>(visible);
}

void tenPercentMoveThenQuery(benchmark::State& state) {
    World world = makeWorld(static_cast<int>(state.range(0)), state.range(1) != 0);
    query(world);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> step(-0.5f, 0.5f);
    size_t moving = world.nodes.size() / 10;
    size_t first = 0;
    int64_t visible = 0;
    for (auto _ : state) {
        // A different tenth each frame, each moved a little.
        for (size_t i = 0; i < moving; ++i)
            world.nodes[(first + i) % world.nodes.size()]->move({step(random), 0, step(random)});
        first = (first + moving) % world.nodes.size();
        benchmark::DoNotOptimize(visible = query(world));
    }
    state.counters["visible"] = static_cast<double>(visible);
}

} // namespace

BENCHMARK(frustumQuery)->ArgsProduct({{10000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(tenPercentMoveThenQuery)->ArgsProduct({{10000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);
