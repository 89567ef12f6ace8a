// Writes the seeds of the OBJ and LightWave fuzz targets:
//   make_importer_seeds SEEDS_DIR   (writes SEEDS_DIR/obj/* and SEEDS_DIR/lwo/*)
#include "support/LwoWriter.h"

#include <cstdio>
#include <string>

namespace {

bool write(const std::string& path, const std::string& bytes) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

const std::vector<LwoWriter::Point> Square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

std::string layeredLwo() {
    LwoWriter file;
    file.chunk("TAGS").s0("hull").s0("glass").end();
    file.layer(0).points(Square).polygons({{0, 1, 2, 3}, {0, 2}, {3, 1, 2}});
    file.chunk("PTAG").id("SURF").vx(0).u2(1).vx(1, true).u2(0).end();
    file.layer(1).points({{5, 0, 0}, {6, 0, 0}, {6, 1, 0}}).polygons({{0, 1, 2}});
    file.polygons({{0, 1, 2}}, "PTCH");
    return file.bytes();
}

std::string surfacedLwo() {
    LwoWriter file;
    file.chunk("TAGS").s0("paint").end();
    file.chunk("CLIP").u4(1).sub("STIL").s0("wood.tga").end().end();
    file.chunk("SURF").s0("paint").s0("");
    file.sub("COLR").f4(0.5f).f4(0.5f).f4(0.5f).vx(0).end().sub("SIDE").u2(3).end();
    file.sub("BLOK").sub("IMAP").s0("\x80").sub("CHAN").id("COLR").end().end();
    file.sub("TMAP").sub("SIZE").f4(1).f4(1).f4(1).vx(0).end().end();
    file.sub("IMAG").vx(1).end().sub("VMAP").s0("uv").end().end();
    file.end();
    file.layer(0).points(Square).polygons({{0, 1, 2}, {0, 2, 3}});
    file.chunk("VMAP").id("TXUV").u2(2).s0("uv").vx(0).f4(0).f4(0).vx(2).f4(1).f4(1).end();
    file.chunk("VMAD").id("TXUV").u2(2).s0("uv").vx(0).vx(1).f4(0).f4(1).end();
    file.chunk("PTAG").id("SURF").vx(1).u2(0).end();
    return file.bytes();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_importer_seeds SEEDS_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = write(dir + "/obj/quad.obj",
                    "# a quad\r\nv 0 0 0\r\nv 1 0 0\r\nvt 0 0\r\nv 1 1 0\r\nvn 0 0 1\r\nv 0 1 0\r\n"
                    "g side\r\nf 1/1/1 2/1/1 3/1/1 4/1/1\r\n") &&
              write(dir + "/obj/triangles.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 1\nf 1 2 3\nf 4//1 2//1 3//1\n") &&
              write(dir + "/lwo/layers.lwo", layeredLwo()) && write(dir + "/lwo/surfaces.lwo", surfacedLwo());
    return ok ? 0 : 1;
}
