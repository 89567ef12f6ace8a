// 10,000 particles: one update of the simulation (births, deaths, bounds) and
// one deferred frame that draws them, 640 × 480, glFinish included. Needs a
// display and the shader files (found under data/ from the repository's root):
//   scripts/with-display.sh build/bin/quill_bench_particles                  (llvmpipe: full cost)
//   GALLIUM_NOOP=1 scripts/with-display.sh build/bin/quill_bench_particles   (drawing discarded: host cost)
// The fountain is ten entities of 1,000 particles each, emitting 500 a second
// with lifetimes of 1.5 to 2.5 seconds, run until their pools are full.
#include "RenderBench.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/LightEntity.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace engine;

namespace {

constexpr int Width = 640;
constexpr int Height = 480;
constexpr int Entities = 10;
constexpr float Step = 1.0f / 60.0f;

struct Fountains {
    std::unique_ptr<Scene> scene{Scene::createSimple()};
    std::unique_ptr<Camera> camera{Camera::perspective(1.0471976f, float(Height) / float(Width), 0.5f, 300.0f)};
    core::CountedRef<ParticleSystem> system{new ParticleSystem};
    std::vector<ParticleEntity*> entities;

    Fountains() {
        auto* e = new ParticleEmitter;
        e->emissionRate = 500;
        e->maxParticles = 1000;
        e->lifetime = {1.5f, 2.5f};
        e->velocity = {2, 4};
        e->sprayAngle = {0, 30};
        e->gravity = {0, -5, 0};
        e->airResistance = 0.3f;
        e->size = {0.1f, 0.2f};
        e->colors[0] = {1, 0.6f, 0.2f};
        e->blendMode = ParticleEmitter::Additive;
        system->addEmitter(e);
        for (int i = 0; i < Entities; ++i) {
            Node* node = scene->addNode();
            node->setPosition({float(i) * 2.0f - 9.0f, 0, 0});
            auto* entity = new ParticleEntity(system.get());
            node->setComponent(Component::RenderEntityKind, entity);
            entities.push_back(entity);
        }
        Node* light = scene->addNode();
        light->setComponent(Component::RenderEntityKind, new LightEntity(LightEntity::Ambient));
        camera->setPosition({0, 4, -16});
        camera->lookAt({0, 2, 0});
        for (int frame = 0; frame < 180; ++frame)
            update();
    }

    void update() {
        for (ParticleEntity* entity : entities)
            entity->update(Step);
    }

    int alive() const {
        int count = 0;
        for (ParticleEntity* entity : entities)
            count += int(entity->instances()[0].alive);
        return count;
    }
};

void update(benchmark::State& state) {
    Fountains fountains;
    for (auto _ : state)
        fountains.update();
    state.counters["particles"] = fountains.alive();
}

void frame(benchmark::State& state) {
    Fountains fountains;
    Renderer& renderer = *Renderer::current();
    for (auto _ : state) {
        renderer.beginRender();
        renderer.renderScene(fountains.scene.get(), fountains.camera.get(), nullptr);
        glFinish();
        renderer.endRender();
    }
    state.counters["particles"] = fountains.alive();
}

void updateAndFrame(benchmark::State& state) {
    Fountains fountains;
    Renderer& renderer = *Renderer::current();
    for (auto _ : state) {
        fountains.update();
        renderer.beginRender();
        renderer.renderScene(fountains.scene.get(), fountains.camera.get(), nullptr);
        glFinish();
        renderer.endRender();
    }
    state.counters["particles"] = fountains.alive();
}

} // namespace

BENCHMARK(update)->Unit(benchmark::kMicrosecond);
BENCHMARK(frame)->Unit(benchmark::kMillisecond);
BENCHMARK(updateAndFrame)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runRenderBenchmarks(argc, argv, Width, Height, "particles-bench", QUILL_DATA_DIR);
}
