#include "engine/draw/DebugDraw.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/scene/Camera.h"
#include "engine/scene/Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace engine;

namespace {

// A renderable mesh that is only its box and materials: what entities read of
// a mesh, without a graphics device.
struct BoxMesh final : RenderableMesh {
    BoundingBox box;
    std::vector<Material*> segmentMaterials;
    explicit BoxMesh(const BoundingBox& b, std::vector<Material*> materials = {})
        : box(b), segmentMaterials(std::move(materials)) {}
    void init(const Mesh&, bool) override {}
    Mesh* getSourceData() const override { return nullptr; }
    BoundingBox getBoundingBox() const override { return box; }
    std::vector<Material*> getMaterials() const override { return segmentMaterials; }
};

struct Collect final : NodeVisitor {
    std::vector<Node*> nodes;
    void visit(Node* node) override { nodes.push_back(node); }
};

std::vector<Node*> boxQuery(Scene& scene, const BoundingBox& box) {
    Collect found;
    scene.queryBox(box, found);
    return found.nodes;
}

BoundingBox unitBox() {
    return {{-1, -1, -1}, {1, 1, 1}};
}

void expectBox(const BoundingBox& box, const Vec3& min, const Vec3& max) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR((&box.min.x)[i], (&min.x)[i], 1e-4) << "min " << i;
        EXPECT_NEAR((&box.max.x)[i], (&max.x)[i], 1e-4) << "max " << i;
    }
}

template <class Entity>
Entity* attach(Node& node, Entity* entity) {
    node.setComponent(Component::RenderEntityKind, entity);
    return entity;
}

} // namespace

