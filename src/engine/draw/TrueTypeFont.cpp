#include "engine/draw/TrueTypeFont.h"

#include "core/Exception.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace engine {

namespace {

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct StrokerDeleter {
    void operator()(FT_Stroker stroker) const { FT_Stroker_Done(stroker); }
};
struct GlyphDeleter {
    void operator()(FT_Glyph glyph) const { FT_Done_Glyph(glyph); }
};
using Library = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using Face = std::unique_ptr<FT_FaceRec_, FaceDeleter>;
using Stroker = std::unique_ptr<FT_StrokerRec_, StrokerDeleter>;
using GlyphObject = std::unique_ptr<FT_GlyphRec_, GlyphDeleter>;

struct RasterGlyph {
    Glyph record;
    core::Image image;
};

struct Span {
    int x, y, length, coverage;
};

void collectSpan(int y, int count, const FT_Span* spans, void* user) {
    auto* out = static_cast<std::vector<Span>*>(user);
    for (int i = 0; i < count; ++i)
        out->push_back({spans[i].x, y, spans[i].len, spans[i].coverage});
}

// The anti-aliased coverage of an outline as horizontal spans, y counting up.
std::vector<Span> renderSpans(FT_Library library, FT_Outline* outline) {
    std::vector<Span> spans;
    FT_Raster_Params params;
    std::memset(&params, 0, sizeof(params));
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT;
    params.gray_spans = collectSpan;
    params.user = &spans;
    FT_Outline_Render(library, outline, &params);
    return spans;
}

// No glyph image may be wider than the atlas, nor larger than a few ems: a
// broken font (or an absurd size) would otherwise ask for pictures of
// gigabytes and an atlas no renderer can hold. Checked before rasterising.
int64_t glyphSideLimit(int pixelSize) {
    return std::min<int64_t>(kAtlasWidth, 4 * int64_t(std::max(pixelSize, 0)) + 4);
}

void checkGlyphSize(int64_t width, int64_t height, int pixelSize) {
    int64_t limit = glyphSideLimit(pixelSize);
    if (width > limit || height > limit)
        throw core::Exception("Font glyphs too large for the atlas at size %d", pixelSize);
}

// The whole pixels an outline covers: its control box, grid-fitted.
FT_BBox pixelBox(FT_Outline* outline) {
    FT_BBox box;
    FT_Outline_Get_CBox(outline, &box);
    box.xMin &= -64;
    box.yMin &= -64;
    box.xMax = (box.xMax + 63) & -64;
    box.yMax = (box.yMax + 63) & -64;
    return box;
}

// Plain style: FreeType's own coverage bitmap, white with coverage as alpha.
bool rasterizePlain(FT_Face face, FT_UInt index, int pixelSize, RasterGlyph& out) {
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT))
        return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box = pixelBox(&slot->outline);
        checkGlyphSize((box.xMax - box.xMin) / 64, (box.yMax - box.yMin) / 64, pixelSize);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL))
        return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    checkGlyphSize(bitmap.width, bitmap.rows, pixelSize);
    bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (bitmap.rows > 0 && bitmap.width > 0 && !gray && !mono)
        return false;
    int width = static_cast<int>(bitmap.width), height = static_cast<int>(bitmap.rows);
    out.image = core::Image(width, height);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < width; ++x) {
            uint8_t coverage = gray ? row[x] : (((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0);
            out.image.setPixel(x, y, {255, 255, 255, coverage});
        }
    }
    out.record.width = width;
    out.record.height = height;
    out.record.offsetX = slot->bitmap_left;
    out.record.offsetY = -slot->bitmap_top;
    out.record.advance = static_cast<int32_t>(slot->advance.x >> 6);
    return true;
}

