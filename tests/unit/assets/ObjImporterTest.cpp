#include "core/Exception.h"
#include "engine/assets/ObjImporter.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <vector>

using namespace engine;

namespace {

const char* const FivePositions = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 2 0\n";

TEST(ObjImporter, FaceLinesGiveTheirCornersAsTriangles) {
    struct {
        const char* face;
        std::vector<int32_t> indices;
    } cases[] = {
        {"f 1 2 3", {0, 1, 2}},
        {"f 3/1 1/2 2/3", {2, 0, 1}},
        {"f 1//1 2//2 3//3", {0, 1, 2}},
        {"f 3/1/1 1/2/2 2/3/3", {2, 0, 1}},
        // Polygons are fanned from their first corner.
        {"f 4 3 2 1", {3, 2, 1, 3, 1, 0}},
        {"f 1/1 2/2 3/3 4/4", {0, 1, 2, 0, 2, 3}},
        {"f 1/1/1 2/2/2 3/3/3 4/4/4 5/5/5", {0, 1, 2, 0, 2, 3, 0, 3, 4}},
        // Blanks as exporters write them: tabs, runs, trailing ones, CR LF.
        {"f\t1\t2\t3", {0, 1, 2}},
        {"f  1   2 \t 3", {0, 1, 2}},
        {"f 1 2 3 \t ", {0, 1, 2}},
        {"f 1 2 3\r", {0, 1, 2}},
        {"f 1/1/1 2/2/2 3/3/3 \r", {0, 1, 2}},
        // Negative numbers count back from the last position read.
        {"f -1 -2 -3", {4, 3, 2}},
        {"f -5/-1 -4/-2 -3/-3 2", {0, 1, 2, 0, 2, 1}},
        {"f +1 +2 +3", {0, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.face);
        std::unique_ptr<Mesh> mesh = parseObjMesh(std::string(FivePositions) + c.face + "\n", "poly.obj");
        EXPECT_EQ(mesh->getIndices(), c.indices);
        ASSERT_EQ(mesh->getSegments().size(), 1u);
        EXPECT_EQ(mesh->getSegments()[0].count, int32_t(c.indices.size() / 3));
        EXPECT_EQ(mesh->getSegments()[0].type, int32_t(PrimitiveType::Triangles));
        EXPECT_EQ(mesh->getSegments()[0].material.get(), defaultMaterial());
    }
}

TEST(ObjImporter, MalformedFacesNameTheirFileAndLine) {
    const char* const faces[] = {
        "f 1 2",
        "f",
        "f \r",
        "f 0 1 2",
        "f 1 2 6",        // no such position yet
        "f -6 1 2",       // nor counting back
        "f 1 2 99999999999999999999999999999999999999999999999999999999999999999999999999",
        "f 1 2 x",
        "f 1 2 3x",
        "f 1/1/1/1 2 3",  // four numbers in a corner
        "f /1 2 3",       // a corner that names no position
        "f 1 //1 3",
        "f 1/x 2 3",
        "f 1,2,3",
    };
    for (const char* face : faces) {
        SCOPED_TRACE(face);
        EXPECT_EQ(messageOf([&] {
                      parseObjMesh("# five\n" + std::string(FivePositions) + "\n" + face + "\nf 1 2 3\n", "dir/bad.obj");
                  }),
                  "Malformed obj file: dir/bad.obj:8");
    }
    // A face may only name positions above it; lines count from 1, CR LF or not.
    EXPECT_EQ(messageOf([] { parseObjMesh("v 0 0 0\r\nv 1 0 0\r\nf 1 2 3\r\nv 0 1 0\r\n", "late.obj"); }),
              "Malformed obj file: late.obj:3");
    EXPECT_EQ(messageOf([] { parseObjMesh("f 1 2 3", "first.obj"); }), "Malformed obj file: first.obj:1");
}

TEST(ObjImporter, OnlyPositionLinesCountAndMissingNumbersAreZero) {
    std::unique_ptr<Mesh> mesh = parseObjMesh("# a crate\r\n"
                                              "mtllib crate.mtl\r\n"
                                              "o crate\r\n"
                                              "v 1.5 -2e1 3\r\n"
                                              "vt 0.5 0.5\r\n"
                                              "vn 0 0 1\r\n"
                                              "\r\n\n\n"
                                              "v\t4 5\r\n"
                                              "vp 1 1\n"
                                              "g side\nusemtl wood\ns 1\n"
                                              "v 7 8 9 1\n"
                                              "v x 1 1\n"
                                              "v \r\n"
                                              "f 1/1/1 2/1/1 3/1/1\r\n",
                                              "crate.obj");
    ASSERT_EQ(mesh->getVertexCount(), 5);
    const Vec3* positions = mesh->vec3Array(PositionSlot);
    ASSERT_NE(positions, nullptr);
    const Vec3 expected[] = {{1.5f, -20, 3}, {4, 5, 0}, {7, 8, 9}, {0, 0, 0}, {0, 0, 0}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(positions[i].x, expected[i].x) << i;
        EXPECT_EQ(positions[i].y, expected[i].y) << i;
        EXPECT_EQ(positions[i].z, expected[i].z) << i;
    }
    EXPECT_EQ(mesh->getIndices(), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(mesh->getBoundingBox().max.z, 9);
    // Only positions and the computed normals reach the mesh.
    for (int slot = 0; slot < VertexSlotCount; ++slot)
        EXPECT_EQ(mesh->getVertexArray(slot).present, slot == PositionSlot || slot == NormalSlot) << slot;
}

TEST(ObjImporter, NormalsComeFromTheFaces) {
    std::unique_ptr<Mesh> mesh = parseObjMesh(std::string(FivePositions) + "f 1 2 3\nf 1/0/0 3/0/0 4/0/0\n", "n.obj");
    const Vec3* normals = mesh->vec3Array(NormalSlot);
    ASSERT_NE(normals, nullptr);
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(normals[i].z, 1) << i;
}

TEST(ObjImporter, PositionsWithoutFacesGiveOneEmptySegment) {
    std::unique_ptr<Mesh> mesh = parseObjMesh("v 1 2 3\nv 4 5 6", "points.obj");
    EXPECT_EQ(mesh->getVertexCount(), 2);
    EXPECT_TRUE(mesh->getIndices().empty());
    ASSERT_EQ(mesh->getSegments().size(), 1u);
    EXPECT_EQ(mesh->getSegments()[0].count, 0);

    std::unique_ptr<Mesh> empty = parseObjMesh("", "empty.obj");
    EXPECT_EQ(empty->getVertexCount(), 0);
    EXPECT_TRUE(empty->getVertexArray(PositionSlot).present);
}

TEST(ObjImporter, ReadsThroughTheFileSystems) {
    TempDirectory folder;
    TempDirectory::write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(readObjMesh("tri.obj")->getIndices().size(), 3u);
    EXPECT_THROW(readObjMesh("missing.obj"), core::FileNotFoundException);
}

} // namespace