TEST(LightEntity, BoundsFollowTheLightTypeRangeAndAngle) {
    const float pi = 3.1415927f;
    struct Case {
        const char* name;
        LightEntity::LightType type;
        Vec3 position;
        float turnY;  // about the node's Y axis
        float range, angle;
        Vec3 min, max;
    } cases[] = {
        {"point", LightEntity::Point, {1, 2, 3}, 0, 5, 0, {-4, -3, -2}, {6, 7, 8}},
        {"spot", LightEntity::Spot, {0, 0, 0}, 0, 10, pi / 2, {-10, -10, 0}, {10, 10, 10}},
        {"narrow spot", LightEntity::Spot, {0, 0, 0}, 0, 4, 2 * std::atan(0.25f), {-1, -1, 0}, {1, 1, 4}},
        // Turned a quarter about Y, the cone shines along +X.
        {"turned spot", LightEntity::Spot, {0, 1, 0}, -pi / 2, 10, pi / 2, {0, -9, -10}, {10, 11, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Node node;
        node.setPosition(c.position);
        node.setRotation(0, c.turnY, 0, RotationOrder::XYZ);
        auto* light = attach(node, new LightEntity(c.type));
        light->setLightRange(c.range);
        if (c.type == LightEntity::Spot)
            light->setSpotAngle(c.angle);
        EXPECT_FALSE(light->unbounded());
        expectBox(light->getWorldBounds(), c.min, c.max);
    }
    for (auto type : {LightEntity::Ambient, LightEntity::Directional}) {
        LightEntity light(type);
        EXPECT_TRUE(light.unbounded());
        EXPECT_EQ(light.getWorldBounds(), (BoundingBox{{0, 0, 0}, {0, 0, 0}}));
    }
}

TEST(LightEntity, StartsWithItsDocumentedDefaults) {
    LightEntity light(LightEntity::Point);
    EXPECT_EQ(light.entityType(), RenderEntity::LightEntityType);
    EXPECT_EQ(light.lightColor(), (Vec3{1, 1, 1}));
    EXPECT_EQ(light.lightRange(), 1.0f);
    EXPECT_EQ(light.spotAngle(), 1.5707964f);
    EXPECT_EQ(light.shadowMapSize(), 256);
    EXPECT_EQ(light.maxShadowDistance(), 100000.0f);
    EXPECT_FALSE(light.castShadow() || light.primaryLight() || light.hidden() || light.drawBoundBox());
}

TEST(MeshEntity, TakesTheMeshMaterialsAndSetMaterialReplacesEachEntry) {
    // Held as the engine holds materials, so the entity's counts are shared.
    core::CountedRef<Material> held[] = {core::CountedRef<Material>(new Material("entity-test-a")),
                                         core::CountedRef<Material>(new Material("entity-test-b")),
                                         core::CountedRef<Material>(new Material("entity-test-c"))};
    Material& a = *held[0];
    Material& b = *held[1];
    Material& c = *held[2];
    auto* mesh = new BoxMesh(unitBox(), {&a, nullptr, &b});
    MeshEntity entity(mesh);
    ASSERT_EQ(entity.materials().size(), 3u);
    EXPECT_EQ(entity.materials()[0].get(), &a);
    EXPECT_EQ(entity.materials()[1].get(), nullptr);
    EXPECT_EQ(entity.materials()[2].get(), &b);
    EXPECT_EQ(entity.flags(), uint32_t(MeshEntity::CastShadow));

    entity.setMaterial(&c);
    ASSERT_EQ(entity.materials().size(), 3u);
    for (const auto& material : entity.materials())
        EXPECT_EQ(material.get(), &c);
    // The mesh's own list is untouched.
    EXPECT_EQ(mesh->getMaterials()[0], &a);

    entity.setMaterials({&b});
    ASSERT_EQ(entity.materials().size(), 1u);
    EXPECT_EQ(entity.materials()[0].get(), &b);

    entity.setMesh(nullptr);
    EXPECT_TRUE(entity.materials().empty());
    EXPECT_TRUE(entity.unbounded());
}

TEST(MeshEntity, BoundsFollowTheNodeUnlessSetByHand) {
    Node node;
    node.setPosition({10, 0, 0});
    node.setRotation(0, -3.1415927f / 2, 0, RotationOrder::XYZ);
    auto* entity = attach(node, new MeshEntity(new BoxMesh({{0, 0, 0}, {2, 1, 1}})));
    // Turned a quarter about Y, local +Z goes to +X and local +X to -Z.
    expectBox(entity->getWorldBounds(), {10, 0, -2}, {11, 1, 0});
    node.move({0, 5, 0});
    expectBox(entity->getWorldBounds(), {10, 5, -2}, {11, 6, 0});

    entity->setManualBounds({{-1, -2, -3}, {1, 2, 3}});
    node.move({100, 0, 0});
    expectBox(entity->getWorldBounds(), {-1, -2, -3}, {1, 2, 3});
    EXPECT_TRUE(entity->hasFlag(MeshEntity::ManualBounds));
}

// Changing what bounds an entity must re-file it, though its node never moved.
TEST(RenderEntity, SettersThatChangeTheBoundsReachTheSpatialStructure) {
    for (bool quadTree : {false, true}) {
        SCOPED_TRACE(quadTree ? "quad tree" : "simple");
        std::unique_ptr<Scene> scene(quadTree ? Scene::createQuadTree(200, 5) : Scene::createSimple());
        Node* meshNode = scene->addNode();
        auto* mesh = attach(*meshNode, new MeshEntity(new BoxMesh(unitBox())));
        Node* lightNode = scene->addNode();
        lightNode->setPosition({50, 0, 50});
        auto* light = attach(*lightNode, new LightEntity(LightEntity::Point));
        BoundingBox farAway{{30, -1, 30}, {31, 1, 31}};
        EXPECT_TRUE(boxQuery(*scene, farAway).empty());

        light->setLightRange(25);
        EXPECT_EQ(boxQuery(*scene, farAway), std::vector<Node*>{lightNode});
        light->setLightRange(1);
        EXPECT_TRUE(boxQuery(*scene, farAway).empty());

        // Without a mesh the entity is unbounded and meets every query.
        mesh->setMesh(nullptr);
        EXPECT_EQ(boxQuery(*scene, farAway), std::vector<Node*>{meshNode});
        mesh->setMesh(new BoxMesh(unitBox()));
        EXPECT_TRUE(boxQuery(*scene, farAway).empty());

        mesh->setManualBounds(farAway);
        EXPECT_EQ(boxQuery(*scene, farAway), std::vector<Node*>{meshNode});

        // Taken off its node, the entity leaves the structure.
        meshNode->setComponent(Component::RenderEntityKind, nullptr);
        EXPECT_TRUE(boxQuery(*scene, farAway).empty());
    }
}

// A skinned limb bent far out of its bind-pose box is still found by a
// frustum that sees only the bent part, in both structures, though the bone
// node that bends it is not below the entity's node and the entity was
// already filed before the bend.
TEST(MeshEntity, ASkinnedMeshIsBoundedByItsPoseNotItsBindPose) {
    struct SkinnedBoxMesh final : RenderableMesh {
        void init(const Mesh&, bool) override {}
        Mesh* getSourceData() const override { return nullptr; }
        // An upright limb four units tall.
        BoundingBox getBoundingBox() const override { return {{-0.5f, 0, -0.5f}, {0.5f, 4, 0.5f}}; }
        std::vector<Material*> getMaterials() const override { return {}; }
        bool isSkinned() const override { return true; }
    };
    // What sees x from 2 to 5 near the ground, and nothing of the upright limb.
    const Plane frustum[] = {
        {{1, 0, 0}, 2}, {{-1, 0, 0}, -5}, {{0, 1, 0}, -1}, {{0, -1, 0}, -1}, {{0, 0, 1}, -1}, {{0, 0, -1}, -1},
    };
    auto seen = [&](Scene& scene) {
        Collect found;
        scene.queryFrustum(frustum, 6, found);
        return found.nodes;
    };
    for (bool quadTree : {false, true}) {
        SCOPED_TRACE(quadTree ? "quad tree" : "simple");
        std::unique_ptr<Scene> scene(quadTree ? Scene::createQuadTree(200, 5) : Scene::createSimple());
        Node* body = scene->addNode();
        Node* shoulder = scene->addNode();
        auto* limb = attach(*body, new MeshEntity(new SkinnedBoxMesh));
        limb->setSkeleton(new Skeleton(std::vector<Bone>{{shoulder, {}}}));
        EXPECT_TRUE(seen(*scene).empty()) << "upright";
        expectBox(limb->getWorldBounds(), {-0.5f, 0, -0.5f}, {0.5f, 4, 0.5f});

        // A quarter turn about Z lays the limb along +X.
        shoulder->setRotation(Mat3::rotationZ(-3.1415927f / 2));
        expectBox(limb->getWorldBounds(), {0, -0.5f, -0.5f}, {4, 0.5f, 0.5f});
        EXPECT_EQ(seen(*scene), std::vector<Node*>{body}) << "bent";

        // Without the skeleton the bind pose bounds it again.
        limb->setSkeleton(nullptr);
        EXPECT_TRUE(seen(*scene).empty()) << "unskinned";
        // A bone without a node keeps its vertices where the entity's node puts them.
        limb->setSkeleton(new Skeleton(std::vector<Bone>{{shoulder, {}}, {nullptr, {}}}));
        body->setPosition({0, 0, 10});
        expectBox(limb->getWorldBounds(), {-0.5f, -0.5f, -0.5f}, {4, 4, 10.5f});
        scene->removeNode(shoulder, false);
        expectBox(limb->getWorldBounds(), {-0.5f, 0, 9.5f}, {0.5f, 4, 10.5f});
    }
}

TEST(RenderEntity, QueuesItsDebugShape) {
    struct Case {
        const char* name;
        RenderEntity* entity;
        size_t lines;
        uint32_t color;
    } cases[] = {
        {"mesh", new MeshEntity(new BoxMesh(unitBox())), 12, 0xFFFFFFFF},
        // A marker, then 6 rings and 12 meridians of a detail-6 sphere.
        {"point", new LightEntity(LightEntity::Point), 3 + 6 * 12 + 12 * 6, 0xFF00FFFF},
        {"spot", new LightEntity(LightEntity::Spot), 3 + 12, 0xFF00FFFF},
        {"ambient", new LightEntity(LightEntity::Ambient), 0, 0},
        {"directional", new LightEntity(LightEntity::Directional), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Node node;
        attach(node, c.entity);
        DebugDraw::clear();
        c.entity->debugDraw();
        ASSERT_EQ(DebugDraw::lines().size(), c.lines);
        for (const auto& line : DebugDraw::lines())
            EXPECT_EQ(line.color, c.color);
    }

    // The spot's frustum reaches its range: the far corners of a right-angled
    // cone of range 10 lie at (±10, ±10, 10).
    Node node;
    auto* spot = attach(node, new LightEntity(LightEntity::Spot));
    spot->setLightRange(10);
    DebugDraw::clear();
    spot->debugDraw();
    BoundingBox reach;
    for (const auto& line : DebugDraw::lines()) {
        reach.add(line.from);
        reach.add(line.to);
    }
    expectBox(reach, {-10, -10, -0.5f}, {10, 10, 10});
    DebugDraw::clear();
}

// Real mesh and light entities, moved, re-ranged and removed between queries:
// the quad tree must answer as the plain list does.
TEST(RenderEntity, QuadTreeAndSimpleListAgreeOnScenesOfRealEntities) {
    std::mt19937 random(77);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    auto point = [&](float range) { return Vec3{uniform(-range, range), uniform(-5, 5), uniform(-range, range)}; };
    auto sorted = [](const std::vector<Node*>& nodes) {
        std::vector<std::string> out;
        for (Node* node : nodes)
            out.push_back(node->name());
        std::sort(out.begin(), out.end());
        return out;
    };

    for (int round = 0; round < 2; ++round) {
        std::unique_ptr<Scene> scenes[2] = {std::unique_ptr<Scene>(Scene::createSimple()),
                                            std::unique_ptr<Scene>(Scene::createQuadTree(400, 7))};
        struct Pair {
            Node* node[2];
            RenderEntity* entity[2];
        };
        std::vector<Pair> pairs;
        for (int i = 0; i < 3000; ++i) {
            Vec3 at = point(i % 9 == 0 ? 600 : 200);
            float turn = uniform(-3, 3);
            int kind = i % 40 == 0 ? int(random() % 2) : 2 + int(random() % 3);  // unbounded lights are rare
            float size = i % 25 == 0 ? uniform(50, 300) : uniform(0.1f, 6);
            Pair pair{};
            for (int s = 0; s < 2; ++s) {
                Node* node = scenes[s]->addNode();
                node->setName(std::to_string(i));
                node->setPosition(at);
                node->setRotation(0, turn, 0, RotationOrder::XYZ);
                RenderEntity* entity = nullptr;
                if (kind == 4) {
                    entity = new MeshEntity(new BoxMesh({{-size, -1, -size * 0.5f}, {size, 1, size}}));
                } else {
                    auto* light = new LightEntity(static_cast<LightEntity::LightType>(kind));
                    light->setLightRange(size);
                    light->setSpotAngle(1.2f);
                    entity = light;
                }
                node->setComponent(Component::RenderEntityKind, entity);
                pair.node[s] = node;
                pair.entity[s] = entity;
            }
            pairs.push_back(pair);
        }

        Camera camera(Mat4::perspective(1.0f, 1.0f, 0.5f, 150));
        for (int step = 0; step < 15; ++step) {
            for (int k = 0; k < 60; ++k) {
                Pair& pair = pairs[random() % pairs.size()];
                Vec3 delta = point(30);
                float range = uniform(0.5f, 20);
                for (int s = 0; s < 2; ++s) {
                    pair.node[s]->move(delta);
                    if (auto* light = dynamic_cast<LightEntity*>(pair.entity[s]))
                        light->setLightRange(range);
                }
            }
            if (step % 4 == 1) {
                size_t i = random() % pairs.size();
                for (int s = 0; s < 2; ++s)
                    scenes[s]->removeNode(pairs[i].node[s], false);
                pairs.erase(pairs.begin() + long(i));
            }

            Collect found[4][2];
            BoundingBox box{point(250), {}};
            box.max = box.min + Vec3{uniform(1, 60), uniform(1, 20), uniform(1, 60)};
            BoundingSphere sphere{point(250), uniform(1, 50)};
            Ray ray{point(250), point(1)};
            camera.setPosition(point(200));
            camera.setRotation(0, uniform(-3, 3), 0, RotationOrder::XYZ);
            for (int s = 0; s < 2; ++s) {
                scenes[s]->queryBox(box, found[0][s]);
                scenes[s]->querySphere(sphere, found[1][s]);
                scenes[s]->queryRay(ray, found[2][s]);
                scenes[s]->queryFrustum(camera.planes(), Camera::PlaneCount, found[3][s]);
            }
            for (int q = 0; q < 4; ++q) {
                ASSERT_EQ(sorted(found[q][0].nodes), sorted(found[q][1].nodes))
                    << "query " << q << ", round " << round << ", step " << step;
            }
        }
    }
}
