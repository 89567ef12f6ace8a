#include "engine/assets/MeshPrimitives.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/SceneWindow.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

class DeferredPipelineGLWindow : public test::SceneWindow {
protected:
    // Ground, a box and a ball in a grey ambient light.
    void buildOpaqueScene() {
        Material* ground = material("ground");
        ground->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({200, 200, 200, 255}, {90, 110, 90, 255}));
        addMesh(*createPlane(20, 20, 4, 4), {0, 0, 0}, ground);
        Material* crate = material("crate");
        crate->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({220, 140, 60, 255}, {120, 60, 20, 255}));
        addMesh(*createBox(2, 2, 2), {-2, 1, 0}, crate);
        addMesh(*createSphere(2), {2, 1, 1});
        addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    }
};

TEST_F(DeferredPipelineGLWindow, OpaqueSceneMatchesItsReference) {
    ASSERT_NE(static_cast<RendererGL*>(renderer)->pipeline(), nullptr);
    buildOpaqueScene();
    EXPECT_TRUE(frameMatches("opaque-scene"));
}

} // namespace
