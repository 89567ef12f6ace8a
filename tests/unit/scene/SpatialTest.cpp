#include "core/Exception.h"
#include "engine/scene/Camera.h"
#include "engine/scene/QuadTreeSpatialDS.h"
#include "engine/scene/Scene.h"
#include "engine/scene/SimpleSpatialDS.h"
#include "scene/BoxEntity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace engine;

namespace {

struct Collect final : NodeVisitor {
    std::vector<Node*> nodes;
    void visit(Node* node) override { nodes.push_back(node); }
};

std::vector<std::string> names(const std::vector<Node*>& nodes) {
    std::vector<std::string> out;
    for (Node* node : nodes)
        out.push_back(node->name());
    return out;
}

std::vector<std::string> boxQuery(Scene& scene, const BoundingBox& box) {
    Collect found;
    scene.queryBox(box, found);
    return names(found.nodes);
}

Node* named(Node* node, const std::string& name) {
    node->setName(name);
    return node;
}

// A record made straight in the structure, as a render entity makes it on attach.
struct Fixture {
    std::unique_ptr<Scene> scene{new Scene(std::make_unique<QuadTreeSpatialDS>(100, 4))};
    QuadTreeSpatialDS& tree() { return static_cast<QuadTreeSpatialDS&>(scene->spatial()); }

    QuadTreeSpatialDS::QTEntity* record(Node* node) {
        return static_cast<QuadTreeSpatialDS::QTEntity*>(node->spatialRecord());
    }
    // Runs the pending re-insertions.
    void settle() { boxQuery(*scene, boxAround({}, 0)); }
};

} // namespace

