#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "engine/assets/MeshFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace engine;

namespace {

template <class T>
std::vector<uint8_t> bytesOf(std::initializer_list<T> values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

// Three vertices with an array of every element type, a bone pair per vertex,
// one of the unused slots, indices and two segments.
std::unique_ptr<Mesh> everyKindOfMesh() {
    auto mesh = std::make_unique<Mesh>(3);
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3,
                         bytesOf<float>({0, 0, 0, 2, 0, 0, 0, 2, 0}));
    mesh->setVertexArray(NormalSlot, int32_t(ElementType::Float), 3, bytesOf<float>({0, 0, 1, 0, 0, 1, 0, 0, 1}));
    mesh->setVertexArray(ColorSlot, int32_t(ElementType::UnsignedByte), 4,
                         bytesOf<uint8_t>({255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 1}));
    mesh->setVertexArray(TexcoordSlot, int32_t(ElementType::Float), 2, bytesOf<float>({0, 0, 1, 0, 0, 1}));
    mesh->setVertexArray(8, int32_t(ElementType::Short), 2, bytesOf<int16_t>({-1, 2, -3, 4, -5, 6}));
    mesh->setVertexArray(BoneIndexSlot, int32_t(ElementType::Int), 2, bytesOf<int32_t>({0, 1, 1, 2, 2, 0}));
    mesh->setVertexArray(BoneWeightSlot, int32_t(ElementType::Float), 2,
                         bytesOf<float>({0.5f, 0.5f, 1, 0, 0.25f, 0.75f}));
    // Absent, but remembering its layout.
    mesh->setVertexArray(TangentSlot, int32_t(ElementType::Float), 3, nullptr);
    mesh->setIndices({0, 1, 2, 2, 1, 0, 0});
    MeshSegment& triangles = mesh->addSegment();
    triangles.material = core::CountedRef<Material>(getMaterial("mesh-test-stone"));
    triangles.count = 2;
    MeshSegment& points = mesh->addSegment();
    points.type = int32_t(PrimitiveType::Points);
    points.firstIndex = 6;
    points.count = 1;
    return mesh;
}

std::vector<uint8_t> written(const Mesh& mesh) {
    core::ByteArrayOutputStream out(core::ByteOrder::LittleEndian);
    writeMesh(out, mesh);
    return {out.data(), out.data() + out.size()};
}

std::unique_ptr<Mesh> read(const std::vector<uint8_t>& bytes) {
    core::ByteArrayInputStream in(bytes.data(), int64_t(bytes.size()), false, core::ByteOrder::LittleEndian);
    return readMesh(in);
}

void expectSameArrays(const Mesh& a, const Mesh& b) {
    ASSERT_EQ(a.getVertexCount(), b.getVertexCount());
    for (int slot = 0; slot < VertexSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        const VertexArray& x = a.getVertexArray(slot);
        const VertexArray& y = b.getVertexArray(slot);
        EXPECT_EQ(x.present, y.present);
        EXPECT_EQ(x.type, y.type);
        EXPECT_EQ(x.components, y.components);
        EXPECT_EQ(x.stride, y.stride);
        EXPECT_EQ(x.data, y.data);
    }
}

} // namespace

TEST(MeshFile, RoundTripKeepsEveryArrayIndicesSegmentsAndBounds) {
    auto mesh = everyKindOfMesh();
    mesh->setBounds({{-1, -2, -3}, {4, 5, 6}}, {{7, 8, 9}, 10});  // stored bounds are taken as they are
    std::vector<uint8_t> bytes = written(*mesh);
    auto copy = read(bytes);

    expectSameArrays(*mesh, *copy);
    EXPECT_EQ(copy->getIndices(), mesh->getIndices());
    ASSERT_EQ(copy->getSegments().size(), 2u);
    EXPECT_EQ(copy->getSegments()[0].material.get(), findMaterial("mesh-test-stone"));
    EXPECT_EQ(copy->getSegments()[0].count, 2);
    EXPECT_EQ(copy->getSegments()[1].type, int32_t(PrimitiveType::Points));
    EXPECT_EQ(copy->getSegments()[1].firstIndex, 6);
    EXPECT_EQ(copy->getBoundingBox(), mesh->getBoundingBox());
    EXPECT_EQ(copy->getBoundingSphere().center, (Vec3{7, 8, 9}));
    EXPECT_EQ(copy->getBoundingSphere().radius, 10);
    EXPECT_EQ(written(*copy), bytes);
}

TEST(MeshFile, LayoutOfASmallBlock) {
    Mesh mesh(1);
    mesh.setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, bytesOf<float>({1, 2, 3}));
    std::vector<uint8_t> bytes = written(mesh);
    auto int32At = [&](size_t offset) {
        int32_t value;
        std::memcpy(&value, &bytes[offset], 4);
        return value;
    };
    ASSERT_EQ(bytes.size(), 12u + 15 * 12 + 12 + 4 + 4 + 16 + 24);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MESH");
    EXPECT_EQ(int32At(4), 2);
    EXPECT_EQ(int32At(8), 1);
    EXPECT_EQ(int32At(12), 3);   // float
    EXPECT_EQ(int32At(16), 3);   // components
    EXPECT_EQ(int32At(20), 12);  // stride
    EXPECT_EQ(int32At(36), 0);   // the absent normals: no stride, no data
}

