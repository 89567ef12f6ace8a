#include "core/Cursor.h"

#include "core/Image.h"

namespace core {

std::vector<uint32_t> cursorPixels(const Image& image) {
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(image.getWidth()) * image.getHeight());
    for (int y = 0; y < image.getHeight(); ++y) {
        for (int x = 0; x < image.getWidth(); ++x) {
            Image::Rgba pixel = image.getPixel(x, y);
            pixels.push_back(pixel.alpha < 128 ? 0u
                                               : 0xFF000000u | uint32_t(pixel.red) << 16 |
                                                     uint32_t(pixel.green) << 8 | pixel.blue);
        }
    }
    return pixels;
}

} // namespace core
