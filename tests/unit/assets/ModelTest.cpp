#include "core/Exception.h"
#include "core/FileSystem.h"
#include "engine/assets/Model.h"
#include "engine/assets/ModelFile.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/scene/Scene.h"
#include "support/RendererWindow.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine;

namespace {

constexpr int RenderSlot = Component::RenderEntityKind;

MeshEntity* meshOf(const Node* node) {
    return static_cast<MeshEntity*>(node->meshEntity());
}

LightEntity* lightOf(const Node* node) {
    return static_cast<LightEntity*>(node->lightEntity());
}

std::unique_ptr<Mesh> triangle() {
    auto mesh = std::make_unique<Mesh>(3);
    const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, positions);
    mesh->setIndices({0, 1, 2});
    mesh->addSegment().count = 1;
    mesh->segments()[0].material = core::CountedRef<Material>(getMaterial("model-test-brass"));
    return mesh;
}

class ModelWindow : public test::RendererWindow {
protected:
    // A skinned body at the root, an arm below it with a spot light, and a
    // node that belongs to no parent in the file.
    std::unique_ptr<Model> makeModel(bool keepSourceData) {
        auto model = std::make_unique<Model>();
        Node* body = model->addNode();
        Node* arm = model->addNode();
        Node* loose = model->addNode();
        body->setName("body");
        arm->setName("arm");
        loose->setName("loose");
        arm->setPosition({1, 2, 3});
        auto* entity = new MeshEntity(RenderableMesh::create(*triangle(), keepSourceData).release());
        body->setComponent(RenderSlot, entity);
        Mat4x3 bind;
        bind.pos = {0, -2, 0};
        outsider = std::make_unique<Node>();
        entity->setSkeleton(new Skeleton({{arm, bind}, {outsider.get(), {}}}));
        entity->setEmissiveColor({0.25f, 0.5f, 1});
        entity->setFlag(MeshEntity::CastShadow, false);
        auto* light = new LightEntity(LightEntity::Spot);
        light->setLightColor({1, 0, 0});
        light->setLightRange(7);
        light->setSpotAngle(0.5f);
        light->setSpotSharpness(0.25f);
        light->setCastShadow(true);
        arm->setComponent(RenderSlot, light);
        return model;
    }

    TempDirectory folder;
    std::unique_ptr<Node> outsider;
};

TEST_F(ModelWindow, SavedModelsLoadByTheirSourceNameWithEntitiesAndSkeletons) {
    std::unique_ptr<Model> original = makeModel(true);
    saveModel(*original, "robot.model");
    original.reset();

    // No source beside it: the native file is used as it is.
    Model* model = Model::load("robot.obj", false);
    std::unique_ptr<Model> owned(model);
    EXPECT_EQ(model->name(), "robot.obj");
    EXPECT_EQ(Model::load("robot.obj", false), model);
    ASSERT_EQ(model->nodeCount(), 3);
    Node* body = model->root();
    Node* arm = model->node(1);
    EXPECT_EQ(arm->parent(), body);
    EXPECT_EQ(model->node(2)->parent(), body);
    EXPECT_EQ(arm->position(), (Vec3{1, 2, 3}));
    EXPECT_EQ(body->findNode("loose"), model->node(2));

    MeshEntity* entity = meshOf(body);
    ASSERT_TRUE(entity && entity->mesh());
    EXPECT_EQ(entity->mesh()->getSourceData(), nullptr);
    EXPECT_EQ(entity->materials()[0]->getName(), "model-test-brass");
    EXPECT_EQ(entity->emissiveColor(), (Vec3{0.25f, 0.5f, 1}));
    EXPECT_FALSE(entity->hasFlag(MeshEntity::CastShadow));
    ASSERT_TRUE(entity->skeleton());
    const std::vector<Bone>& bones = entity->skeleton()->bones();
    ASSERT_EQ(bones.size(), 2u);
    EXPECT_EQ(bones[0].node, arm);
    EXPECT_EQ(bones[0].inverseBind.pos, (Vec3{0, -2, 0}));
    EXPECT_EQ(bones[1].node, nullptr) << "a bone outside the model is stored without its node";

    LightEntity* light = lightOf(arm);
    ASSERT_TRUE(light);
    EXPECT_EQ(light->lightType(), LightEntity::Spot);
    EXPECT_EQ(light->lightColor(), (Vec3{1, 0, 0}));
    EXPECT_EQ(light->lightRange(), 7);
    EXPECT_EQ(light->spotAngle(), 0.5f);
    EXPECT_EQ(light->spotSharpness(), 0.25f);
    EXPECT_TRUE(light->castShadow());
    // The skeleton outlives the model in whoever holds it, without its nodes.
    core::CountedRef<Skeleton> held(entity->skeleton());
    owned.reset();
    EXPECT_EQ(Model::find("robot.obj"), nullptr);
    EXPECT_EQ(held->bones()[0].node, nullptr);
    EXPECT_EQ(held->bones()[0].inverseBind.pos, (Vec3{0, -2, 0}));
    held.reset();

    // Loaded with its source data, the model can be written again, unchanged.
    std::unique_ptr<Model> kept(Model::load("robot.obj", true));
    ASSERT_TRUE(meshOf(kept->root())->mesh()->getSourceData());
    saveModel(*kept, "again.model");
    EXPECT_EQ(core::readFile("again.model"), core::readFile("robot.model"));
}

