#include "core/Exception.h"
#include "engine/assets/MeshGeometry.h"
#include "engine/assets/MeshPrimitives.h"
#include "support/CapturedDebugLog.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace engine;

namespace {

std::vector<uint8_t> floatBytes(std::initializer_list<float> values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(float));
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

void setPositions(Mesh& mesh, std::initializer_list<float> values) {
    mesh.setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, floatBytes(values));
}

void addSegment(Mesh& mesh, PrimitiveType type, int first, int count) {
    MeshSegment& segment = mesh.addSegment();
    segment.type = int32_t(type);
    segment.firstIndex = first;
    segment.count = count;
}

void expectNear(const Vec3& actual, const Vec3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

} // namespace

TEST(MeshGeometry, TransformMovesPositionsAndKeepsNormalsPerpendicular) {
    auto mesh = createPlane(2, 2);
    rotate(*mesh, Mat3::rotationZ(0.5f));  // a slanted plane, so scaling changes its normal's direction
    // Non-uniform scale, then a move.
    Mat4x3 m{{{{2, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {1, 2, 3}};
    const Vec3* p = mesh->vec3Array(PositionSlot);
    Vec3 before = p[1];
    transform(*mesh, m);
    expectNear(p[1], {before.x * 2 + 1, before.y + 2, before.z + 3});
    const Vec3* n = mesh->vec3Array(NormalSlot);
    Vec3 edge = p[1] - p[0];
    EXPECT_NEAR(dot(n[0], edge), 0, 1e-5f);
    EXPECT_NEAR(length(n[0]), 1, 1e-5f);
    EXPECT_EQ(mesh->getBoundingBox().min.x, std::min({p[0].x, p[1].x, p[2].x, p[3].x}));

    scale(*mesh, 2);
    expectNear(p[1], {(before.x * 2 + 1) * 2, (before.y + 2) * 2, (before.z + 3) * 2});
    translate(*mesh, {0, -10, 0});
    EXPECT_NEAR(mesh->getBoundingBox().max.y, std::max({p[0].y, p[1].y, p[2].y, p[3].y}), 1e-6f);
}

TEST(MeshGeometry, NormalsUseTheFirstThreeCornersOfQuadsAndSkipPointsAndLines) {
    Mesh mesh(6);
    // A quad whose fourth corner lies off the plane of the first three, then
    // a line and a point over the same vertices.
    setPositions(mesh, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 5, 7, 7, 7, 8, 8, 8});
    mesh.setIndices({0, 1, 2, 3, 4, 5, 4});
    addSegment(mesh, PrimitiveType::Quads, 0, 1);
    addSegment(mesh, PrimitiveType::Lines, 4, 1);
    addSegment(mesh, PrimitiveType::Points, 6, 1);
    computeVertexNormals(mesh);
    const Vec3* n = mesh.vec3Array(NormalSlot);
    for (int i : {0, 1, 2})
        expectNear(n[i], {0, 0, 1});
    for (int i : {3, 4, 5})
        EXPECT_EQ(n[i], (Vec3{0, 0, 0})) << i;
}

TEST(MeshGeometry, TangentsFollowTheTextureAxes) {
    auto mesh = createPlane(2, 2);  // u runs along +X, v along -Z
    computeTangentVectors(*mesh);
    expectNear(mesh->vec3Array(TangentSlot)[0], {1, 0, 0});
    expectNear(mesh->vec3Array(BitangentSlot)[0], {0, 0, 1});  // the negated v direction

    mesh->setVertexArray(TexcoordSlot, int32_t(ElementType::Float), 2, nullptr);
    try {
        computeTangentVectors(*mesh);
        FAIL() << "no error";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "No texcoords - can't compute tangents");
    }
}

TEST(MeshGeometry, WeldMergesOnlyVerticesEqualInEveryArray) {
    auto box = createBox(2, 2, 2);
    std::vector<Vec3> cornersBefore;
    for (int32_t index : box->getIndices())
        cornersBefore.push_back(box->vec3Array(PositionSlot)[index]);

    weldVertices(*box);
    EXPECT_EQ(box->getVertexCount(), 24);

    box->setVertexArray(NormalSlot, int32_t(ElementType::Float), 3, nullptr);
    box->setVertexArray(TexcoordSlot, int32_t(ElementType::Float), 2, nullptr);
    CapturedDebugLog debugLog;
    weldVertices(*box);
    EXPECT_EQ(debugLog.text(), "weld vertices 24 -> 8\n");
    ASSERT_EQ(box->getVertexCount(), 8);
    std::vector<Vec3> cornersAfter;
    for (int32_t index : box->getIndices())
        cornersAfter.push_back(box->vec3Array(PositionSlot)[index]);
    EXPECT_EQ(cornersAfter, cornersBefore);
    // The welded vertices are numbered in the byte-wise order of their data.
    const Vec3* corners = box->vec3Array(PositionSlot);
    for (int i = 1; i < 8; ++i)
        EXPECT_LT(std::memcmp(&corners[i - 1], &corners[i], sizeof(Vec3)), 0) << i;
    EXPECT_EQ(box->getBoundingBox(), (BoundingBox{{-1, -1, -1}, {1, 1, 1}}));
}

TEST(MeshGeometry, WeldOrdersByTheBytesOfEveryArrayInSlotOrder) {
    // Rows shorter than eight bytes, and rows that agree in their first
    // array and differ only in a later one.
    Mesh mesh(6);
    const uint8_t colors[] = {9, 0, 0, 1, 2, 0, 0, 0, 9, 0, 0, 1, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 7};
    mesh.setVertexArray(ColorSlot, int32_t(ElementType::UnsignedByte), 4, colors);
    mesh.setIndices({0, 1, 2, 3, 4, 5});
    weldVertices(mesh);
    ASSERT_EQ(mesh.getVertexCount(), 3);
    EXPECT_EQ(mesh.getVertexArray(ColorSlot).data,
              (std::vector<uint8_t>{0, 0, 0, 7, 2, 0, 0, 0, 9, 0, 0, 1}));
    EXPECT_EQ(mesh.getIndices(), (std::vector<int32_t>{2, 1, 2, 1, 1, 0}));

    const int16_t extra[] = {5, 4, 5, 3, 5, 3};
    Mesh layered(3);
    setPositions(layered, {1, 1, 1, 1, 1, 1, 1, 1, 1});
    layered.setVertexArray(9, int32_t(ElementType::Short), 2, extra);
    layered.setIndices({0, 1, 2});
    weldVertices(layered);
    ASSERT_EQ(layered.getVertexCount(), 2);
    EXPECT_EQ(layered.getIndices(), (std::vector<int32_t>{1, 0, 0}));
}

TEST(MeshGeometry, TriangulateMovesQuadsToTheEndAndCorrectsOtherSegments) {
    Mesh mesh(7);
    mesh.setIndices({0, 1, 2, 3, 4, 5, 6});
    addSegment(mesh, PrimitiveType::Quads, 0, 1);
    addSegment(mesh, PrimitiveType::Triangles, 4, 1);
    triangulate(mesh);
    EXPECT_EQ(mesh.getIndices(), (std::vector<int32_t>{4, 5, 6, 0, 1, 2, 0, 2, 3}));
    const auto& segments = mesh.getSegments();
    EXPECT_EQ(segments[0].type, int32_t(PrimitiveType::Triangles));
    EXPECT_EQ(segments[0].firstIndex, 3);
    EXPECT_EQ(segments[0].count, 2);
    EXPECT_EQ(segments[1].firstIndex, 0);
    EXPECT_EQ(segments[1].count, 1);
}

// Scripts may place a segment anywhere; one holding no whole quad removes nothing.
TEST(MeshGeometry, TriangulateLeavesSegmentsOutsideTheListAlone) {
    Mesh mesh(4);
    mesh.setIndices({0, 1, 2, 3});
    addSegment(mesh, PrimitiveType::Quads, 1000, 0);
    addSegment(mesh, PrimitiveType::Quads, INT32_MAX, 5);
    addSegment(mesh, PrimitiveType::Quads, 0, 1);
    triangulate(mesh);
    EXPECT_EQ(mesh.getIndices(), (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(mesh.getSegments()[0].count, 0);
    EXPECT_EQ(mesh.getSegments()[2].firstIndex, 0);
    EXPECT_EQ(mesh.getSegments()[2].count, 2);
}

TEST(MeshGeometry, FlipFacesSwapsTriangleAndQuadCorners) {
    Mesh mesh(4);
    mesh.setIndices({0, 1, 2, 0, 1, 2, 3, 3});
    addSegment(mesh, PrimitiveType::Triangles, 0, 1);
    addSegment(mesh, PrimitiveType::Quads, 3, 1);
    addSegment(mesh, PrimitiveType::Points, 7, 1);
    flipFaces(mesh);
    EXPECT_EQ(mesh.getIndices(), (std::vector<int32_t>{1, 0, 2, 2, 1, 0, 3, 3}));
}

TEST(MeshGeometry, RaycastFindsTheNearestTriangleOfTheWholeIndexList) {
    Mesh mesh(6);
    // Two triangles across the Z axis at z = 5 and z = 2, behind a points
    // segment: ray casts ignore segments.
    setPositions(mesh, {-1, -1, 5, 1, -1, 5, 0, 1, 5, -1, -1, 2, 0, 1, 2, 1, -1, 2});
    mesh.setIndices({0, 1, 2, 3, 4, 5});
    addSegment(mesh, PrimitiveType::Points, 0, 6);
    Ray ray{{0, 0, 0}, {0, 0, 1}};
    EXPECT_TRUE(raycastAny(mesh, ray));
    RayHit hit = raycast(mesh, ray);
    ASSERT_TRUE(hit.hit);
    EXPECT_FLOAT_EQ(hit.distance, 2);
    EXPECT_EQ(hit.triangle, 1);
    expectNear(hit.normal, {0, 0, -1});

    Ray away{{0, 0, 0}, {0, 0, -1}};
    EXPECT_FALSE(raycastAny(mesh, away));
    EXPECT_FALSE(raycast(mesh, away).hit);
}

TEST(MeshGeometry, MergeConcatenatesArraysIndicesAndSegments) {
    auto plane = createPlane(1, 1);
    auto cone = createCone(3);  // no texture coordinates
    Mesh boned(1);
    setPositions(boned, {9, 9, 9});
    boned.setVertexArray(BoneWeightSlot, int32_t(ElementType::Float), 1, floatBytes({1}));
    auto merged = mergeMeshes({plane.get(), cone.get(), &boned});

    ASSERT_EQ(merged->getVertexCount(), 4 + 4 + 1);
    EXPECT_EQ(merged->vec3Array(PositionSlot)[8], (Vec3{9, 9, 9}));
    const float* texcoords = merged->floatArray(TexcoordSlot, 2);
    ASSERT_NE(texcoords, nullptr);
    EXPECT_EQ(texcoords[2 * 1], 1);  // the plane's second vertex
    for (int i = 4; i < 9; ++i)
        EXPECT_EQ(texcoords[2 * i] + texcoords[2 * i + 1], 0) << i;
    EXPECT_FALSE(merged->getVertexArray(BoneWeightSlot).present);

    ASSERT_EQ(merged->getIndices().size(), 6u + 12u);
    EXPECT_EQ(merged->getIndices()[6], cone->getIndices()[0] + 4);
    ASSERT_EQ(merged->getSegments().size(), 2u);
    EXPECT_EQ(merged->getSegments()[1].firstIndex, 6);
    EXPECT_EQ(merged->getSegments()[1].count, 4);
    EXPECT_EQ(merged->getBoundingBox().max, (Vec3{9, 9, 9}));

    // What named nothing in its own mesh names nothing in the merged one.
    Mesh stray(2);
    stray.setIndices({0, 1});
    stray.setVertexCount(1);
    addSegment(stray, PrimitiveType::Lines, INT32_MAX, 0);
    auto strays = mergeMeshes({plane.get(), &stray});
    EXPECT_EQ(strays->getIndices()[6], 4);
    EXPECT_EQ(strays->getIndices()[7], -1);
    EXPECT_EQ(strays->getSegments()[1].firstIndex, -1);
}

TEST(MeshPrimitives, ShapesAreClosedOutwardAndCounted) {
    struct Case {
        const char* name;
        std::unique_ptr<Mesh> mesh;
        int vertices, triangles;
        bool hasTexcoords;
    } cases[] = {
        {"box", createBox(1, 2, 3), 24, 12, true},
        {"tetrahedron", createTetrahedron(), 12, 4, true},
        {"sphere 0", createSphere(0), 12, 20, true},
        {"sphere 1", createSphere(1), 42, 80, true},
        {"sphere 2", createSphere(2), 162, 320, true},
        {"cone", createCone(8), 9, 14, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Mesh& mesh = *c.mesh;
        EXPECT_EQ(mesh.getVertexCount(), c.vertices);
        EXPECT_EQ(mesh.getIndices().size(), size_t(c.triangles) * 3);
        ASSERT_EQ(mesh.getSegments().size(), 1u);
        EXPECT_EQ(mesh.getSegments()[0].count, c.triangles);
        EXPECT_EQ(mesh.getSegments()[0].material->getName(), "default");
        EXPECT_EQ(mesh.getVertexArray(TexcoordSlot).present, c.hasTexcoords);
        ASSERT_NE(mesh.vec3Array(NormalSlot), nullptr);
        const float* texcoords = mesh.floatArray(TexcoordSlot, 2);
        for (int i = 0; texcoords && i < 2 * c.vertices; ++i)
            EXPECT_TRUE(std::isfinite(texcoords[i])) << i;

        // Every shape is convex: each face looks away from the center.
        const Vec3* p = mesh.vec3Array(PositionSlot);
        Vec3 center = mesh.getBoundingBox().center();
        const std::vector<int32_t>& indices = mesh.getIndices();
        for (size_t t = 0; t < indices.size(); t += 3) {
            Vec3 p0 = p[indices[t]], p1 = p[indices[t + 1]], p2 = p[indices[t + 2]];
            Vec3 faceCenter = (p0 + p1 + p2) / 3;
            EXPECT_GT(dot(cross(p1 - p0, p2 - p0), faceCenter - center), 0) << "triangle " << t / 3;
        }
    }
}

TEST(MeshPrimitives, PlaneFacesUpWithItsTextureSquare) {
    auto plane = createPlane(4, 2);
    EXPECT_EQ(plane->getBoundingBox(), (BoundingBox{{-2, 0, -1}, {2, 0, 1}}));
    for (int i = 0; i < 4; ++i)
        expectNear(plane->vec3Array(NormalSlot)[i], {0, 1, 0});
    const float* uv = plane->floatArray(TexcoordSlot, 2);
    EXPECT_EQ(std::vector<float>(uv, uv + 8), (std::vector<float>{0, 0, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(plane->getIndices(), (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
}

TEST(MeshPrimitives, SphereVerticesLieOnTheUnitSphereAndAreTheirOwnNormals) {
    auto sphere = createSphere(2);
    const Vec3* p = sphere->vec3Array(PositionSlot);
    const Vec3* n = sphere->vec3Array(NormalSlot);
    for (int i = 0; i < sphere->getVertexCount(); ++i) {
        EXPECT_NEAR(length(p[i]), 1, 1e-5f);
        EXPECT_EQ(p[i], n[i]);
    }
}