TEST(QuadTree, MortonInterleavesTheLowEightBitsOfColumnAndRow) {
    struct Case {
        uint32_t x, z, index;
    } cases[] = {
        {0, 0, 0}, {1, 0, 1}, {0, 1, 2}, {3, 5, 39}, {7, 0, 21}, {0, 7, 42}, {255, 255, 0xffff}, {256, 1, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuadTreeSpatialDS::morton(c.x, c.z), c.index) << c.x << "," << c.z;
}

TEST(QuadTree, NewRecordIsUnboundedAndReportedFirstUntilItsFirstUpdate) {
    Fixture f;
    named(addBox(*f.scene, {0, 0, 0}, 1), "placed");
    // An entity whose record has not been told its box yet passes every query.
    Node holder;
    holder.setName("fresh");
    holder.setPosition({40, 0, 40});
    auto* entity = new BoxEntity(boxAround({}, 1));
    holder.setComponent(Component::RenderEntityKind, entity);
    entity->join(f.tree());
    auto* record = static_cast<QuadTreeSpatialDS::QTEntity*>(entity->record);

    EXPECT_EQ(boxQuery(*f.scene, boxAround({0, 0, 0}, 2)), (std::vector<std::string>{"fresh", "placed"}));
    EXPECT_TRUE(record->isUnbounded());

    record->update();
    EXPECT_EQ(boxQuery(*f.scene, boxAround({0, 0, 0}, 2)), (std::vector<std::string>{"placed"}));
    EXPECT_EQ(boxQuery(*f.scene, boxAround({40, 0, 40}, 2)), (std::vector<std::string>{"fresh"}));
    holder.setComponent(Component::RenderEntityKind, nullptr);
}

TEST(QuadTree, LevelFollowsTheEntitySizeAndCellFollowsItsCentre) {
    // Side 100, four levels: cell sides 100, 50, 25, 12.5.
    struct Case {
        Vec3 center;
        float halfSize;
        int level;
        uint32_t cell;
    } cases[] = {
        {{0, 0, 0}, 150, 0, 0},         // larger than the whole tree
        {{10, 0, 10}, 50, 0, 0},        // exactly the tree's side
        {{-30, 0, 30}, 25, 1, 2},       // a 50 box: column 0, row 1
        {{30, 0, -30}, 15, 2, 5},       // a 30 box: the first side not larger is 25; column 3, row 0
        {{-49, 0, 49}, 0.01f, 3, 42},   // tiny: the deepest level, column 0, row 7
        {{500, 0, -500}, 0.5f, 3, 21},  // far outside: clamped to column 7, row 0
        {{-1e30f, 0, 1e30f}, 0.5f, 3, 42},
    };
    for (const Case& c : cases) {
        Fixture f;
        Node* node = addBox(*f.scene, c.center, c.halfSize);
        f.settle();
        auto* record = f.record(node);
        ASSERT_FALSE(record->isUnbounded());
        EXPECT_EQ(record->level(), c.level) << c.center.x << " size " << c.halfSize;
        EXPECT_EQ(record->cell(), c.cell) << c.center.x << " size " << c.halfSize;
        // Every cell from there to the root counts it.
        uint32_t index = record->cell();
        for (int level = record->level(); level >= 0; --level, index /= 4)
            EXPECT_EQ(f.tree().cell(level, index).count, 1);
    }
}

TEST(QuadTree, EntityOutsideTheSquareIsFoundThroughItsBorderCell) {
    Fixture f;
    named(addBox(*f.scene, {500, 3, -500}, 0.5f), "far");
    named(addBox(*f.scene, {45, 0, -45}, 0.5f), "corner");
    EXPECT_EQ(boxQuery(*f.scene, boxAround({500, 3, -500}, 1)), (std::vector<std::string>{"far"}));
    EXPECT_EQ(boxQuery(*f.scene, boxAround({45, 0, -45}, 1)), (std::vector<std::string>{"corner"}));
    Collect found;
    f.scene->queryRay({{0, 3, 0}, {1, 0, -1}}, found);
    EXPECT_EQ(names(found.nodes), (std::vector<std::string>{"far"}));
}

TEST(QuadTree, EmptiedCellsAreSkippedAndStaleBoxesShrinkOnTheNextQuery) {
    Fixture f;
    Node* left = named(addBox(*f.scene, {-45, 0, -45}, 0.5f), "left");
    Node* right = named(addBox(*f.scene, {45, 0, 45}, 0.5f), "right");
    f.settle();
    auto* record = f.record(left);
    int level = record->level();
    uint32_t cell = record->cell();
    EXPECT_EQ(f.tree().cell(0, 0).box, (BoundingBox{{-45.5f, -0.5f, -45.5f}, {45.5f, 0.5f, 45.5f}}));

    f.scene->removeNode(left, false);
    const auto& emptied = f.tree().cell(level, cell);
    EXPECT_EQ(emptied.count, 0);
    EXPECT_TRUE(emptied.stale);
    EXPECT_EQ(f.tree().cell(0, 0).count, 1);

    // The old root box still reaches the removed entity's place, so the query
    // recomputes the stale path and finds nothing there.
    EXPECT_TRUE(boxQuery(*f.scene, boxAround({-45, 0, -45}, 1)).empty());
    EXPECT_FALSE(f.tree().cell(0, 0).stale);
    EXPECT_TRUE(emptied.box.isEmpty());
    EXPECT_EQ(f.tree().cell(0, 0).box, (BoundingBox{{44.5f, -0.5f, 44.5f}, {45.5f, 0.5f, 45.5f}}));
    EXPECT_EQ(boxQuery(*f.scene, boxAround({45, 0, 45}, 1)), (std::vector<std::string>{"right"}));
    (void)right;
}

TEST(QuadTree, MovesAreQueuedAndAppliedByTheNextQuery) {
    Fixture f;
    Node* node = named(addBox(*f.scene, {-40, 0, -40}, 0.5f), "mover");
    f.settle();
    for (int i = 0; i < 10; ++i)
        node->move({8, 0, 8});
    EXPECT_EQ(f.record(node)->box().min.x, -40.5f) << "nothing moves before a query";
    EXPECT_TRUE(boxQuery(*f.scene, boxAround({-40, 0, -40}, 1)).empty());
    EXPECT_EQ(boxQuery(*f.scene, boxAround({40, 0, 40}, 1)), (std::vector<std::string>{"mover"}));
    // A parent's move reaches the child's record too.
    Node* parent = f.scene->addNode();
    node->addTo(parent);
    parent->setPosition({-80, 0, -80});
    EXPECT_EQ(boxQuery(*f.scene, boxAround({-40, 0, -40}, 1)), (std::vector<std::string>{"mover"}));
}

TEST(QuadTree, UnboundedEntitiesPassEveryQuery) {
    // The list reports in creation order; the tree reports unbounded entities first.
    struct Case {
        Scene* scene;
        std::vector<std::string> order;
    } cases[] = {
        {Scene::createSimple(), {"box", "sun"}},
        {Scene::createQuadTree(100, 5), {"sun", "box"}},
    };
    for (Case& c : cases) {
        std::unique_ptr<Scene> scene(c.scene);
        named(addBox(*scene, {0, 0, 0}, 1), "box");
        named(addBox(*scene, {30, 0, 30}, 1, true), "sun");
        EXPECT_EQ(boxQuery(*scene, boxAround({0, 0, 0}, 1)), c.order);
        EXPECT_EQ(boxQuery(*scene, boxAround({-30, 0, 0}, 1)), (std::vector<std::string>{"sun"}));
    }
}

TEST(QuadTree, DepthBelowOneStillHoldsEntities) {
    std::unique_ptr<Scene> scene(Scene::createQuadTree(100, 0));
    named(addBox(*scene, {3, 0, 3}, 1), "box");
    EXPECT_EQ(boxQuery(*scene, boxAround({3, 0, 3}, 1)), (std::vector<std::string>{"box"}));
}

TEST(QuadTree, DepthBeyondTheCellBudgetIsAHostError) {
    for (int depth : {14, 40, 1000})
        EXPECT_THROW(QuadTreeSpatialDS(100, depth), core::Exception) << depth;
}

// The two structures must agree on every query, whatever the scene does.
TEST(SpatialStructures, QuadTreeAnswersAsTheSimpleListOnRandomScenes) {
    std::mt19937 random(1234);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    auto point = [&](float range) { return Vec3{uniform(-range, range), uniform(-5, 5), uniform(-range, range)}; };
    auto sorted = [](std::vector<Node*> nodes) {
        std::vector<std::string> out = names(nodes);
        std::sort(out.begin(), out.end());
        return out;
    };

    for (int round = 0; round < 4; ++round) {
        std::unique_ptr<Scene> simple(Scene::createSimple());
        std::unique_ptr<Scene> tree(Scene::createQuadTree(200, 6));
        std::vector<std::pair<Node*, Node*>> pairs;
        for (int i = 0; i < 400; ++i) {
            // Mostly small, some huge, some beyond the covered square, a few unbounded.
            float size = i % 10 == 0 ? uniform(50, 300) : uniform(0.01f, 5);
            Vec3 at = point(i % 7 == 0 ? 400 : 100);
            bool unbounded = i % 50 == 0;
            Node* a = addBox(*simple, at, size, unbounded);
            Node* b = addBox(*tree, at, size, unbounded);
            a->setName(std::to_string(i));
            b->setName(std::to_string(i));
            pairs.push_back({a, b});
        }
        Camera camera(Mat4::perspective(1.0f, 1.0f, 0.5f, 80));
        for (int step = 0; step < 20; ++step) {
            // Move some, remove some, between queries.
            for (int k = 0; k < 30; ++k) {
                auto& [a, b] = pairs[random() % pairs.size()];
                Vec3 delta = point(20);
                a->move(delta);
                b->move(delta);
            }
            if (step % 3 == 0 && pairs.size() > 10) {
                size_t i = random() % pairs.size();
                simple->removeNode(pairs[i].first, false);
                tree->removeNode(pairs[i].second, false);
                pairs.erase(pairs.begin() + static_cast<long>(i));
            }

            Collect s, t;
            BoundingBox box = boxAround(point(120), uniform(1, 40));
            simple->queryBox(box, s);
            tree->queryBox(box, t);
            ASSERT_EQ(sorted(s.nodes), sorted(t.nodes)) << "box, round " << round << " step " << step;

            Collect s2, t2;
            BoundingSphere sphere{point(120), uniform(1, 40)};
            simple->querySphere(sphere, s2);
            tree->querySphere(sphere, t2);
            ASSERT_EQ(sorted(s2.nodes), sorted(t2.nodes)) << "sphere";

            Collect s3, t3;
            Ray ray{point(150), point(1)};
            simple->queryRay(ray, s3);
            tree->queryRay(ray, t3);
            ASSERT_EQ(sorted(s3.nodes), sorted(t3.nodes)) << "ray";

            Collect s4, t4;
            camera.setPosition(point(100));
            camera.setRotation(0, uniform(-3, 3), 0, RotationOrder::XYZ);
            simple->queryFrustum(camera.planes(), Camera::PlaneCount, s4);
            tree->queryFrustum(camera.planes(), Camera::PlaneCount, t4);
            ASSERT_EQ(sorted(s4.nodes), sorted(t4.nodes)) << "frustum";
            ASSERT_FALSE(s4.nodes.empty());
        }
    }
}

TEST(Scene, OwnsItsNodesAndRemovesThemAloneOrWithTheirSubtree) {
    std::unique_ptr<Scene> scene(Scene::createQuadTree(100, 3));
    Node* root = named(scene->addNode(), "root");
    Node* child = named(scene->addNode(), "child");
    Node* grandchild = named(addBox(*scene, {1, 0, 1}, 1), "grandchild");
    Node* other = named(scene->addNode(), "child");
    child->addTo(root);
    grandchild->addTo(child);

    EXPECT_EQ(scene->findNode("child"), child) << "the first in list order";
    EXPECT_EQ(scene->findNode("nobody"), nullptr);

    scene->removeNode(root, false);
    EXPECT_EQ(child->parent(), nullptr) << "children become roots";
    EXPECT_EQ(names(scene->nodes()), (std::vector<std::string>{"child", "grandchild", "child"}));

    // A camera under a scene node is not the scene's to destroy.
    Camera camera(Mat4::identity());
    camera.addTo(grandchild);
    scene->removeNode(child, true);
    EXPECT_EQ(names(scene->nodes()), (std::vector<std::string>{"child"}));
    EXPECT_EQ(camera.parent(), nullptr);
    EXPECT_TRUE(boxQuery(*scene, boxAround({1, 0, 1}, 1)).empty()) << "the entity left the structure";
    (void)other;
}
