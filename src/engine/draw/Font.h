#pragma once

// A font: glyph records for every byte and the atlas texture their images sit
// in. Built from one of the host's built-in fonts, an artist's font image or a
// TrueType file; the texture is made by the current renderer.

#include "core/RefRegistry.h"
#include "engine/draw/FontAtlas.h"
#include "engine/draw/TrueTypeFont.h"
#include "engine/render/RenderableTexture.h"

#include <string>

namespace engine {

class Font {
public:
    // Takes the atlas's records and makes its image into a texture.
    explicit Font(const FontAtlas& atlas);
    virtual ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Built-in fonts by index (0 or 1).
    static Font* createBuiltin(int index);
    // Fixed-width when cellWidth > 0, variable-width otherwise.
    static Font* load(const std::string& path, int cellWidth, int spacing);
    static Font* loadTrueType(const std::string& path, int pixelSize, FontStyle style);

    const Glyph& getGlyph(uint8_t c) const { return m_glyphs[c]; }
    int getLineHeight() const { return m_lineHeight; }
    int getMaxBearingY() const { return m_maxBearingY; }
    RenderableTexture* getTexture() const { return m_texture.get(); }

    // The sum of the advances of every byte; line breaks are not treated apart.
    int getTextWidth(const std::string& text) const;
    bool isPrintable(uint8_t c) const { return m_glyphs[c].advance > 0; }

private:
    std::array<Glyph, 256> m_glyphs;
    int32_t m_lineHeight;
    int32_t m_maxBearingY;
    core::CountedRef<RenderableTexture> m_texture;
};

} // namespace engine
