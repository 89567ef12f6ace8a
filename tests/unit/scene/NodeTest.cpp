#include "engine/scene/Node.h"
#include "core/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace engine;

namespace {

std::vector<std::string> events;

// A node that reports its transform-changed notifications.
struct WatchedNode : Node {
    explicit WatchedNode(const std::string& name) { setName(name); }
    void transformChanged() override { events.push_back("changed " + name()); }
};

struct Record : SpatialRecord {
    std::string name;
    void update() override { events.push_back("record " + name); }
};

struct Entity : Component {
    static inline int alive = 0;
    std::string name;
    int type;
    Record record;
    Entity(const std::string& name, int type = 0) : Component(RenderEntityKind), name(name), type(type) {
        record.name = name;
        ++alive;
    }
    ~Entity() override {
        events.push_back("destroy " + name);
        --alive;
    }
    void attach(Node* node) override { events.push_back("attach " + name + " to " + node->name()); }
    void detach() override { events.push_back("detach " + name + " from " + node()->name()); }
    int entityType() const override { return type; }
    SpatialRecord* spatialRecord() const override { return node() ? const_cast<Record*>(&record) : nullptr; }
};

std::vector<std::string> childNames(const Node& node) {
    std::vector<std::string> names;
    for (Node* child = node.firstChild(); child; child = child->nextSibling())
        names.push_back(child->name());
    // The backward links must tell the same story.
    std::vector<std::string> backward;
    for (Node* child = node.lastChild(); child; child = child->previousSibling())
        backward.insert(backward.begin(), child->name());
    EXPECT_EQ(names, backward);
    return names;
}

void expectNear(const Vec3& actual, const Vec3& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectNear(const Mat3& actual, const Mat3& expected) {
    for (int i = 0; i < 3; ++i)
        expectNear(actual.row[i], expected.row[i]);
}

class NodeTest : public ::testing::Test {
protected:
    void SetUp() override { events.clear(); }

    Node* make(const std::string& name, Node* parent = nullptr) {
        nodes.push_back(std::make_unique<Node>());
        nodes.back()->setName(name);
        if (parent)
            nodes.back()->addTo(parent);
        return nodes.back().get();
    }

    std::vector<std::unique_ptr<Node>> nodes;
};

} // namespace

TEST_F(NodeTest, AddToAppendsOnceAndMovesBetweenParents) {
    Node* a = make("a");
    Node* b = make("b", a);
    Node* c = make("c", a);
    Node* d = make("d", a);
    Node* other = make("other");
    b->addTo(a);
    EXPECT_EQ(childNames(*a), (std::vector<std::string>{"b", "c", "d"})) << "same parent: unchanged";
    c->addTo(other);
    EXPECT_EQ(childNames(*a), (std::vector<std::string>{"b", "d"}));
    c->addTo(a);
    EXPECT_EQ(childNames(*a), (std::vector<std::string>{"b", "d", "c"})) << "moved to the end";
    EXPECT_EQ(c->parent(), a);
    b->remove();
    EXPECT_EQ(b->parent(), nullptr);
    EXPECT_EQ(childNames(*a), (std::vector<std::string>{"d", "c"}));
    d->addTo(nullptr);
    c->remove();
    EXPECT_EQ(childNames(*a), std::vector<std::string>{});
}

TEST_F(NodeTest, AddToRefusesALoopAndKeepsTheTree) {
    Node* a = make("a");
    Node* b = make("b", a);
    Node* c = make("c", b);
    for (Node* parent : {a, b, c}) {
        EXPECT_THROW(a->addTo(parent), core::Exception) << parent->name();
        EXPECT_EQ(a->parent(), nullptr);
    }
    EXPECT_EQ(c->parent(), b);
    EXPECT_EQ(childNames(*a), std::vector<std::string>{"b"});
}

TEST_F(NodeTest, FindNodeSearchesDepthFirstStartingWithItself) {
    Node* root = make("x");
    Node* first = make("first", root);
    Node* deep = make("target", first);
    make("x", deep);
    make("target", root);
    EXPECT_EQ(root->findNode("x"), root) << "the node itself wins over a child";
    EXPECT_EQ(root->findNode("target"), deep) << "a subtree before the next sibling";
    EXPECT_EQ(first->findNode("target"), deep);
    EXPECT_EQ(root->findNode("missing"), nullptr);
    EXPECT_EQ(root->findNode("X"), nullptr) << "exact bytes";
}

TEST_F(NodeTest, MovingAParentMovesEveryDescendant) {
    Node* root = make("root");
    root->setRotation(0.3f, 0.5f, -0.2f, RotationOrder::XYZ);
    Node* arm = make("arm", root);
    arm->setTransform({Mat3::rotationZ(0.9f), {1, 2, 3}});
    Node* hand = make("hand", arm);
    hand->setPosition({0, 4, 0});
    Node* finger = make("finger", hand);
    finger->setPosition({0.5f, 0, 0});
    Node* leg = make("leg", root);
    leg->setPosition({-1, -3, 0});

    std::vector<Node*> all = {root, arm, hand, finger, leg};
    std::vector<Vec3> before;
    for (Node* node : all)
        before.push_back(node->worldPosition());
    root->move({10, -20, 5});
    for (size_t i = 0; i < all.size(); ++i)
        expectNear(all[i]->worldPosition(), before[i] + Vec3{10, -20, 5});

    // The world transform is the local one times the parent's.
    Mat4x3 expected = finger->transform() * hand->transform() * arm->transform() * root->transform();
    expectNear(finger->worldTransform().pos, expected.pos);
    expectNear(finger->worldRotation(), expected.rot);
    expectNear((finger->worldTransform() * finger->worldInverse()).pos, {0, 0, 0});
}

TEST_F(NodeTest, RotateAboutTurnsInObjectSpaceAndRotateInParentSpace) {
    Mat3 start = Mat3::fromEuler(0.4f, 1.0f, -0.6f);
    Mat3 turn = Mat3::rotationY(0.8f);
    for (int axis = 0; axis < 3; ++axis) {
        Node* node = make("n");
        node->setTransform({start, {1, 2, 3}});
        node->rotateAbout(axis, 0.7f);
        expectNear(node->rotation(), Mat3::rotationAbout(axis, 0.7f) * start);
        // Turning about its own axis leaves that axis where it was.
        expectNear(node->rotation().row[axis], start.row[axis]);
        EXPECT_EQ(node->position(), (Vec3{1, 2, 3}));
    }
    Node* node = make("n");
    node->setTransform({start, {1, 2, 3}});
    node->rotate(turn);
    expectNear(node->rotation(), start * turn);
    // Turning about the parent's Y leaves each axis's height alone.
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(node->rotation().row[i].y, start.row[i].y, 1e-5f);
    EXPECT_EQ(node->position(), (Vec3{1, 2, 3}));

    node->setTransform({start, {1, 2, 3}});
    Mat4x3 t{turn, {0, 5, 0}};
    node->transform(t);
    expectNear(node->position(), Vec3{1, 2, 3} * turn + Vec3{0, 5, 0});
}

TEST_F(NodeTest, LookAtPointsWorldZAtTheTargetUnderATurnedParent) {
    Node* parent = make("parent");
    Mat4x3 parentTransform{Mat3::fromEuler(0.7f, -0.4f, 1.9f), {3, -1, 2}};
    parentTransform.rot.row[0] = parentTransform.rot.row[0] * 2;  // scaled too
    parent->setTransform(parentTransform);
    Node* child = make("child", parent);
    child->setPosition({1, 1, 1});
    const Vec3 targets[] = {{10, 4, -7}, {0, 100, 0}};
    for (const Vec3& target : targets) {
        Vec3 position = child->worldPosition();
        child->lookAt(target);
        Mat3 world = child->worldRotation();
        expectNear(normalize(world.row[2]), normalize(target - position));
        expectNear(child->worldPosition(), position);
    }
    Node* root = make("root");
    root->lookAt({0, 0, -5});
    expectNear(root->rotation().row[2], {0, 0, -1});
}

TEST_F(NodeTest, InvalidationReachesTheSubtreeInOrder) {
    WatchedNode root("root"), a("a"), b("b"), a1("a1");
    a.addTo(&root);
    b.addTo(&root);
    a1.addTo(&a);
    Entity entity("e");
    core::refAcquire(&entity);  // the test's own count: never freed by the node
    a.setComponent(0, &entity);
    events.clear();
    root.move({1, 0, 0});
    EXPECT_EQ(events, (std::vector<std::string>{"changed root", "changed a", "record e", "changed a1", "changed b"}));
    a.setComponent(0, nullptr);
    core::refRelease(&entity);
}

TEST_F(NodeTest, ReplacingAComponentDetachesTheOldBeforeAttachingTheNew) {
    Node* node = make("node");
    auto* first = new Entity("first", 0);
    auto* second = new Entity("second", 1);
    core::refAcquire(first);  // as a script handle would
    node->setComponent(0, first);
    EXPECT_EQ(node->meshEntity(), first);
    EXPECT_EQ(node->spatialRecord(), &first->record);
    EXPECT_EQ(first->node(), node);

    events.clear();
    node->setComponent(0, second);
    EXPECT_EQ(events,
              (std::vector<std::string>{"detach first from node", "attach second to node", "record second"}));
    EXPECT_EQ(first->node(), nullptr);
    EXPECT_EQ(node->meshEntity(), nullptr);
    EXPECT_EQ(node->lightEntity(), second);
    EXPECT_EQ(Entity::alive, 2) << "the script still holds the first";

    events.clear();
    EXPECT_TRUE(core::refRelease(first));
    delete first;
    node->setComponent(0, nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"destroy first", "detach second from node", "destroy second"}));
    EXPECT_EQ(node->component(0), nullptr);
    EXPECT_EQ(node->spatialRecord(), nullptr);
    EXPECT_EQ(Entity::alive, 0);
}

