// Writes the seeds of the TrueType target (committed under seeds/truetype):
// the smallest fonts FreeType opens, a few hundred bytes each, so that the
// fuzzer mutates tables rather than megabytes of glyphs. "tiny.ttf" has an
// "A" (and the byte 0xC4) and a "B"; "units-per-em-16.ttf" is the same font
// with 16 units per em, every glyph 64 times larger per side; "huge-glyph.ttf"
// stretches the "B" across the whole coordinate range.
//   make_font_seeds DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Bytes {
    std::string data;
    void u16(int v) { data += char(v >> 8 & 255), data += char(v & 255); }
    void u32(uint32_t v) { u16(int(v >> 16)), u16(int(v & 0xFFFF)); }
    void pad() {
        while (data.size() % 4)
            data += '\0';
    }
};

// One contour through the corners, every point on the curve, coordinates as
// 16-bit deltas.
std::string simpleGlyph(const std::vector<std::pair<int, int>>& points) {
    int xMin = 32767, yMin = 32767, xMax = -32768, yMax = -32768;
    for (auto [x, y] : points) {
        xMin = std::min(xMin, x), xMax = std::max(xMax, x);
        yMin = std::min(yMin, y), yMax = std::max(yMax, y);
    }
    Bytes g;
    g.u16(1);
    g.u16(xMin), g.u16(yMin), g.u16(xMax), g.u16(yMax);
    g.u16(int(points.size()) - 1);
    g.u16(0);
    for (size_t i = 0; i < points.size(); ++i)
        g.data += char(1);
    int last = 0;
    for (auto [x, y] : points)
        g.u16(x - last), last = x;
    last = 0;
    for (auto [x, y] : points)
        g.u16(y - last), last = y;
    if (g.data.size() % 2)
        g.data += '\0';
    return g.data;
}

std::string font(int unitsPerEm, int bWidth) {
    std::vector<std::string> glyphs = {
        "",
        simpleGlyph({{50, 0}, {350, 700}, {650, 0}}),
        simpleGlyph({{50, 0}, {50, 700}, {50 + bWidth, 700}, {50 + bWidth, 0}}),
    };
    Bytes glyf, loca;
    for (const std::string& g : glyphs) {
        loca.u16(int(glyf.data.size() / 2));
        glyf.data += g;
    }
    loca.u16(int(glyf.data.size() / 2));

    Bytes head;
    head.u32(0x00010000), head.u32(0x00010000), head.u32(0), head.u32(0x5F0F3CF5);
    head.u16(0), head.u16(unitsPerEm);
    for (int i = 0; i < 4; ++i)
        head.u32(0);
    head.u16(0), head.u16(0), head.u16(700), head.u16(700);
    head.u16(0), head.u16(8), head.u16(2), head.u16(0), head.u16(0);

    Bytes hhea;
    hhea.u32(0x00010000);
    hhea.u16(800), hhea.u16(-200 & 0xFFFF), hhea.u16(0), hhea.u16(700);
    hhea.u16(0), hhea.u16(0), hhea.u16(700), hhea.u16(1), hhea.u16(0), hhea.u16(0);
    for (int i = 0; i < 4; ++i)
        hhea.u16(0);
    hhea.u16(0), hhea.u16(3);

    Bytes hmtx;
    for (int i = 0; i < 3; ++i)
        hmtx.u16(700), hmtx.u16(50);

    Bytes maxp;
    maxp.u32(0x00010000), maxp.u16(3), maxp.u16(4), maxp.u16(1);
    for (int i = 0; i < 11; ++i)
        maxp.u16(i == 2 ? 2 : 0);

    // Format 4: "A" and "B", the byte 0xC4 as "A", and the closing segment.
    Bytes cmap;
    cmap.u16(0), cmap.u16(1), cmap.u16(3), cmap.u16(1), cmap.u32(12);
    const int ends[] = {0x42, 0xC4, 0xFFFF}, starts[] = {0x41, 0xC4, 0xFFFF}, deltas[] = {1 - 0x41, 1 - 0xC4, 1};
    cmap.u16(4), cmap.u16(16 + 8 * 3), cmap.u16(0), cmap.u16(6), cmap.u16(4), cmap.u16(1), cmap.u16(2);
    for (int e : ends)
        cmap.u16(e);
    cmap.u16(0);
    for (int s : starts)
        cmap.u16(s);
    for (int d : deltas)
        cmap.u16(d & 0xFFFF);
    for (int i = 0; i < 3; ++i)
        cmap.u16(0);

    std::pair<const char*, Bytes*> tables[] = {{"cmap", &cmap}, {"glyf", &glyf}, {"head", &head}, {"hhea", &hhea},
                                               {"hmtx", &hmtx}, {"loca", &loca}, {"maxp", &maxp}};
    Bytes out;
    out.u32(0x00010000), out.u16(7), out.u16(64), out.u16(2), out.u16(48);
    uint32_t offset = 12 + 16 * 7;
    for (auto& [tag, table] : tables) {
        out.data += tag;
        out.u32(0), out.u32(offset), out.u32(uint32_t(table->data.size()));
        table->pad();
        offset += uint32_t(table->data.size());
    }
    for (auto& [tag, table] : tables)
        out.data += table->data;
    return out.data;
}

bool write(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_font_seeds DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = write(dir + "/tiny.ttf", font(1024, 500)) && write(dir + "/units-per-em-16.ttf", font(16, 500)) &&
              write(dir + "/huge-glyph.ttf", font(1024, 32000));
    return ok ? 0 : 1;
}
