// The deferred frame on each renderer the build has, 640 x 360, vertical sync
// off: 2,000 mesh entities (boxes and balls on a 50 x 40 grid) in a quad tree
// under an ambient light, then the lights scene (a floor, 25 boxes and 1 to 64
// point lights, without and with 128-texel shadow cubes, blurred). Per frame:
//   host  - CPU time of the calling thread from beginRender to the end of
//           endRender: the renderer and the driver's work on that thread;
//   total - wall time from beginRender until the device has finished the frame.
// host is the mean over the timed frames, total their median (a machine
// shared with other work stalls a frame now and then). With GALLIUM_NOOP=1 (Mesa, also
// under Wine) the drawing is discarded and total becomes the CPU cost of the
// host and the drivers on every thread. Self-timed (no benchmark library), so
// that the Windows build runs it under Wine too:
//   scripts/with-display.sh build/bin/quill_bench_frame_renderers
//   under Wine: bin/quill_bench_frame_renderers.exe (see bench/README.md)
// Prints one row per renderer and case; "d3d9" rows only on Windows.
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/Renderer.h"
#include "EachRenderer.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#ifdef _WIN32
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RendererD3D9.h"
#include <windows.h>
#else
#include <ctime>
#endif
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace engine;

namespace {

constexpr int Width = 640;
constexpr int Height = 360;

// CPU time of the calling thread, in milliseconds.
double threadCpuMs() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 10000.0; // 100 ns units
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
#endif
}

// Waits until the device has done everything asked of it so far.
class Finisher {
public:
    explicit Finisher(RenderEngineKind kind) {
#ifdef _WIN32
        if (kind == RenderEngineKind::D3D9) {
            auto& renderer = dynamic_cast<RendererD3D9&>(*Renderer::current());
            renderer.context()->device().get()->CreateQuery(D3DQUERYTYPE_EVENT, &m_query);
        }
#else
        (void)kind;
#endif
    }
    ~Finisher() {
#ifdef _WIN32
        if (m_query)
            m_query->Release();
#endif
    }
    Finisher(const Finisher&) = delete;
    Finisher& operator=(const Finisher&) = delete;

