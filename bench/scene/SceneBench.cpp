// Scene graph and math costs.
//   build/bin/quill_bench_scene
// The hierarchy benchmarks report per_node (in seconds, so 50n is 50 ns) (moving the root, then asking
// every node for its world transform); the matrix ones ns per operation.
#include "engine/scene/Node.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace engine;

namespace {

constexpr int HierarchySize = 100000;

// HierarchySize nodes, each parent with `fanout` children, listed parents first.
std::vector<std::unique_ptr<Node>> buildHierarchy(int fanout) {
    std::vector<std::unique_ptr<Node>> nodes;
    nodes.reserve(HierarchySize);
    nodes.push_back(std::make_unique<Node>());
    for (int i = 1; i < HierarchySize; ++i) {
        auto node = std::make_unique<Node>();
        node->setTransform({Mat3::fromEuler(0.01f * i, 0.02f, 0.03f), {1, 0.5f, 0.25f}});
        node->addTo(nodes[(i - 1) / fanout].get());
        nodes.push_back(std::move(node));
    }
    return nodes;
}

// Leaves first, so no destroyed node hands a large subtree to invalidation.
void destroy(std::vector<std::unique_ptr<Node>>& nodes) {
    while (!nodes.empty())
        nodes.pop_back();
}

void moveRootAndRecompute(benchmark::State& state) {
    auto nodes = buildHierarchy(static_cast<int>(state.range(0)));
    float step = 1;
    for (auto _ : state) {
        nodes[0]->move({step, 0, 0});
        step = -step;
        for (const auto& node : nodes)
            benchmark::DoNotOptimize(node->worldTransform());
    }
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(state.iterations()) * HierarchySize,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    destroy(nodes);
}
BENCHMARK(moveRootAndRecompute)->ArgName("fanout")->Arg(1)->Arg(4)->Arg(64)->Unit(benchmark::kMillisecond);

// The invalidation half of the above on its own.
void moveRootOnly(benchmark::State& state) {
    auto nodes = buildHierarchy(static_cast<int>(state.range(0)));
    for (auto _ : state)
        nodes[0]->move({1, 0, 0});
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(state.iterations()) * HierarchySize,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    destroy(nodes);
}
BENCHMARK(moveRootOnly)->ArgName("fanout")->Arg(4)->Unit(benchmark::kMillisecond);

// Inputs cycle through a small table, so nothing folds to a constant.
std::vector<Mat4x3> transforms() {
    std::vector<Mat4x3> list;
    for (int i = 0; i < 64; ++i) {
        Mat4x3 m{Mat3::fromEuler(0.1f * i, 0.2f * i, -0.05f * i), {float(i), 2, -3}};
        m.rot.row[0] = m.rot.row[0] * (1 + 0.01f * i);
        list.push_back(m);
    }
    return list;
}

void mat4x3Product(benchmark::State& state) {
    auto list = transforms();
    size_t i = 0;
    for (auto _ : state) {
        Mat4x3 m = list[i & 63] * list[(i + 1) & 63];
        benchmark::DoNotOptimize(m);
        ++i;
    }
}
BENCHMARK(mat4x3Product);

template <Mat4x3 (*Invert)(const Mat4x3&)>
void mat4x3Invert(benchmark::State& state) {
    auto list = transforms();
    size_t i = 0;
    for (auto _ : state) {
        Mat4x3 m = Invert(list[i & 63]);
        benchmark::DoNotOptimize(m);
        ++i;
    }
}
BENCHMARK(mat4x3Invert<inverse>)->Name("mat4x3Inverse");
BENCHMARK(mat4x3Invert<rigidInverse>)->Name("mat4x3RigidInverse");

} // namespace