TEST_F(ModelWindow, WritingNeedsSourceDataAndLeavesTheOldFileOnFailure) {
    TempDirectory::write("robot.model", "old");
    std::unique_ptr<Model> model = makeModel(false);
    try {
        saveModel(*model, "robot.model");
        ADD_FAILURE() << "written";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "No source data");
    }
    EXPECT_EQ(core::readFile("robot.model"), "old");
}

TEST_F(ModelWindow, InstancesAreIndependentHierarchiesSharingTheMeshes) {
    std::unique_ptr<Model> model = makeModel(false);
    std::unique_ptr<Scene> scene(Scene::createSimple());
    Node* first = model->instantiate(*scene);
    Node* second = model->instantiate(*scene);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(scene->nodes().size(), 6u);

    for (Node* copy : {first, second}) {
        SCOPED_TRACE(copy == first ? "first" : "second");
        EXPECT_EQ(copy->name(), "body");
        EXPECT_EQ(copy->scene(), scene.get());
        Node* arm = copy->findNode("arm");
        ASSERT_TRUE(arm);
        EXPECT_EQ(arm->parent(), copy);
        EXPECT_NE(arm, model->node(1));
        EXPECT_EQ(arm->worldPosition(), (Vec3{1, 2, 3}));

        MeshEntity* entity = meshOf(copy);
        ASSERT_TRUE(entity);
        EXPECT_NE(entity, meshOf(model->root()));
        EXPECT_EQ(entity->mesh(), meshOf(model->root())->mesh());
        EXPECT_EQ(entity->emissiveColor(), (Vec3{0.25f, 0.5f, 1}));
        EXPECT_FALSE(entity->hasFlag(MeshEntity::CastShadow));
        ASSERT_TRUE(entity->skeleton());
        EXPECT_NE(entity->skeleton(), meshOf(model->root())->skeleton());
        EXPECT_EQ(entity->skeleton()->bones()[0].node, arm);
        EXPECT_EQ(entity->skeleton()->bones()[0].inverseBind.pos, (Vec3{0, -2, 0}));
        EXPECT_EQ(entity->skeleton()->bones()[1].node, nullptr);
        // In the scene, the entities are found by their bounds.
        EXPECT_TRUE(entity->spatialRecord());

        LightEntity* light = lightOf(arm);
        ASSERT_TRUE(light);
        EXPECT_NE(light, lightOf(model->node(1)));
        EXPECT_EQ(light->lightRange(), 7);
        EXPECT_EQ(light->spotSharpness(), 0.25f);
        EXPECT_TRUE(light->castShadow());
        EXPECT_TRUE(light->spatialRecord());
    }
    // Moving one instance leaves the other and the model alone.
    first->setPosition({10, 0, 0});
    EXPECT_EQ(second->findNode("arm")->worldPosition(), (Vec3{1, 2, 3}));
    EXPECT_EQ(model->node(1)->worldPosition(), (Vec3{1, 2, 3}));
    // The model's own entities stay out of every spatial structure.
    EXPECT_FALSE(meshOf(model->root())->spatialRecord());

    Model empty;
    EXPECT_EQ(empty.instantiate(*scene), nullptr);
}

TEST_F(ModelWindow, MeshLoadMergesTheModelsMeshesUnderTheRequestedName) {
    std::unique_ptr<Model> model = makeModel(true);
    Node* hand = model->addNode();
    hand->addTo(model->node(1));
    hand->setComponent(RenderSlot, new MeshEntity(RenderableMesh::create(*triangle(), true).release()));
    saveModel(*model, "robot.model");

    testing::internal::CaptureStdout();
    core::CountedRef<Mesh> mesh = Mesh::load("robot.obj");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING! merging meshes: robot.model\n");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->getName(), "robot.obj");
    EXPECT_EQ(mesh->getVertexCount(), 6);
    EXPECT_EQ(mesh->vec3Array(PositionSlot)[3], (Vec3{1, 2, 3}));
    EXPECT_EQ(Mesh::load("robot.obj").get(), mesh.get());
    Mesh* loaded = mesh.get();
    mesh.reset();
    EXPECT_EQ(Mesh::find("robot.obj"), nullptr) << "the last reference lets go of " << loaded;
}

} // namespace
