#include "engine/draw/FontAtlas.h"

#include "core/Exception.h"
#include "core/BuiltinFontData.h"

#include <vector>

namespace engine {

namespace {

bool isZero(core::Image::Rgba pixel) {
    return pixel == core::Image::Rgba{0, 0, 0, 0};
}

struct Run {
    int x;
    int width;
};

// The runs of non-zero pixels along the top row, left to right.
std::vector<Run> markedRuns(const core::Image& image) {
    std::vector<Run> runs;
    int x = 0;
    while (x < image.getWidth()) {
        while (x < image.getWidth() && isZero(image.getPixel(x, 0)))
            ++x;
        if (x == image.getWidth())
            break;
        int start = x;
        while (x < image.getWidth() && !isZero(image.getPixel(x, 0)))
            ++x;
        runs.push_back({start, x - start});
    }
    return runs;
}

} // namespace

void setAtlasPlace(Glyph& glyph, int x, int y, int width, int height, int atlasHeight) {
    glyph.texLeft = static_cast<float>(x) / kAtlasWidth;
    glyph.texTop = static_cast<float>(y) / atlasHeight;
    glyph.texRight = static_cast<float>(x + width) / kAtlasWidth;
    glyph.texBottom = static_cast<float>(y + height) / atlasHeight;
}

int atlasHeightFor(int n) {
    int height = 1;
    while (height < n)
        height *= 2;
    return height;
}

FontAtlas buildFixedWidthAtlas(const core::Image& image, int cellWidth, int spacing) {
    // A cell wider than the atlas would leave no room for a single glyph per row.
    if (cellWidth <= 0 || cellWidth > kAtlasWidth || image.getWidth() != kGlyphCount * cellWidth)
        throw core::Exception("Image size is invalid for a fixed width font");
    int cellHeight = image.getHeight();
    int cellsPerRow = kAtlasWidth / cellWidth;
    int rows = cellHeight * (kGlyphCount / cellsPerRow + 1);
    if (rows > kMaxAtlasHeight)
        throw core::Exception("Image size is invalid for a fixed width font");
    int atlasHeight = atlasHeightFor(rows);

    FontAtlas font;
    font.image = core::Image(kAtlasWidth, atlasHeight);
    int x = 0, y = 0;
    for (int i = 0; i < kGlyphCount; ++i) {
        if (x + cellWidth > kAtlasWidth) {
            x = 0;
            y += cellHeight;
        }
        font.image.blit(x, y, image, i * cellWidth, 0, cellWidth, cellHeight);
        Glyph& glyph = font.glyphs[static_cast<uint8_t>(kGlyphSet[i])];
        setAtlasPlace(glyph, x, y, cellWidth, cellHeight, atlasHeight);
        glyph.width = cellWidth;
        glyph.height = cellHeight;
        glyph.advance = cellWidth + spacing;
        x += cellWidth;
    }
    font.lineHeight = cellHeight;
    font.glyphs[' '].advance = cellWidth;
    return font;
}

FontAtlas buildVariableWidthAtlas(const core::Image& image, int spacing) {
    std::vector<Run> runs = markedRuns(image);
    if (runs.size() > static_cast<size_t>(kGlyphCount))
        runs.resize(kGlyphCount);
    int lineHeight = image.getHeight() - 1;

    // Place the runs with a one-pixel gap around each, so that filtering does
    // not bleed a neighbour into a glyph.
    std::vector<std::pair<int, int>> places;
    int x = 0, y = 0;
    for (const Run& run : runs) {
        // A glyph wider than the atlas has no place in it.
        if (run.width + 1 > kAtlasWidth)
            throw core::Exception("Image size is invalid for a variable width font");
        if (x + run.width + 1 > kAtlasWidth) {
            x = 0;
            y += lineHeight + 1;
        }
        places.emplace_back(x, y);
        x += run.width + 1;
    }
    if (lineHeight + y + 1 > kMaxAtlasHeight)
        throw core::Exception("Image size is invalid for a variable width font");
    int atlasHeight = atlasHeightFor(lineHeight + y + 1);

    FontAtlas font;
    font.image = core::Image(kAtlasWidth, atlasHeight);
    font.lineHeight = lineHeight;
    for (int i = 0; i < kGlyphCount; ++i) {
        Glyph& glyph = font.glyphs[static_cast<uint8_t>(kGlyphSet[i])];
        glyph.height = lineHeight;
        glyph.advance = spacing;
        if (static_cast<size_t>(i) >= runs.size())
            continue;
        auto [px, py] = places[i];
        font.image.blit(px, py, image, runs[i].x, 1, runs[i].width, lineHeight);
        glyph.width = runs[i].width;
        glyph.advance += runs[i].width;
        setAtlasPlace(glyph, px, py, runs[i].width, lineHeight, atlasHeight);
    }
    int underscore = font.glyphs['_'].width;
    font.glyphs[' '].advance = underscore > 0 ? underscore : font.glyphs['o'].width;
    return font;
}

core::Image builtinFontImage(int index) {
    if (index == 0) {
        const int width = 97 * 8, height = 15;
        core::Image image(width, height);
        // The bit position runs on from one row to the next.
        for (int i = 0; i < width * height; ++i) {
            bool set = (core::kBitmapFont8x15[i / 8] >> (i % 8)) & 1;
            image.setPixel(i % width, i / width, {255, 255, 255, static_cast<uint8_t>(set ? 255 : 0)});
        }
        return image;
    }
    if (index == 1) {
        const int width = 97 * 7, height = 13;
        core::Image image(width, height);
        for (int i = 0; i < width * height; ++i)
            image.setPixel(i % width, i / width, {255, 255, 255, core::kAlphaFont7x13[i]});
        return image;
    }
    throw core::Exception("unknown built-in font");
}

FontAtlas buildBuiltinAtlas(int index) {
    static constexpr int kCellWidths[kBuiltinFontCount] = {8, 7};
    core::Image image = builtinFontImage(index);
    return buildFixedWidthAtlas(image, kCellWidths[index], 0);
}

} // namespace engine