TEST_F(NodeTest, AComponentMovesBetweenNodesWithoutBeingFreed) {
    Node* a = make("a");
    Node* b = make("b");
    auto* entity = new Entity("e");
    a->setComponent(0, entity);
    events.clear();
    b->setComponent(0, entity);
    EXPECT_EQ(events, (std::vector<std::string>{"detach e from a", "attach e to b", "record e"}));
    EXPECT_EQ(a->component(0), nullptr);
    EXPECT_EQ(a->meshEntity(), nullptr);
    EXPECT_EQ(b->component(0), entity);
    EXPECT_EQ(core::refCountOf(entity), 1u);
    b->setComponent(0, nullptr);
    EXPECT_EQ(Entity::alive, 0);
}

TEST_F(NodeTest, DestroyingANodeFreesItsComponentsAndLeavesChildrenAsRoots) {
    auto parent = std::make_unique<Node>();
    parent->setName("parent");
    parent->setPosition({5, 0, 0});
    Node* child = make("child", parent.get());
    child->setPosition({1, 0, 0});
    Node* grandParent = make("grand");
    parent->addTo(grandParent);
    expectNear(child->worldPosition(), {6, 0, 0});
    parent->setComponent(0, new Entity("e"));
    events.clear();
    parent.reset();
    EXPECT_EQ(events, (std::vector<std::string>{"detach e from parent", "destroy e"}));
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_EQ(grandParent->firstChild(), nullptr);
    expectNear(child->worldPosition(), {1, 0, 0});
}

TEST_F(NodeTest, DeepChainsNeedNoRecursion) {
    Node* root = make("root");
    Node* tip = root;
    for (int i = 0; i < 200000; ++i) {
        tip = make("", tip);
        tip->setPosition({0, 1, 0});
    }
    tip->setName("tip");
    EXPECT_EQ(root->findNode("tip"), tip);
    root->move({1, 0, 0});
    expectNear(tip->worldPosition(), {1, 200000, 0}, 1);
    // Leaves first: a destroyed node's children are invalidated as new roots.
    while (!nodes.empty())
        nodes.pop_back();
}
