#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "engine/assets/LwoReader.h"
#include "support/ExceptionMessage.h"
#include "support/LwoWriter.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace engine;

namespace {

const std::vector<LwoWriter::Point> Square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

// The reader over the bytes, named like a file.
struct Read {
    explicit Read(const std::string& bytes, int layer = 0)
        : stream(bytes.data(), int64_t(bytes.size()), true, core::ByteOrder::BigEndian), reader(stream, layer) {}
    core::ByteArrayInputStream stream;
    LwoReader reader;
};

std::unique_ptr<Mesh> meshOf(const std::string& bytes, int layer = 0) {
    core::ByteArrayInputStream stream(bytes.data(), int64_t(bytes.size()), true, core::ByteOrder::BigEndian);
    return readLwoMesh(stream, layer);
}

// The mesh's triangles as their corner positions, welding aside.
std::vector<std::array<float, 9>> trianglesOf(const Mesh& mesh) {
    std::vector<std::array<float, 9>> triangles;
    const Vec3* p = mesh.vec3Array(PositionSlot);
    const std::vector<int32_t>& indices = mesh.getIndices();
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        const Vec3& a = p[indices[i]];
        const Vec3& b = p[indices[i + 1]];
        const Vec3& c = p[indices[i + 2]];
        triangles.push_back({a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z});
    }
    return triangles;
}

TEST(LwoReader, PolygonsAreFannedWeldedAndGivenNormals) {
    LwoWriter file;
    file.layer(0).points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}});
    // A quad, a triangle sharing an edge with it, a line and a lone point.
    file.polygons({{0, 1, 2, 3}, {1, 4, 2}, {0, 4}, {3}});
    std::unique_ptr<Mesh> mesh = meshOf(file.bytes());

    using T = std::array<float, 9>;
    EXPECT_EQ(trianglesOf(*mesh), (std::vector<T>{{0, 0, 0, 1, 0, 0, 1, 1, 0},
                                                  {0, 0, 0, 1, 1, 0, 0, 1, 0},
                                                  {1, 0, 0, 2, 0, 0, 1, 1, 0}}));
    ASSERT_EQ(mesh->getSegments().size(), 1u);
    EXPECT_EQ(mesh->getSegments()[0].count, 3);
    EXPECT_EQ(mesh->getSegments()[0].material.get(), defaultMaterial());
    // Seven corners, five places.
    EXPECT_EQ(mesh->getVertexCount(), 5);
    const Vec3* normals = mesh->vec3Array(NormalSlot);
    ASSERT_NE(normals, nullptr);
    for (int i = 0; i < 5; ++i)
        EXPECT_FLOAT_EQ(normals[i].z, 1) << i;
    EXPECT_FALSE(mesh->getVertexArray(TexcoordSlot).present);
}

TEST(LwoReader, OnlyTheSelectedLayerIsRead) {
    LwoWriter file;
    file.points({{9, 9, 9}, {9, 8, 9}, {8, 9, 9}}).polygons({{0, 1, 2}});  // before any layer
    file.layer(0).points(Square).polygons({{0, 1, 2}});
    file.layer(1).points({{5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}}).polygons({{0, 1, 2, 3}});
    // Polygon counts carry flags in their top six bits.
    file.chunk("POLS").id("FACE").u2(0xFC00 | 3).vx(0).vx(2).vx(3, true).end();
    std::string bytes = file.bytes();

    std::unique_ptr<Mesh> first = meshOf(bytes, 0);
    EXPECT_EQ(trianglesOf(*first).size(), 1u);
    EXPECT_EQ(first->getBoundingBox().max.x, 1);
    std::unique_ptr<Mesh> second = meshOf(bytes, 1);
    EXPECT_EQ(trianglesOf(*second).size(), 3u);
    EXPECT_EQ(second->getBoundingBox().min.x, 5);

    EXPECT_EQ(messageOf([&] { meshOf(bytes, 2); }), "No layer 2 in file <memory>");
    LwoWriter onlyOne;
    onlyOne.layer(1).points(Square).polygons({{0, 1, 2}});
    EXPECT_EQ(messageOf([&] { meshOf(onlyOne.bytes(), 0); }), "No layer 0 in file <memory>");
}

