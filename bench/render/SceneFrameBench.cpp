// One deferred frame of 2,000 mesh entities (boxes and balls on a 50 × 40
// grid, 1,964 of them in view) filed in a quad tree, with an ambient
// light; glFinish included, vertical sync off, 640 × 480. Needs a display and
// the shader files (found under data/ from the repository's root):
//   scripts/with-display.sh build/bin/quill_bench_frame                  (llvmpipe: full cost)
//   GALLIUM_NOOP=1 scripts/with-display.sh build/bin/quill_bench_frame   (drawing discarded: host cost)
// "plain" is the frame alone, "postProcessed" adds ambient occlusion and fog.
#include "RenderBench.h"
#include "engine/assets/Material.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>

using namespace engine;

namespace {

constexpr int Width = 640;
constexpr int Height = 480;

struct Field {
    std::unique_ptr<Scene> scene{Scene::createQuadTree(256, 6)};
    std::unique_ptr<Camera> camera{Camera::perspective(1.0471976f, float(Height) / float(Width), 0.5f, 300.0f)};

    Field() {
        Renderer& renderer = *Renderer::current();
        core::CountedRef<RenderableMesh> box(renderer.createRenderableMesh());
        box->init(*createBox(1, 1, 1), false);
        core::CountedRef<RenderableMesh> ball(renderer.createRenderableMesh());
        ball->init(*createSphere(2), false);
        for (int i = 0; i < 2000; ++i) {
            Node* node = scene->addNode();
            node->setPosition({float(i % 50) * 2.0f - 49.0f, 0.5f, float(i / 50) * 2.0f});
            node->setComponent(Component::RenderEntityKind, new MeshEntity(i % 2 ? box.get() : ball.get()));
        }
        Node* light = scene->addNode();
        light->setComponent(Component::RenderEntityKind, new LightEntity(LightEntity::Ambient));
        camera->setPosition({0, 60, -45});
        camera->lookAt({0, 0, 39});
    }
};

void frame(benchmark::State& state, bool postProcessed) {
    Field field;
    Renderer& renderer = *Renderer::current();
    renderer.ambientOcclusion = postProcessed;
    renderer.fog = postProcessed;
    renderer.fogRange = {20, 120};
    for (auto _ : state) {
        renderer.beginRender();
        renderer.renderScene(field.scene.get(), field.camera.get(), nullptr);
        glFinish();
        renderer.endRender();
    }
    state.counters["visibleMeshes"] = renderStats().visibleMeshes;
    state.counters["drawSegments"] = renderStats().drawSegments;
}

void plain(benchmark::State& state) {
    frame(state, false);
}

void postProcessed(benchmark::State& state) {
    frame(state, true);
}

} // namespace

BENCHMARK(plain)->Unit(benchmark::kMillisecond);
BENCHMARK(postProcessed)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runRenderBenchmarks(argc, argv, Width, Height, "frame-bench", QUILL_DATA_DIR);
}