// Stroke style: the glyph filled white over its outer border stroked black,
// one pixel wide.
bool rasterizeStroked(FT_Library library, FT_Face face, FT_UInt index, int pixelSize, RasterGlyph& out) {
    constexpr FT_Pos kRadius = 64;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP) || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    FT_GlyphSlot slot = face->glyph;
    FT_Outline* outline = &slot->outline;

    FT_BBox box = pixelBox(outline);
    box.xMin -= kRadius;
    box.yMin -= kRadius;
    box.xMax += kRadius;
    box.yMax += kRadius;
    checkGlyphSize((box.xMax - box.xMin) / 64, (box.yMax - box.yMin) / 64, pixelSize);
    int width = static_cast<int>((box.xMax - box.xMin) / 64);
    int height = static_cast<int>((box.yMax - box.yMin) / 64);

    FT_Outline_Translate(outline, -box.xMin, -box.yMin);
    std::vector<Span> fill = renderSpans(library, outline);

    FT_Stroker rawStroker;
    if (FT_Stroker_New(library, &rawStroker))
        return false;
    Stroker stroker(rawStroker);
    FT_Stroker_Set(rawStroker, kRadius, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
    FT_Glyph rawGlyph;
    if (FT_Get_Glyph(slot, &rawGlyph))
        return false;
    // StrokeBorder replaces the glyph it is given; on failure it keeps the old one.
    if (FT_Glyph_StrokeBorder(&rawGlyph, rawStroker, false, true)) {
        FT_Done_Glyph(rawGlyph);
        return false;
    }
    GlyphObject border(rawGlyph);
    if (border->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    std::vector<Span> edge = renderSpans(library, &reinterpret_cast<FT_OutlineGlyph>(border.get())->outline);
    if (edge.empty())
        return false;

    out.image = core::Image(width, height);
    for (const Span& span : edge)
        for (int i = 0; i < span.length; ++i)
            out.image.setPixelChecked(span.x + i, height - 1 - span.y, {0, 0, 0, static_cast<uint8_t>(span.coverage)});
    for (const Span& span : fill) {
        for (int i = 0; i < span.length; ++i) {
            int x = span.x + i, y = height - 1 - span.y;
            if (!out.image.contains(x, y))
                continue;
            core::Image::Rgba pixel = out.image.getPixel(x, y);
            auto blend = [&](uint8_t c) { return static_cast<uint8_t>(c + (255 - c) * span.coverage / 255); };
            pixel.red = blend(pixel.red);
            pixel.green = blend(pixel.green);
            pixel.blue = blend(pixel.blue);
            pixel.alpha = static_cast<uint8_t>(std::min(255, pixel.alpha + span.coverage));
            out.image.setPixel(x, y, pixel);
        }
    }
    out.record.width = width;
    out.record.height = height;
    out.record.offsetX = static_cast<int32_t>(box.xMin / 64);
    out.record.offsetY = static_cast<int32_t>(-(box.yMax / 64));
    out.record.advance = static_cast<int32_t>(slot->advance.x >> 6);
    return true;
}

bool inGlyphSet(int c) {
    return c == ' ' || (c != 0 && std::memchr(kGlyphSet, c, kGlyphCount) != nullptr);
}

} // namespace

FontAtlas rasterizeTrueType(const std::string& bytes, int pixelSize, FontStyle style) {
    FT_Library rawLibrary;
    if (FT_Error error = FT_Init_FreeType(&rawLibrary))
        throw core::Exception("FT_Init_FreeType failed with error code %d", error);
    Library library(rawLibrary);

    FT_Face rawFace;
    if (FT_Error error = FT_New_Memory_Face(rawLibrary, reinterpret_cast<const FT_Byte*>(bytes.data()),
                                            static_cast<FT_Long>(bytes.size()), 0, &rawFace))
        throw core::Exception("FT_New_Face failed with error code %d", error);
    Face face(rawFace);
    FT_F26Dot6 size = static_cast<FT_F26Dot6>(pixelSize) * 64;
    if (FT_Error error = FT_Set_Char_Size(rawFace, size, size, 72, 72))
        throw core::Exception("FT_Set_Char_Size failed with error code %d", error);

    std::vector<RasterGlyph> glyphs(256);
    for (int c = 0; c < 256; ++c) {
        if (!inGlyphSet(c))
            continue;
        FT_UInt index = FT_Get_Char_Index(rawFace, static_cast<FT_ULong>(c));
        RasterGlyph glyph;
        bool made = style == FontStyle::Stroke && c != ' ' ? rasterizeStroked(rawLibrary, rawFace, index, pixelSize, glyph)
                                                            : rasterizePlain(rawFace, index, pixelSize, glyph);
        if (made)
            glyphs[c] = std::move(glyph);
    }

    // Shelves left to right, top to bottom, in byte order, without gaps.
    std::vector<std::pair<int, int>> places(256);
    int x = 0, y = 0, rowHeight = 0;
    for (int c = 0; c < 256; ++c) {
        const Glyph& record = glyphs[c].record;
        if (record.width <= 0)
            continue;
        if (x + record.width > kAtlasWidth) {
            y += rowHeight;
            x = 0;
            rowHeight = 0;
        }
        places[c] = {x, y};
        x += record.width;
        rowHeight = std::max(rowHeight, static_cast<int>(record.height));
    }
    // The tallest texture every renderer takes.
    if (y + rowHeight > kMaxAtlasHeight)
        throw core::Exception("Font glyphs too large for the atlas at size %d", pixelSize);
    int atlasHeight = atlasHeightFor(y + rowHeight);

    FontAtlas font;
    font.image = core::Image(kAtlasWidth, atlasHeight);
    for (int c = 0; c < 256; ++c) {
        Glyph record = glyphs[c].record;
        if (record.width > 0) {
            auto [gx, gy] = places[c];
            font.image.blit(gx, gy, glyphs[c].image, 0, 0, record.width, record.height);
            setAtlasPlace(record, gx, gy, record.width, record.height, atlasHeight);
        }
        font.glyphs[c] = record;
        font.maxBearingY = std::max(font.maxBearingY, -record.offsetY);
    }
    font.lineHeight = static_cast<int32_t>(rawFace->size->metrics.height >> 6);
    return font;
}

} // namespace engine