TEST(LwoReader, OtherPolygonKindsAndTheirTagsAreSkipped) {
    LwoWriter file;
    file.chunk("TAGS").s0("hull").end();
    file.layer(0).points(Square);
    file.polygons({{0, 1, 2}});
    file.chunk("PTAG").id("SURF").vx(0).u2(0).end();
    file.polygons({{0, 1, 2, 3}}, "PTCH");
    // Out of range on purpose: read, this would fail.
    file.chunk("PTAG").id("SURF").vx(7).u2(7).end();
    file.chunk("PTAG").id("PART").vx(7).u2(7).end();
    file.chunk("BBOX").f4(0).f4(0).f4(0).f4(1).f4(1).f4(1).end();
    Read read(file.bytes());
    read.reader.read();
    ASSERT_EQ(read.reader.polygons().size(), 1u);
    EXPECT_EQ(read.reader.polygons()[0].surface, 0);
    ASSERT_EQ(read.reader.surfaces().size(), 1u);
    EXPECT_EQ(read.reader.surfaces()[0].name, "hull");
    EXPECT_EQ(read.reader.buildMesh()->getIndices().size(), 3u);
}

TEST(LwoReader, SurfacesClipsAndMapsAreReadInStep) {
    LwoWriter file;
    file.chunk("TAGS").s0("paint").s0("glass").end();
    file.chunk("CLIP").u4(3).sub("STIL").s0("images/wood.tga").end().sub("FLAG").u2(1).end().end();
    file.chunk("SURF").s0("glass").s0("");
    file.sub("COLR").f4(0.5f).f4(0.25f).f4(1).vx(0).end();
    file.sub("TRAN").f4(0.75f).vx(0).end();
    file.sub("SIDE").u2(3).end();
    file.sub("RIMG").vx(3).end();
    file.sub("BLOK");
    file.sub("IMAP").s0("\x80").sub("CHAN").id("DIFF").end().sub("ENAB").u2(1).end().end();
    file.sub("TMAP").sub("CNTR").f4(1).f4(2).f4(3).vx(0).end().sub("SIZE").f4(4).f4(5).f4(6).vx(0).end()
        .sub("FALL").u2(0).f4(0).f4(0).f4(0).vx(0).end().end();
    file.sub("PROJ").u2(5).end().sub("AXIS").u2(2).end().sub("IMAG").vx(3, true).end();
    file.sub("WRPW").f4(2).vx(0).end().sub("VMAP").s0("uv").end().sub("PIXB").u2(1).end();
    file.end();  // BLOK
    file.sub("BLOK").sub("PROC").s0("\x80").sub("CHAN").id("BUMP").end().end().end();
    file.end();  // SURF
    file.layer(0).points(Square).polygons({{0, 1, 2}, {0, 2, 3}});
    file.chunk("VMAP").id("TXUV").u2(2).s0("uv").vx(0).f4(0).f4(0).vx(2).f4(1).f4(1).end();
    file.chunk("VMAP").id("WGHT").u2(1).s0("weight").vx(1).f4(0.5f).end();
    file.chunk("VMAP").id("MORF").u2(3).s0("bulge").vx(3).f4(0).f4(0).f4(1).end();
    file.chunk("VMAP").id("RGB ").u2(3).s0("paint").vx(3).f4(1).f4(0).f4(0).end();
    file.chunk("VMAD").id("TXUV").u2(2).s0("uv").vx(0).vx(1).f4(0).f4(1).end();
    file.chunk("PTAG").id("SURF").vx(1).u2(1).vx(0, true).u2(0).end();
    Read read(file.bytes());
    read.reader.read();

    const LwoReader& r = read.reader;
    EXPECT_EQ(r.tags(), (std::vector<std::string>{"paint", "glass"}));
    EXPECT_EQ(r.clips().at(3), "images/wood.tga");
    ASSERT_EQ(r.surfaces().size(), 2u);
    const LwoSurface& glass = r.surfaces()[0];
    EXPECT_EQ(glass.name, "glass");
    EXPECT_EQ(glass.color.y, 0.25f);
    EXPECT_EQ(glass.transparency, 0.75f);
    EXPECT_TRUE(glass.doubleSided);
    EXPECT_EQ(glass.reflectionImage, "images/wood.tga");
    const LwoTexture& diffuse = glass.textures[LwoSurface::Diffuse];
    EXPECT_EQ(diffuse.image, "images/wood.tga");
    EXPECT_EQ(diffuse.projection, 5);
    EXPECT_EQ(diffuse.axis, 2);
    EXPECT_EQ(diffuse.center.z, 3);
    EXPECT_EQ(diffuse.size.x, 4);
    EXPECT_EQ(diffuse.wrapWidth, 2);
    EXPECT_EQ(diffuse.uvMap, "uv");
    EXPECT_TRUE(diffuse.pixelBlending);
    EXPECT_TRUE(glass.textures[LwoSurface::Color].image.empty());
    EXPECT_EQ(r.surfaces()[1].name, "paint");
    EXPECT_EQ(r.polygons()[0].surface, 1);
    EXPECT_EQ(r.polygons()[1].surface, 0);
    ASSERT_EQ(r.uvMaps().size(), 1u);
    EXPECT_EQ(r.uvMaps()[0].points, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(r.uvMaps()[0].values, (std::vector<float>{0, 0, 1, 1}));
    ASSERT_EQ(r.weightMaps().size(), 1u);
    EXPECT_EQ(r.weightMaps()[0].values, (std::vector<float>{0.5f}));
    ASSERT_EQ(r.morphMaps().size(), 1u);
    EXPECT_EQ(r.morphMaps()[0].name, "bulge");
    EXPECT_EQ(r.buildMesh()->getVertexCount(), 4);
}

TEST(LwoReader, BadFilesFailNamingTheFile) {
    auto triangle = [](LwoWriter& file) -> LwoWriter& { return file.layer(0).points(Square).polygons({{0, 1, 2}}); };
    struct {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"older layout", [&] { LwoWriter f("LWOB"); return triangle(f).bytes(); }(),
         "Not a lightwave object <memory>"},
        {"no form", std::string("LIST\0\0\0\4LWO2", 12), "Not a lightwave object <memory>"},
        {"polygon tag out of range", [&] {
             LwoWriter f;
             triangle(f).chunk("TAGS").s0("a").end().chunk("PTAG").id("SURF").vx(1).u2(0).end();
             return f.bytes();
         }(), "Invalid poly index in file <memory>"},
        {"tag out of range", [&] {
             LwoWriter f;
             triangle(f).chunk("TAGS").s0("a").end().chunk("PTAG").id("SURF").vx(0).u2(1).end();
             return f.bytes();
         }(), "Invalid tag index in file <memory>"},
        {"bump channel", [&] {
             LwoWriter f;
             f.chunk("SURF").s0("skin").s0("").sub("BLOK").sub("IMAP").s0("\x80").sub("CHAN").id("BUMP");
             f.end().end().end().end();
             return triangle(f).bytes();
         }(), "Unsupported material channel BUMP in file <memory>"},
        {"missing point", [&] {
             LwoWriter f;
             f.layer(0).points(Square).polygons({{0, 1, 4}});
             return f.bytes();
         }(), "Invalid point index in file <memory>"},
        {"no points at all", [&] {
             LwoWriter f;
             f.layer(0).polygons({{0, 1, 2}});
             return f.bytes();
         }(), "Invalid point index in file <memory>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(messageOf([&] { meshOf(c.bytes); }), c.message);
    }

    // A file cut short fails in the stream, wherever it is cut.
    LwoWriter file;
    std::string whole = triangle(file).bytes();
    for (size_t size : {size_t(2), size_t(10), size_t(20), whole.size() - 1})
        EXPECT_THROW(meshOf(whole.substr(0, size)), core::Exception) << size;
}

TEST(LwoReader, SourceMaterialsAreOnlyWarnedAbout) {
    LwoWriter file;
    file.chunk("SURF").s0("hull").s0("steel").sub("DIFF").f4(1).vx(0).end().end();
    file.layer(0).points(Square).polygons({{0, 1, 2}});
    testing::internal::CaptureStdout();
    std::unique_ptr<Mesh> mesh = meshOf(file.bytes());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING! Lwo source materials not supported!\n");
    EXPECT_EQ(mesh->getIndices().size(), 3u);
}

TEST(LwoReader, ReadsFilesBigEndianThroughTheFileSystems) {
    TempDirectory folder;
    LwoWriter file;
    TempDirectory::write("tri.lwo", file.layer(0).points(Square).polygons({{0, 1, 2}}).bytes());
    EXPECT_EQ(readLwoMesh("tri.lwo", 0)->getBoundingBox().max.y, 1);
    EXPECT_EQ(messageOf([] { readLwoMesh("tri.lwo", 1); }), "No layer 1 in file tri.lwo");
    EXPECT_THROW(readLwoMesh("missing.lwo", 0), core::FileNotFoundException);
}

} // namespace
