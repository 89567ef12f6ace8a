#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "engine/assets/Model.h"
#include "engine/assets/ModelFile.h"
#include "engine/render/LightEntity.h"
#include "engine/scene/Node.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace engine;

namespace {

// A triangle at the origin with one segment.
std::unique_ptr<Mesh> triangle() {
    auto mesh = std::make_unique<Mesh>(3);
    const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, positions);
    mesh->setIndices({0, 1, 2});
    mesh->addSegment().count = 1;
    return mesh;
}

ModelNodeRecord node(const char* name, int32_t parent, Vec3 position = {0, 0, 0}) {
    ModelNodeRecord record;
    record.name = name;
    record.parent = parent;
    record.transform.pos = position;
    return record;
}

ModelNodeRecord meshNode(const char* name, int32_t parent, Vec3 position) {
    ModelNodeRecord record = node(name, parent, position);
    record.entityType = MeshEntityRecord;
    record.mesh.mesh = triangle();
    return record;
}

ModelNodeRecord lightNode(const char* name, int32_t parent) {
    ModelNodeRecord record = node(name, parent);
    record.entityType = LightEntityRecord;
    record.light = {LightEntity::Spot, {1, 0.5f, 0.25f}, 8, 0.75f, 0.5f, true};
    return record;
}

void writeFile(const char* path, const std::vector<ModelNodeRecord>& records) {
    core::FileOutputStream out(path, core::ByteOrder::LittleEndian);
    writeModelRecords(out, records);
}

std::vector<ModelNodeRecord> records(std::initializer_list<std::function<ModelNodeRecord()>> makers) {
    std::vector<ModelNodeRecord> list;
    for (const auto& make : makers)
        list.push_back(make());
    return list;
}

std::unique_ptr<Mesh> merged(const char* path) {
    core::FileInputStream in(path, core::ByteOrder::LittleEndian);
    return readMergedMesh(in);
}