    void finish() {
#ifdef _WIN32
        if (m_query) {
            m_query->Issue(D3DISSUE_END);
            while (m_query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {
            }
            return;
        }
#endif
        glFinish();
    }

private:
#ifdef _WIN32
    IDirect3DQuery9* m_query = nullptr;
#endif
};

struct Timing {
    double hostMs = 0;
    double totalMs = 0;
};

// One frame, finished; its host CPU time and wall time in milliseconds.
Timing oneFrame(Finisher& finisher, Scene& scene, Camera& camera) {
    Renderer& renderer = *Renderer::current();
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpuMs();
    renderer.beginRender();
    renderer.renderScene(&scene, &camera, nullptr);
    renderer.endRender();
    double cpu = threadCpuMs() - cpuStart;
    finisher.finish();
    return {cpu, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count()};
}

// Some thread clocks advance in steps of 10 ms or more (Wine's does): cheap
// frames are repeated for about two seconds more, so that the mean host time
// rests on enough steps.
Timing timeFrames(Finisher& finisher, Scene& scene, Camera& camera, int frames) {
    for (int i = 0; i < 2; ++i) // programs, cubes and buffers made on first use
        oneFrame(finisher, scene, camera);
    double host = 0;
    std::vector<double> totals;
    for (int i = 0; i < frames; ++i) {
        Timing t = oneFrame(finisher, scene, camera);
        host += t.hostMs;
        totals.push_back(t.totalMs);
    }
    std::sort(totals.begin(), totals.end());
    double total = totals[totals.size() / 2];
    int more = std::min(int(2000.0 / std::max(total, 1.0)), 200);
    for (int i = 0; i < more; ++i)
        host += oneFrame(finisher, scene, camera).hostMs;
    return {host / (frames + more), total};
}

MeshEntity* addMesh(Scene& scene, RenderableMesh* mesh, const Vec3& position) {
    Node* node = scene.addNode();
    node->setPosition(position);
    auto* entity = new MeshEntity(mesh);
    node->setComponent(Component::RenderEntityKind, entity);
    return entity;
}

RenderableMesh* renderable(std::unique_ptr<Mesh> mesh) {
    RenderableMesh* r = Renderer::current()->createRenderableMesh();
    r->init(*mesh, false);
    return r;
}

LightEntity* addLight(Scene& scene, LightEntity::LightType type, const Vec3& color, const Vec3& position) {
    auto* light = new LightEntity(type);
    light->setLightColor(color);
    Node* node = scene.addNode();
    node->setPosition(position);
    node->setComponent(Component::RenderEntityKind, light);
    return light;
}

// 2,000 boxes and balls, 1,964 of them in view.
std::unique_ptr<Scene> meshField(Camera& camera) {
    std::unique_ptr<Scene> scene(Scene::createQuadTree(256, 6));
    core::CountedRef<RenderableMesh> box(renderable(createBox(1, 1, 1)));
    core::CountedRef<RenderableMesh> ball(renderable(createSphere(2)));
    for (int i = 0; i < 2000; ++i)
        addMesh(*scene, i % 2 ? box.get() : ball.get(), {float(i % 50) * 2.0f - 49.0f, 0.5f, float(i / 50) * 2.0f});
    addLight(*scene, LightEntity::Ambient, {1, 1, 1}, {0, 0, 0});
    camera.setPosition({0, 60, -45});
    camera.lookAt({0, 0, 39});
    return scene;
}

// Point lights spread over the floor in a square, each reaching a few boxes.
std::unique_ptr<Scene> litScene(Camera& camera, int lights, bool shadows) {
    std::unique_ptr<Scene> scene(Scene::createQuadTree(64, 6));
    addMesh(*scene, renderable(createPlane(40, 40)), {0, 0, 0});
    core::CountedRef<RenderableMesh> box(renderable(createBox(1.5f, 2, 1.5f)));
    for (int i = 0; i < 25; ++i)
        addMesh(*scene, box.get(), {float(i % 5) * 7 - 14, 1, float(i / 5) * 7 - 14});
    addLight(*scene, LightEntity::Ambient, {0.1f, 0.1f, 0.1f}, {0, 0, 0});
    int side = 1;
    while (side * side < lights)
        ++side;
    float step = 36.0f / float(side);
    for (int i = 0; i < lights; ++i) {
        Vec3 position{-18 + step * (float(i % side) + 0.5f), 3, -18 + step * (float(i / side) + 0.5f)};
        LightEntity* light = addLight(*scene, LightEntity::Point,
                                      {float(i % 3 == 0), float(i % 3 == 1), float(i % 3 == 2)}, position);
        light->setLightRange(lights == 1 ? 20.0f : 8.0f);
        light->setCastShadow(shadows);
        light->setShadowMapSize(128);
    }
    camera.setPosition({0, 22, -30});
    camera.lookAt({0, 0, 0});
    return scene;
}

void runCases(const char* name, RenderEngineKind kind) {
    Finisher finisher(kind);
    Renderer::current()->shadowQuality = 1;
    std::unique_ptr<Camera> camera(Camera::perspective(1.0471976f, float(Height) / Width, 0.5f, 300.0f));
    struct Case {
        std::string label;
        std::function<std::unique_ptr<Scene>(Camera&)> build;
        int frames;
    };
    std::vector<Case> cases = {{"meshes 2000", meshField, 20}};
    for (int lights : {1, 4, 16, 64})
        for (bool shadows : {false, true})
            cases.push_back({"lights " + std::to_string(lights) + (shadows ? " shadows" : ""),
                             [=](Camera& c) { return litScene(c, lights, shadows); }, shadows ? 8 : 15});
    for (const Case& c : cases) {
        std::unique_ptr<Scene> scene = c.build(*camera);
        Timing t = timeFrames(finisher, *scene, *camera, c.frames);
        const RenderStats& stats = renderStats();
        std::printf("%-7s %-18s host %8.2f ms  total %8.2f ms  (meshes %d, segments %d, lights %d, shadow segments %d)\n",
                    name, c.label.c_str(), t.hostMs, t.totalMs, stats.visibleMeshes, stats.drawSegments,
                    stats.visibleLights, stats.shadowSegments);
        std::fflush(stdout);
    }
}

} // namespace

int main(int, char**) {
    return runOnEachRenderer("frame-renderers-bench", Width, Height,
                             [](const char* name, RenderEngineKind kind) { runCases(name, kind); });
}
