#include "engine/draw/Font.h"

#include "core/FileSystem.h"
#include "core/Image.h"

namespace engine {

Font::Font(const FontAtlas& atlas)
    : m_glyphs(atlas.glyphs), m_lineHeight(atlas.lineHeight), m_maxBearingY(atlas.maxBearingY),
      m_texture(createTexture(atlas.image)) {}

Font::~Font() = default;

Font* Font::createBuiltin(int index) {
    return new Font(buildBuiltinAtlas(index));
}

Font* Font::load(const std::string& path, int cellWidth, int spacing) {
    core::Image image = core::Image::load(path);
    if (cellWidth > 0)
        return new Font(buildFixedWidthAtlas(image, cellWidth, spacing));
    return new Font(buildVariableWidthAtlas(image, spacing));
}

Font* Font::loadTrueType(const std::string& path, int pixelSize, FontStyle style) {
    return new Font(rasterizeTrueType(core::readFile(path), pixelSize, style));
}

int Font::getTextWidth(const std::string& text) const {
    int width = 0;
    for (char c : text)
        width += m_glyphs[static_cast<uint8_t>(c)].advance;
    return width;
}

} // namespace engine
