#include "core/FileSystem.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RendererGL.h"
#include "engine/render/gl/ShadowMapsGL.h"
#include "engine/scene/Scene.h"
#include "support/RendererWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace engine;

namespace {

// A scene with a point light of range 10 at the origin; shadow cubes read back face by face.
class ShadowMapsWindow : public test::RendererWindow {
protected:
    void SetUp() override {
        core::addSearchPath(QUILL_DATA_DIR);
        RendererWindow::SetUp();
        if (IsSkipped())
            return;
        m_context = static_cast<RendererGL*>(m_systems->renderer())->context();
        m_shadows = std::make_unique<ShadowMapsGL>(*m_context);
        m_scene.reset(Scene::createSimple());
        m_light = new LightEntity(LightEntity::Point);
        m_light->setLightRange(10);
        m_scene->addNode()->setComponent(Component::RenderEntityKind, m_light);
    }
    void TearDown() override {
        m_scene.reset();
        m_shadows.reset();
        RendererWindow::TearDown();
        core::removeSearchPath(QUILL_DATA_DIR);
    }

    // A unit box at the position.
    MeshEntity* addBox(const Vec3& position, uint32_t flags = MeshEntity::CastShadow) {
        auto* mesh = new RenderableMeshGL;
        mesh->init(*createBox(1, 1, 1), false);
        auto* entity = new MeshEntity(mesh);
        entity->setFlag(~0u, false);
        entity->setFlag(flags, true);
        Node* node = m_scene->addNode();
        node->setPosition(position);
        node->setComponent(Component::RenderEntityKind, entity);
        return entity;
    }

    // Face i of the cube as (d, d²) pairs, rows from the texture's t = 0.
    static std::vector<float> face(const TextureCubeGL& cube, int i) {
        std::vector<float> texels(size_t(cube.width()) * cube.height() * 2);
        cube.bind();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(i), 0, GL_RG, GL_FLOAT, texels.data());
        return texels;
    }
    static float at(const std::vector<float>& texels, int size, int s, int t, int channel = 0) {
        return texels[(size_t(t) * size + size_t(s)) * 2 + size_t(channel)];
    }

    RenderContextGL* m_context = nullptr;
    std::unique_ptr<ShadowMapsGL> m_shadows;
    std::unique_ptr<Scene> m_scene;
    LightEntity* m_light = nullptr;
};

TEST_F(ShadowMapsWindow, CubesOfEverySizeFrom16To256) {
    for (int log2 = 0; log2 < MinShadowCubeLog2; ++log2)
        EXPECT_EQ(m_shadows->cubes(log2), nullptr);
    for (int log2 = MinShadowCubeLog2; log2 <= MaxShadowCubeLog2; ++log2) {
        ShadowCubeGL* cubes = m_shadows->cubes(log2);
        ASSERT_NE(cubes, nullptr);
        for (TextureCubeGL* cube : {cubes->primary.get(), cubes->secondary.get()}) {
            EXPECT_EQ(cube->width(), 1 << log2);
            cube->bind();
            GLint format = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
            EXPECT_EQ(format, GL_RG16);
        }
        EXPECT_EQ(cubes->depth->width(), 1 << log2);
    }
    EXPECT_EQ(m_shadows->cubes(MaxShadowCubeLog2 + 1), nullptr);
    EXPECT_EQ(&m_shadows->cubesForSize(20), m_shadows->cubes(5));
}

// Each caster lands on the face it lies in, on the side of the face it lies
// on, at the distance of its near side over the range; the rest reads (1, 1).
TEST_F(ShadowMapsWindow, CastersLandOnTheirFacesAtTheirDistance) {
    addBox({5, 0, 2});   // +X, toward +Z: the left of face 0 (s runs along -z)
    addBox({0, -3, 0});  // -Y, straight below
    ShadowCubeGL& cubes = *m_shadows->cubes(5);
    m_shadows->renderPointShadow(*m_light, *cubes.primary, *cubes.depth, false);
    const int n = 32;

    std::vector<float> px = face(*cubes.primary, 0);
    // Direction (5, 0, 2) hits s = (-2/5 + 1) / 2 = 0.3 at the box's near face x = 4.5.
    int s = int(0.3f * n), t = n / 2;
    float d = 4.5f / 10 * std::sqrt(1 + (2.0f / 5) * (2.0f / 5));
    EXPECT_NEAR(at(px, n, s, t), d, 0.01f);
    EXPECT_NEAR(at(px, n, s, t, 1), d * d, 0.01f);
    EXPECT_EQ(at(px, n, n - 1 - s, t), 1.0f);

    std::vector<float> ny = face(*cubes.primary, 3);
    EXPECT_NEAR(at(ny, n, n / 2, n / 2), 0.25f, 0.01f);
    EXPECT_EQ(at(ny, n, 0, 0), 1.0f);

    for (int other : {1, 2, 4, 5}) {
        std::vector<float> texels = face(*cubes.primary, other);
        for (float v : texels)
            ASSERT_EQ(v, 1.0f) << "face " << other;
    }
    EXPECT_GT(renderStats().shadowSegments, 0);
}