TEST(MeshFile, BadBlocksAreRejected) {
    const std::vector<uint8_t> good = written(*everyKindOfMesh());
    auto int32Patch = [](size_t offset, int32_t value) {
        return [=](std::vector<uint8_t>& bytes) { std::memcpy(&bytes[offset], &value, 4); };
    };
    // Offsets into the block above: slot 1 follows slot 0's header and 36
    // bytes; behind the indices come the segment count, the two segments
    // ("mesh-test-stone", "default": length, name, three integers) and the 40 bytes of bounds.
    const size_t slot1 = 12 + 12 + 36;
    const size_t indexCount = good.size() - 40 - (4 + 15 + 12) - (4 + 7 + 12) - 4 - 7 * 4 - 4;
    const size_t firstSegmentCount = indexCount + 4 + 7 * 4 + 4 + 4 + 15 + 8;
    int32_t value;
    std::memcpy(&value, &good[indexCount], 4);
    ASSERT_EQ(value, 7);
    std::memcpy(&value, &good[firstSegmentCount], 4);
    ASSERT_EQ(value, 2);
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> patch;
        const char* message;
    } cases[] = {
        {"magic", int32Patch(0, 0x4853454E), "Invalid file format: <memory>"},
        {"version 1", int32Patch(4, 1), "Invalid file version (expected v2, got v1): <memory>"},
        {"element type", int32Patch(slot1, 7), "Invalid vertex array type"},
        {"stride not components × size", int32Patch(slot1 + 8, 8), "Invalid file format: <memory>"},
        {"negative vertex count", int32Patch(8, -1), "Invalid file format: <memory>"},
        {"index past the vertices", int32Patch(indexCount + 4, 3), "Invalid file format: <memory>"},
        {"index count past the end", int32Patch(indexCount, 1000), "Invalid file format: <memory>"},
        {"segment past the indices", int32Patch(firstSegmentCount, 3),
         "Invalid file format: <memory>"},
        // Empty segments too: their first index is a position in the list.
        {"empty segment past the indices",
         [&](std::vector<uint8_t>& bytes) {
             int32Patch(firstSegmentCount - 4, 8)(bytes);
             int32Patch(firstSegmentCount, 0)(bytes);
         },
         "Invalid file format: <memory>"},
        {"empty segment at the largest first index",
         [&](std::vector<uint8_t>& bytes) {
             int32Patch(firstSegmentCount - 4, INT32_MAX)(bytes);
             int32Patch(firstSegmentCount, 0)(bytes);
         },
         "Invalid file format: <memory>"},
        {"negative first index", int32Patch(firstSegmentCount - 4, -1), "Invalid file format: <memory>"},
        {"truncated", [](std::vector<uint8_t>& bytes) { bytes.resize(bytes.size() - 1); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        c.patch(bytes);
        try {
            read(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const core::Exception& e) {
            if (c.message) {
                EXPECT_STREQ(e.getMessage(), c.message);
            }
        }
    }
}

TEST(Mesh, BoundsFollowThePositions) {
    Mesh mesh(3);
    mesh.setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, bytesOf<float>({0, 0, 0, 2, 0, 0, 0, 2, 0}));
    EXPECT_EQ(mesh.getBoundingBox(), (BoundingBox{{0, 0, 0}, {2, 2, 0}}));
    EXPECT_EQ(mesh.getBoundingSphere().center, (Vec3{1, 1, 0}));
    EXPECT_FLOAT_EQ(mesh.getBoundingSphere().radius, std::sqrt(2.0f));

    mesh.setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, nullptr);
    EXPECT_EQ(mesh.getBoundingBox(), (BoundingBox{{0, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(mesh.getBoundingSphere().center, (Vec3{0, 0, 0}));
    EXPECT_EQ(mesh.getBoundingSphere().radius, 0);
}

TEST(Mesh, CopySharesMaterialsAndCopiesDataButNotTheName) {
    auto mesh = everyKindOfMesh();
    mesh->setName("mesh-test-original");
    Mesh copy(*mesh);
    expectSameArrays(*mesh, copy);
    EXPECT_EQ(copy.getName(), "");
    EXPECT_EQ(copy.getSegments()[0].material.get(), mesh->getSegments()[0].material.get());
    EXPECT_EQ(Mesh::find("mesh-test-original"), mesh.get());
    mesh.reset();
    EXPECT_EQ(Mesh::find("mesh-test-original"), nullptr);
    EXPECT_EQ(copy.getIndices().size(), 7u);
}

TEST(Mesh, ChangingTheVertexCountDropsArraysOfTheOldLength) {
    auto mesh = everyKindOfMesh();
    mesh->setVertexCount(5);
    for (int slot = 0; slot < VertexSlotCount; ++slot)
        EXPECT_FALSE(mesh->getVertexArray(slot).present) << slot;
    EXPECT_EQ(mesh->getVertexArray(ColorSlot).components, 4);
    EXPECT_EQ(mesh->getBoundingSphere().radius, 0);
}

TEST(Mesh, NewSegmentsUseTheDefaultMaterial) {
    Mesh mesh;
    const MeshSegment& segment = mesh.addSegment();
    ASSERT_NE(segment.material.get(), nullptr);
    EXPECT_EQ(segment.material->getName(), "default");
    EXPECT_EQ(findMaterial("default"), segment.material.get());
    EXPECT_EQ(segment.type, int32_t(PrimitiveType::Triangles));
}
