#include "engine/render/ShadowCube.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/ShadowMapVisitor.h"
#include "engine/scene/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

using namespace engine;

namespace {

TEST(ShadowCube, LightsUseTheSmallestCubeThatFits) {
    struct Case {
        int requested, log2;
    } cases[] = {{300, 8}, {256, 8}, {255, 8}, {20, 5}, {16, 4}, {1, 4}, {0, 4}, {-5, 4}, {100000, 8}};
    for (const Case& c : cases)
        EXPECT_EQ(shadowCubeLog2ForSize(c.requested), c.log2) << c.requested;
}

// Where GL reads a direction from: the face and the position (sc, tc) in
// -1..1 on it, by the cube map addressing rules.
void cubeAddress(const Vec3& d, int& face, float& sc, float& tc) {
    float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    if (ax >= ay && ax >= az) {
        face = d.x > 0 ? 0 : 1;
        sc = (d.x > 0 ? -d.z : d.z) / ax;
        tc = -d.y / ax;
    } else if (ay >= az) {
        face = d.y > 0 ? 2 : 3;
        sc = d.x / ay;
        tc = (d.y > 0 ? d.z : -d.z) / ay;
    } else {
        face = d.z > 0 ? 4 : 5;
        sc = (d.z > 0 ? d.x : -d.x) / az;
        tc = -d.y / az;
    }
}

// A texel rendered by face i's camera (90 degrees, y flipped) must be the one
// GL reads back for that direction, and the blur must see the same direction
// for it.
TEST(ShadowCube, FaceCamerasAndBlurMatricesAgreeWithCubeAddressing) {
    const float points[][2] = {{0, 0}, {0.5f, 0}, {0, 0.5f}, {-0.75f, 0.25f}, {0.9f, -0.6f}};
    for (int face = 0; face < 6; ++face) {
        Mat3 rotation = shadowCubeFaceRotation(face);
        EXPECT_NEAR(determinant(rotation), 1.0f, 1e-6f) << face;
        for (const auto& p : points) {
            // Clip (x, y) on the face; the flip sends clip y to view -y.
            Vec3 fromCamera = Vec3{p[0], -p[1], 1} * rotation;
            int readFace;
            float sc, tc;
            cubeAddress(fromCamera, readFace, sc, tc);
            EXPECT_EQ(readFace, face);
            EXPECT_NEAR(sc, p[0], 1e-6f) << face;
            EXPECT_NEAR(tc, p[1], 1e-6f) << face;

            // The blur's M · (x, y, 1), with M's rows: the same direction.
            Mat3 m = cubeBlurFaceMatrix(face);
            Vec3 v{p[0], p[1], 1};
            Vec3 fromBlur{dot(m.row[0], v), dot(m.row[1], v), dot(m.row[2], v)};
            EXPECT_NEAR(length(fromBlur - fromCamera), 0.0f, 1e-6f) << face;
        }
    }
}

TEST(ShadowCube, BlurSamplesAreOneFixedPatternInsideTheCone) {
    auto samples = cubeBlurSamples(ShadowBlurConeAngle);
    EXPECT_EQ(samples, cubeBlurSamples(ShadowBlurConeAngle));
    for (const Vec3& s : samples) {
        EXPECT_NEAR(length(s), 1.0f, 1e-6f);
        EXPECT_GE(s.y, std::cos(ShadowBlurConeAngle / 2) - 1e-7f);
    }
    // The first two outputs of the generator seeded with (0x123, 0x234,
    // 0x345, 0x456) are 1067595299 and 955945823.
    double around = 1067595299.0 / 4294967296.0 * 2 * std::numbers::pi - std::numbers::pi;
    double tilt = -0.5 + 955945823.0 / 4294967296.0;
    EXPECT_NEAR(cubeBlurSamples(1)[0].x, std::sin(tilt) * std::sin(around), 1e-6);
    EXPECT_NEAR(cubeBlurSamples(1)[0].z, -std::sin(tilt) * std::cos(around), 1e-6);
    for (const Vec3& s : cubeBlurSamples(0))
        EXPECT_EQ(s, (Vec3{0, 1, 0}));
}

struct BoxMesh final : RenderableMesh {
    void init(const Mesh&, bool) override {}
    Mesh* getSourceData() const override { return nullptr; }
    BoundingBox getBoundingBox() const override { return {{-1, -1, -1}, {1, 1, 1}}; }
    std::vector<Material*> getMaterials() const override { return {}; }
};

TEST(ShadowMapVisitor, KeepsVisibleMeshesThatCastShadows) {
    std::unique_ptr<Scene> scene(Scene::createSimple());
    auto add = [&](const char* name, Component* entity) {
        Node* node = scene->addNode();
        node->setName(name);
        node->setComponent(Component::RenderEntityKind, entity);
        return entity;
    };
    add("caster", new MeshEntity(new BoxMesh));
    static_cast<MeshEntity*>(add("no shadow", new MeshEntity(new BoxMesh)))->setFlag(MeshEntity::CastShadow, false);
    static_cast<MeshEntity*>(add("hidden", new MeshEntity(new BoxMesh)))->setHidden(true);
    add("no mesh", new MeshEntity);
    add("light", new LightEntity(LightEntity::Ambient));
    scene->addNode()->setName("bare");

    ShadowMapVisitor visitor;
    for (int pass = 0; pass < 2; ++pass) {
        visitor.clear();
        scene->visitAll(visitor);
        ASSERT_EQ(visitor.entities().size(), 1u);
        EXPECT_EQ(visitor.entities()[0]->node()->name(), "caster");
    }
}

} // namespace
