#include "core/Exception.h"
#include "core/FileStreams.h"
#include "core/FileSystem.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/assets/Model.h"
#include "engine/assets/ModelAssetProcessor.h"
#include "engine/assets/ModelFile.h"
#include "engine/render/MeshEntity.h"
#include "support/ExceptionMessage.h"
#include "support/LwoWriter.h"
#include "support/RendererWindow.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine;

namespace {

constexpr core::FileTime Day = 864000000000ull;
constexpr core::FileTime Source = 130000000000000000ull;

MeshEntity* meshOf(const Node* node) {
    return static_cast<MeshEntity*>(node->meshEntity());
}

void process(const std::string& name) {
    findAssetProcessor(AssetProcessor::Model, name).processFile(name);
}

class ModelImportWindow : public test::RendererWindow {
protected:
    TempDirectory folder;
};

TEST_F(ModelImportWindow, ObjSourcesConvertOnceIntoAModelFileBesideThem) {
    TempDirectory::write("crate.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
    core::setFileDate("crate.obj", Source);
    core::CountedRef<Mesh> mesh = Mesh::load("crate.obj");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->getVertexCount(), 4);
    EXPECT_EQ(mesh->getIndices().size(), 6u);
    EXPECT_TRUE(mesh->getVertexArray(NormalSlot).present);
    EXPECT_EQ(core::fileDate("crate.model"), Source);

    // One unnamed root at the origin with a plain mesh entity.
    core::FileInputStream stream("crate.model", core::ByteOrder::LittleEndian);
    std::vector<ModelNodeRecord> records = readModelRecords(stream);
    ASSERT_EQ(records.size(), 1u);
    const ModelNodeRecord& root = records[0];
    EXPECT_EQ(root.name, "");
    EXPECT_EQ(root.parent, -1);
    EXPECT_EQ(root.transform.pos, (Vec3{0, 0, 0}));
    EXPECT_EQ(root.transform.rot.row[0], (Vec3{1, 0, 0}));
    EXPECT_EQ(root.transform.rot.row[2], (Vec3{0, 0, 1}));
    ASSERT_EQ(root.entityType, MeshEntityRecord);
    EXPECT_TRUE(root.mesh.bones.empty());
    EXPECT_EQ(root.mesh.emissiveColor, (Vec3{0, 0, 0}));
    EXPECT_TRUE(root.mesh.castShadow);
    EXPECT_EQ(root.mesh.mesh->getVertexCount(), 4);
    EXPECT_EQ(root.mesh.mesh->getSegments()[0].material->getName(), "default");

    // Up to date: the source is not read again, whatever it holds now.
    TempDirectory::write("crate.obj", "f 9 9 9\n");
    core::setFileDate("crate.obj", Source);
    std::unique_ptr<Model> model(Model::load("crate.obj", false));
    ASSERT_EQ(model->nodeCount(), 1);
    ASSERT_TRUE(meshOf(model->root()));
    EXPECT_EQ(meshOf(model->root())->mesh()->getBoundingBox().max, (Vec3{1, 1, 0}));

    // Changed, it converts again; a failure leaves the old file and its time.
    core::setFileDate("crate.obj", Source + Day);
    std::string message = messageOf([] { process("crate.obj"); });
    EXPECT_EQ(message.rfind("Malformed obj file: ", 0), 0u) << message;
    EXPECT_NE(message.find("crate.obj"), std::string::npos) << message;
    EXPECT_EQ(core::fileDate("crate.model"), Source);
}

TEST_F(ModelImportWindow, LightWaveSourcesGiveTheirFirstLayer) {
    LwoWriter file;
    file.layer(0).points({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}).polygons({{0, 1, 2, 3}});
    file.layer(1).points({{5, 5, 5}, {6, 5, 5}, {6, 6, 5}}).polygons({{0, 1, 2}});
    TempDirectory::write("ship.lwo", file.bytes());
    std::unique_ptr<Model> model(Model::load("ship.lwo", true));
    EXPECT_EQ(model->name(), "ship.lwo");
    ASSERT_EQ(model->nodeCount(), 1);
    MeshEntity* entity = meshOf(model->root());
    ASSERT_TRUE(entity);
    const Mesh* source = entity->mesh()->getSourceData();
    ASSERT_TRUE(source);
    EXPECT_EQ(source->getVertexCount(), 4);
    EXPECT_EQ(source->getIndices().size(), 6u);
    EXPECT_EQ(source->getBoundingBox().max, (Vec3{2, 2, 0}));
    EXPECT_TRUE(core::fileExists("ship.model"));

    // A failed import writes nothing.
    LwoWriter empty;
    TempDirectory::write("wreck.lwo", empty.layer(1).points({{0, 0, 0}}).bytes());
    std::string message = messageOf([] { process("wreck.lwo"); });
    EXPECT_EQ(message.rfind("No layer 0 in file ", 0), 0u) << message;
    EXPECT_FALSE(core::fileExists("wreck.model"));
}

TEST_F(ModelImportWindow, ImportersBuildOneNodeModels) {
    TempDirectory::write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    std::unique_ptr<Model> kept = importObjModel("tri.obj", true);
    std::unique_ptr<Model> plain = importObjModel("tri.obj", false);
    EXPECT_EQ(kept->name(), "");
    EXPECT_EQ(kept->root()->name(), "");
    EXPECT_TRUE(meshOf(kept->root())->mesh()->getSourceData());
    EXPECT_FALSE(meshOf(plain->root())->mesh()->getSourceData());
    // Without source data the model cannot be written.
    EXPECT_EQ(messageOf([&] { saveModel(*plain, "tri.model"); }), "No source data");
}

} // namespace
