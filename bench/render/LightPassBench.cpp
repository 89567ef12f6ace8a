// Frame time of the deferred pipeline with 1, 16 and 64 point lights over a
// floor with 25 boxes, without and with shadows (128-texel cubes, blurred),
// at 640 × 360; then a sun with and without its four shadow cascades, and 1
// to 16 shadow-casting spot lights (blurred maps). Needs a display:
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

LightEntity* addLight(Scene& scene, LightEntity::LightType type, const Vec3& color, const Vec3& position) {
    auto* light = new LightEntity(type);
    light->setLightColor(color);
    Node* node = scene.addNode();
    node->setPosition(position);
    node->setComponent(Component::RenderEntityKind, light);
    return light;
}

// Lights spread over the floor in a square, each reaching a few boxes.
std::unique_ptr<Scene> litScene(int lights, bool shadows, LightEntity::LightType type = LightEntity::Point) {
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
    float step = 36.0f / float(side);
    for (int i = 0; i < lights; ++i) {
        Vec3 position{-18 + step * (float(i % side) + 0.5f), 3, -18 + step * (float(i / side) + 0.5f)};
        LightEntity* light =
            addLight(*scene, type, {float(i % 3 == 0), float(i % 3 == 1), float(i % 3 == 2)}, position);
        light->setLightRange(lights == 1 ? 20.0f : 8.0f);
        light->setCastShadow(shadows);
        light->setShadowMapSize(128);
        if (type == LightEntity::Spot) {
            // Down and a little ahead, over the nearest boxes.
            light->setLightRange(lights == 1 ? 20.0f : 10.0f);
            light->setSpotAngle(1.2f);
            light->node()->lookAt(position + Vec3{0, -3, 2});
        }
    }
    return scene;
}

// The floor and boxes under a low sun, shadows reaching the whole view.
std::unique_ptr<Scene> sunScene(bool shadows) {
    std::unique_ptr<Scene> scene = litScene(0, false);
    LightEntity* sun = addLight(*scene, LightEntity::Directional, {1, 0.95f, 0.9f}, {0, 0, 0});
    sun->node()->lookAt({0.6f, -1, 0.4f});
    sun->setCastShadow(shadows);
    return scene;
}

void runFrames(benchmark::State& state, Scene& scene) {
    Renderer* renderer = Renderer::current();
    std::unique_ptr<Camera> camera(Camera::perspective(1.2f, float(Height) / Width, 0.5f, 200));
    camera->setPosition({0, 22, -30});
    camera->lookAt({0, 0, 0});
    for (auto _ : state) {
        renderer->beginRender();
        renderer->renderScene(&scene, camera.get(), nullptr);
        renderer->endRender();
        glFinish();
    }
    state.counters["shadowSegments"] = renderStats().shadowSegments;
    state.counters["visibleLights"] = renderStats().visibleLights;
}

void frame(benchmark::State& state) {
    auto scene = litScene(int(state.range(0)), state.range(1) != 0);
    runFrames(state, *scene);
}

void sun(benchmark::State& state) {
    auto scene = sunScene(state.range(0) != 0);
    runFrames(state, *scene);
}

void spots(benchmark::State& state) {
    auto scene = litScene(int(state.range(0)), state.range(1) != 0, LightEntity::Spot);
    runFrames(state, *scene);
}

} // namespace

BENCHMARK(frame)
    ->ArgNames({"lights", "shadows"})
    ->ArgsProduct({{1, 16, 64}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

BENCHMARK(sun)->ArgName("shadows")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

BENCHMARK(spots)
    ->ArgNames({"spots", "shadows"})
    ->ArgsProduct({{1, 4, 16}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

int main(int argc, char** argv) {
    return runRenderBenchmarks(argc, argv, Width, Height, "light-bench", QUILL_DATA_DIR);
}