TEST(ModelFile, MergingMovesEachMeshByItsParentChainAndWarns) {
    TempDirectory folder;
    Mat3 turned = Mat3::rotationZ(1.5707964f);  // x to y
    writeFile("two.model", records({
                               [] { return node("root", -1, {0, 0, 10}); },
                               [&] {
                                   ModelNodeRecord arm = node("arm", 0, {5, 0, 0});
                                   arm.transform.rot = turned;
                                   return arm;
                               },
                               [] { return meshNode("hand", 1, {1, 0, 0}); },
                               [] { return lightNode("lamp", 2); },
                               // Parent -1 stops the chain, whatever the model makes of it.
                               [] { return meshNode("loose", -1, {0, 3, 0}); },
                           }));
    testing::internal::CaptureStdout();
    std::unique_ptr<Mesh> mesh = merged("two.model");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING! merging meshes: two.model\n");
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->getVertexCount(), 6);
    const Vec3* p = mesh->vec3Array(PositionSlot);
    // hand: (1,0,0) in the arm, turned onto y, moved by the arm and the root.
    const Vec3 expected[] = {{5, 1, 10}, {5, 2, 10}, {4, 1, 10}, {0, 3, 0}, {1, 3, 0}, {0, 4, 0}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(p[i].x, expected[i].x, 1e-5) << i;
        EXPECT_NEAR(p[i].y, expected[i].y, 1e-5) << i;
        EXPECT_NEAR(p[i].z, expected[i].z, 1e-5) << i;
    }
    EXPECT_EQ(mesh->getIndices(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(mesh->getSegments().size(), 2u);

    writeFile("one.model", records({[] { return lightNode("lamp", -1); }, [] { return meshNode("m", 0, {}); }}));
    writeFile("lights.model", records({[] { return lightNode("lamp", -1); }}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(merged("one.model")->getVertexCount(), 3);
    EXPECT_EQ(merged("lights.model"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

std::vector<uint8_t> bytesOf(const std::vector<ModelNodeRecord>& list) {
    core::ByteArrayOutputStream out(core::ByteOrder::LittleEndian);
    writeModelRecords(out, list);
    return {out.data(), out.data() + out.size()};
}

// The bytes with one 32-bit field overwritten; an offset below zero counts from the end.
std::vector<uint8_t> patched(std::vector<uint8_t> bytes, long offset, int32_t value) {
    std::memcpy(&bytes[size_t(offset < 0 ? long(bytes.size()) + offset : offset)], &value, 4);
    return bytes;
}

TEST(ModelFile, RejectsFilesThatCannotFormAModel) {
    TempDirectory folder;
    // Header 12 bytes; a node record without entity: name, 48, parent, entity type.
    constexpr long RootParent = 12 + 4 + 4 + 48;             // root named "root"
    constexpr long SecondParent = RootParent + 8 + 4 + 1 + 48;  // then "a"
    std::vector<uint8_t> plain = bytesOf(records({[] { return node("root", -1); }, [] { return node("a", 0); }}));
    auto boned = records({[] { return meshNode("root", -1, {}); }});
    boned[0].mesh.bones = {{0, {}}};
    // The bone's node index comes before its matrix, the emissive colour and the switch.
    constexpr long BoneNode = -(4 + 48 + 12 + 1);
    std::vector<uint8_t> truncated = plain;
    truncated.resize(truncated.size() - 3);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"magic", patched(plain, 0, 0x314C444E), "Invalid file format: bad.model"},
        {"version", patched(plain, 4, 1), "Invalid file version (expected v2, got v1): bad.model"},
        {"node count past the end", patched(plain, 8, 1000), "Invalid file format: bad.model"},
        {"entity type", patched(plain, SecondParent + 4, 2), "Invalid entity type"},
        {"parent outside", patched(plain, SecondParent, 2), "Invalid file format: bad.model"},
        {"parent of itself", patched(plain, SecondParent, 1), "Invalid file format: bad.model"},
        {"bone outside", patched(bytesOf(boned), BoneNode, 1), "Invalid file format: bad.model"},
        {"truncated", truncated, "bad.model"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDirectory::write("bad.model", std::string(c.bytes.begin(), c.bytes.end()));
        try {
            core::FileInputStream in("bad.model", core::ByteOrder::LittleEndian);
            readModelRecords(in);
            ADD_FAILURE() << "accepted";
        } catch (const core::Exception& e) {
            EXPECT_NE(std::string(e.getMessage()).find(c.message), std::string::npos) << e.getMessage();
        }
    }

    // A loop through two nodes; and a root with a parent, which the model
    // would hang below one of its own children.
    auto loop = records({[] { return node("root", -1); }, [] { return node("a", 2); }, [] { return node("b", 1); }});
    writeFile("loop.model", loop);
    core::FileInputStream loopStream("loop.model", core::ByteOrder::LittleEndian);
    EXPECT_THROW(readModelRecords(loopStream), core::InvalidFileFormatException);
    auto rooted = records({[] { return node("root", 1); }, [] { return node("a", -1); }});
    writeFile("rooted.model", rooted);
    core::FileInputStream rootedStream("rooted.model", core::ByteOrder::LittleEndian);
    EXPECT_THROW(readModel(rootedStream, false), core::InvalidFileFormatException);
}

TEST(ModelFile, LightsAndHierarchyLoadWithoutARenderer) {
    TempDirectory folder;
    writeFile("lamps.model", records({
                                 [] { return node("root", -1); },
                                 [] { return lightNode("lamp", -1); },
                                 [] { return node("arm", 0, {1, 2, 3}); },
                                 [] { return lightNode("bulb", 2); },
                             }));
    core::FileInputStream in("lamps.model", core::ByteOrder::LittleEndian);
    std::unique_ptr<Model> model = readModel(in, false);
    ASSERT_EQ(model->nodeCount(), 4);
    Node* root = model->root();
    // Parent -1 below the root means the root.
    EXPECT_EQ(model->node(1)->parent(), root);
    EXPECT_EQ(model->node(3)->parent(), model->node(2));
    EXPECT_EQ(root->findNode("bulb"), model->node(3));
    EXPECT_EQ(model->node(2)->position(), (Vec3{1, 2, 3}));
    auto* light = static_cast<LightEntity*>(model->node(3)->lightEntity());
    ASSERT_TRUE(light);
    EXPECT_EQ(light->lightType(), LightEntity::Spot);
    EXPECT_EQ(light->lightColor(), (Vec3{1, 0.5f, 0.25f}));
    EXPECT_EQ(light->lightRange(), 8);
    EXPECT_EQ(light->spotAngle(), 0.75f);
    EXPECT_EQ(light->spotSharpness(), 0.5f);
    EXPECT_TRUE(light->castShadow());

    // Written back, parents are what the model made of them.
    core::ByteArrayOutputStream out(core::ByteOrder::LittleEndian);
    writeModel(out, *model);
    core::ByteArrayInputStream again(out.data(), int64_t(out.size()), false, core::ByteOrder::LittleEndian);
    std::vector<ModelNodeRecord> written = readModelRecords(again);
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[1].parent, 0);
    EXPECT_EQ(written[3].parent, 2);
    EXPECT_EQ(written[2].transform.pos, (Vec3{1, 2, 3}));
    EXPECT_EQ(written[3].name, "bulb");
    EXPECT_EQ(written[3].entityType, LightEntityRecord);
    EXPECT_EQ(written[3].light.spotSharpness, 0.5f);
    EXPECT_TRUE(written[3].light.castShadow);
    EXPECT_EQ(written[2].entityType, NoEntity);
}

} // namespace
