#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace core {

// A 32-bit raster in memory. Rows run top to bottom; each pixel is stored as
// the bytes blue, green, red, alpha. Loads and saves through FreeImage.
class Image {
public:
    struct Rgba {
        uint8_t red, green, blue, alpha;
        bool operator==(const Rgba&) const = default;
    };

    Image(int width = 0, int height = 0);

    // Any format FreeImage reads, found through the file systems.
    static Image load(const std::string& path);

    // The largest picture load accepts: 16384 pixels a side and 2^28 pixels
    // (1 GiB) by default. Tools that run with less memory lower it.
    static constexpr int MaxSide = 16384;
    static constexpr int64_t MaxPixels = int64_t(1) << 28;
    static void limitLoadedPixels(int64_t maxPixels);
    // Any format FreeImage writes, chosen by the extension; straight to disk.
    void save(const std::string& path, bool withAlpha) const;

    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    uint8_t* data() { return m_pixels.data(); }
    const uint8_t* data() const { return m_pixels.data(); }
    size_t dataSize() const { return m_pixels.size(); }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    void setPixel(int x, int y, Rgba color);
    Rgba getPixel(int x, int y) const;
    // The checked variants ignore, or give zeros for, positions outside.
    void setPixelChecked(int x, int y, Rgba color);
    Rgba getPixelChecked(int x, int y) const;

    // Copies a w x h rectangle of source at (sx, sy) to (dx, dy), skipping
    // destinations outside this image.
    void blit(int dx, int dy, const Image& source, int sx, int sy, int w, int h);

    // Half the size, for mipmap chains: a box filter when both sides are
    // powers of two, a 3x3 tent filter otherwise.
    void halve();

private:
    uint8_t* at(int x, int y) { return &m_pixels[(static_cast<size_t>(y) * m_width + x) * 4]; }
    const uint8_t* at(int x, int y) const { return &m_pixels[(static_cast<size_t>(y) * m_width + x) * 4]; }

    int m_width;
    int m_height;
    std::vector<uint8_t> m_pixels;
};

} // namespace core