TEST_F(ShadowMapsWindow, StaticShadowsDrawOnlyStaticCasters) {
    addBox({0, 0, 4});
    addBox({0, 0, -4}, MeshEntity::CastShadow | MeshEntity::StaticShadow);
    addBox({4, 0, 0}, MeshEntity::StaticShadow);  // not a caster at all
    ShadowCubeGL& cubes = *m_shadows->cubes(4);
    m_shadows->renderPointShadow(*m_light, *cubes.primary, *cubes.depth, true);
    EXPECT_EQ(at(face(*cubes.primary, 4), 16, 8, 8), 1.0f);
    EXPECT_NEAR(at(face(*cubes.primary, 5), 16, 8, 8), 0.35f, 0.01f);
    EXPECT_EQ(at(face(*cubes.primary, 0), 16, 8, 8), 1.0f);
}

// A cone of angle 0 copies every face as it is; a wider one softens the
// caster's edge without moving the clear parts away from (1, 1).
TEST_F(ShadowMapsWindow, BlurCopiesAtAngleZeroAndSoftensEdges) {
    addBox({3, 0, 0});
    addBox({0, 2.5f, -2.5f});  // across the edge between +Y and -Z
    ShadowCubeGL& cubes = *m_shadows->cubes(5);
    m_shadows->renderPointShadow(*m_light, *cubes.secondary, *cubes.depth, false);
    m_shadows->blurCube(*cubes.secondary, *cubes.primary, 0);
    for (int i = 0; i < 6; ++i) {
        std::vector<float> source = face(*cubes.secondary, i), blurred = face(*cubes.primary, i);
        for (size_t k = 0; k < source.size(); ++k)
            ASSERT_NEAR(blurred[k], source[k], 1e-4f) << "face " << i << " texel " << k / 2;
    }

    m_shadows->blurCube(*cubes.secondary, *cubes.primary, 0.2f);
    const int n = 32;
    std::vector<float> sharp = face(*cubes.secondary, 0), soft = face(*cubes.primary, 0);
    int softened = 0;
    for (int s = 0; s < n; ++s) {
        float before = at(sharp, n, s, n / 2), after = at(soft, n, s, n / 2);
        if (after > 0.26f && after < 0.99f && std::fabs(after - before) > 0.01f)
            ++softened;
    }
    EXPECT_GT(softened, 0);
    EXPECT_NEAR(at(soft, n, n / 2, n / 2), at(sharp, n, n / 2, n / 2), 0.02f);
    EXPECT_EQ(at(face(*cubes.primary, 1), n, n / 2, n / 2), 1.0f);
}

TEST_F(ShadowMapsWindow, FrameShadowsBlurOnlyAboveQualityZero) {
    addBox({3, 0, 0});
    m_light->setShadowMapSize(20);
    ShadowCubeGL& cubes = *m_shadows->cubes(5);
    // Mark the secondary cube: quality 0 must leave it alone.
    m_shadows->blurCube(*cubes.primary, *cubes.secondary, 0);
    std::vector<float> marked = face(*cubes.secondary, 0);
    EXPECT_EQ(&m_shadows->renderFrameShadow(*m_light, 0), cubes.primary.get());
    EXPECT_EQ(face(*cubes.secondary, 0), marked);
    EXPECT_NEAR(at(face(*cubes.primary, 0), 32, 16, 16), 0.25f, 0.01f);

    EXPECT_EQ(&m_shadows->renderFrameShadow(*m_light, 1), cubes.primary.get());
    EXPECT_NEAR(at(face(*cubes.secondary, 0), 32, 16, 16), 0.25f, 0.01f);
    EXPECT_NEAR(at(face(*cubes.primary, 0), 32, 16, 16), 0.25f, 0.01f);
}

} // namespace
