// Frame time of the deferred pipeline with 1, 16 and 64 point lights over a
// floor with 25 boxes, without and with shadows (128-texel cubes, blurred),
// at 640 × 360. Needs a display:
//   scripts/with-display.sh build/bin/quill_bench_lights
// The host's own cost per frame, with Mesa discarding the drawing:
//   GALLIUM_NOOP=1 scripts/with-display.sh build/bin/quill_bench_lights
// Each iteration is beginRender, renderScene, endRender and glFinish; times in
// milliseconds.
#include "RenderBench.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>

using namespace engine;

namespace {

constexpr int Width = 640;
constexpr int Height = 360;

Node* addMesh(Scene& scene, std::unique_ptr<Mesh> mesh, const Vec3& position) {
    auto* renderable = new RenderableMeshGL;
    renderable->init(*mesh, false);
    Node* node = scene.addNode();
    node->setPosition(position);
    node->setComponent(Component::RenderEntityKind, new MeshEntity(renderable));
    return node;
}

// Lights spread over the floor in a square, each reaching a few boxes.
std::unique_ptr<Scene> litScene(int lights, bool shadows) {
    std::unique_ptr<Scene> scene(Scene::createQuadTree(64, 6));
    addMesh(*scene, createPlane(40, 40), {0, 0, 0});
    for (int i = 0; i < 25; ++i)
        addMesh(*scene, createBox(1.5f, 2, 1.5f), {float(i % 5) * 7 - 14, 1, float(i / 5) * 7 - 14});
    Node* ambient = scene->addNode();
    auto* ambientLight = new LightEntity(LightEntity::Ambient);
    ambientLight->setLightColor({0.1f, 0.1f, 0.1f});
    ambient->setComponent(Component::RenderEntityKind, ambientLight);
    int side = 1;
    while (side * side < lights)
        ++side;
    for (int i = 0; i < lights; ++i) {
        auto* light = new LightEntity(LightEntity::Point);
        light->setLightColor({float(i % 3 == 0), float(i % 3 == 1), float(i % 3 == 2)});
        light->setLightRange(lights == 1 ? 20.0f : 8.0f);
        light->setCastShadow(shadows);
        light->setShadowMapSize(128);
        Node* node = scene->addNode();
        float step = 36.0f / float(side);
        node->setPosition({-18 + step * (float(i % side) + 0.5f), 3, -18 + step * (float(i / side) + 0.5f)});
        node->setComponent(Component::RenderEntityKind, light);
    }
    return scene;
}

void frame(benchmark::State& state) {
    int lights = int(state.range(0));
    bool shadows = state.range(1) != 0;
    Renderer* renderer = Renderer::current();
    auto scene = litScene(lights, shadows);
    std::unique_ptr<Camera> camera(Camera::perspective(1.2f, float(Height) / Width, 0.5f, 200));
    camera->setPosition({0, 22, -30});
    camera->lookAt({0, 0, 0});
    for (auto _ : state) {
        renderer->beginRender();
        renderer->renderScene(scene.get(), camera.get(), nullptr);
        renderer->endRender();
        glFinish();
    }
    state.counters["shadowSegments"] = renderStats().shadowSegments;
    state.counters["visibleLights"] = renderStats().visibleLights;
}

} // namespace

BENCHMARK(frame)
    ->ArgNames({"lights", "shadows"})
    ->ArgsProduct({{1, 16, 64}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

int main(int argc, char** argv) {
    return runRenderBenchmarks(argc, argv, Width, Height, "light-bench", QUILL_DATA_DIR);
}
