#pragma once

// A small window with the renderer, the shared shader files and helpers that
// build scenes from the built-in shapes. Frames are compared with reference
// pictures (ReferenceImage.h). Fixtures built on it must have "Window" in
// their name: they take the display lock.

#include "core/FileSystem.h"
#include "core/Image.h"
#include "engine/assets/Material.h"
#include "engine/assets/Mesh.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/Renderer.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"
#include "support/ReferenceImage.h"
#include "support/RendererWindow.h"

#include <algorithm>
#include <memory>
#include <string>

namespace test {

class SceneWindow : public RendererWindow {
protected:
    static constexpr int FrameWidth = 128;
    static constexpr int FrameHeight = 96;

    void SetUp() override {
        core::addSearchPath(QUILL_DATA_DIR);
        open(FrameWidth, FrameHeight);
        if (IsSkipped())
            return;
        renderer = m_systems->renderer();
        scene.reset(engine::Scene::createSimple());
        camera.reset(engine::Camera::perspective(1.0471976f, float(FrameHeight) / float(FrameWidth), 0.5f, 100.0f));
        camera->setPosition({0, 4, -10});
        camera->lookAt({0, 0.5f, 0});
    }

    void TearDown() override {
        scene.reset();
        camera.reset();
        materials.clear();
        textures.clear();
        RendererWindow::TearDown();
        core::removeSearchPath(QUILL_DATA_DIR);
    }

    // A mesh entity of the shape at the position, its segments in the material.
    engine::MeshEntity* addMesh(const engine::Mesh& mesh, const engine::Vec3& position,
                                engine::Material* material = nullptr) {
        engine::RenderableMesh* renderable = renderer->createRenderableMesh();
        renderable->init(mesh, false);
        engine::Node* node = scene->addNode();
        node->setPosition(position);
        auto* entity = new engine::MeshEntity(renderable);
        node->setComponent(engine::Component::RenderEntityKind, entity);
        if (material)
            entity->setMaterial(material);
        return entity;
    }

    engine::LightEntity* addLight(engine::LightEntity::LightType type, const engine::Vec3& color,
                                  const engine::Vec3& position = {0, 0, 0}) {
        engine::Node* node = scene->addNode();
        node->setPosition(position);
        auto* light = new engine::LightEntity(type);
        light->setLightColor(color);
        node->setComponent(engine::Component::RenderEntityKind, light);
        return light;
    }

    // A material of its own (names are shared process-wide, so each test's are unique).
    engine::Material* material(const std::string& name) {
        auto* m = new engine::Material(std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                       "." + name);
        materials.emplace_back(m);
        return m;
    }

    // A checkerboard of two colours, 8 × 8 squares of 4 pixels.
    engine::RenderableTexture* checkerTexture(core::Image::Rgba a, core::Image::Rgba b) {
        core::Image image(32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                image.setPixel(x, y, ((x / 4 + y / 4) & 1) ? a : b);
        engine::RenderableTexture* texture = engine::createTexture(image);
        textures.emplace_back(texture);
        return texture;
    }

    // One colour all over, for materials that must show their blending.
    engine::RenderableTexture* solidTexture(core::Image::Rgba color) { return checkerTexture(color, color); }

    // The pixel of the last saved frame at a screen point (0..1, top-left origin).
    core::Image::Rgba framePixel(const std::string& name, float x, float y) {
        core::Image image = core::Image::load(testOutputDirectory() + "/" + name + "-frame.png");
        return image.getPixel(std::min(int(x * float(image.getWidth())), image.getWidth() - 1),
                              std::min(int(y * float(image.getHeight())), image.getHeight() - 1));
    }

    // The pixel where a world point shows in the last saved frame.
    core::Image::Rgba framePixelAt(const std::string& name, const engine::Vec3& world) {
        engine::Vec3 screen = camera->projectWorldPoint(world);
        return framePixel(name, screen.x, screen.y);
    }

    // One frame of the scene into the window, saved and compared with the reference of that name.
    testing::AssertionResult frameMatches(const std::string& name, int allowedPixels = 0) {
        renderer->beginRender();
        renderer->renderScene(scene.get(), camera.get(), nullptr);
        return savedFrameMatches(name, allowedPixels);
    }

    testing::AssertionResult savedFrameMatches(const std::string& name, int allowedPixels = 0) {
        std::string path = testOutputDirectory() + "/" + name + "-frame.png";
        renderer->saveScreenShot(path);
        renderer->endRender();
        return matchesReference(path, name, allowedPixels);
    }

    engine::Renderer* renderer = nullptr;
    std::unique_ptr<engine::Scene> scene;
    std::unique_ptr<engine::Camera> camera;
    std::vector<core::CountedRef<engine::Material>> materials;
    std::vector<core::CountedRef<engine::RenderableTexture>> textures;
};

} // namespace test
