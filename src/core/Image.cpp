#include "core/Image.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"

#include <FreeImage.h>

#include <algorithm>
#include <memory>

namespace core {

namespace {

void reportFreeImageError(FREE_IMAGE_FORMAT, const char* message) {
    debugLog("FreeImage error: %s\n", message);
}

void installErrorReport() {
    static const bool installed = [] {
        // A statically linked FreeImage registers its formats only when asked
        // (the shared library does it when loaded; asking again is harmless).
        FreeImage_Initialise(FALSE);
        FreeImage_SetOutputMessage(reportFreeImageError);
        return true;
    }();
    (void)installed;
}

// FreeImage reads through an open core::File. Errors inside are logged and
// reported to FreeImage as a short read or a failed seek.
unsigned DLL_CALLCONV readProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* file = static_cast<File*>(handle);
    try {
        if (size == 0)
            return 0;
        int64_t available = file->getLength() - file->getPosition();
        unsigned whole = static_cast<unsigned>(std::max<int64_t>(0, std::min<int64_t>(count, available / size)));
        file->read(buffer, static_cast<int64_t>(whole) * size);
        return whole;
    } catch (const Exception& e) {
        debugLog("%s\n", e.getMessage());
        return 0;
    }
}

unsigned DLL_CALLCONV writeProc(void*, unsigned, unsigned, fi_handle) {
    return 0;
}

int DLL_CALLCONV seekProc(fi_handle handle, long offset, int origin) {
    auto* file = static_cast<File*>(handle);
    try {
        if (origin == SEEK_SET)
            file->seek(offset);
        else if (origin == SEEK_CUR)
            file->skip(offset);
        else
            file->seek(file->getLength() + offset);
        return 0;
    } catch (const Exception& e) {
        debugLog("%s\n", e.getMessage());
        return -1;
    }
}

long DLL_CALLCONV tellProc(fi_handle handle) {
    return static_cast<long>(static_cast<File*>(handle)->getPosition());
}

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// The largest picture the host loads: 16384 pixels a side, 2^28 pixels.
bool sizeAllowed(unsigned width, unsigned height) {
    return width <= 16384 && height <= 16384 && uint64_t(width) * height <= (uint64_t(1) << 28);
}

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

} // namespace

Image::Image(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * m_height * 4, 0) {
    installErrorReport();
}

Image Image::load(const std::string& path) {
    installErrorReport();
    std::unique_ptr<File> file = openFile(path);
    FreeImageIO io{readProc, writeProc, seekProc, tellProc};
    fi_handle handle = file.get();

    FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, handle, 0);
    file->seek(0);
    if (format == FIF_UNKNOWN)
        format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN)
        throw Exception("Unknown file format: %s", path.c_str());
    if (!FreeImage_FIFSupportsReading(format))
        throw Exception("No image loader: %s", path.c_str());

    // A header may claim any size: read it alone first where the format
    // allows, and refuse sizes no game texture has before pixels are allocated.
    if (FreeImage_FIFSupportsNoPixels(format)) {
        Bitmap header(FreeImage_LoadFromHandle(format, &io, handle, FIF_LOAD_NOPIXELS));
        file->seek(0);
        if (header && !sizeAllowed(FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get())))
            throw Exception("Error loading: %s", path.c_str());
    }

    Bitmap bitmap(FreeImage_LoadFromHandle(format, &io, handle, 0));
    file.reset();
    if (!bitmap)
        throw Exception("Error loading: %s", path.c_str());
    if (!sizeAllowed(FreeImage_GetWidth(bitmap.get()), FreeImage_GetHeight(bitmap.get())))
        throw Exception("Error loading: %s", path.c_str());
    if (FreeImage_GetImageType(bitmap.get()) != FIT_BITMAP)
        throw Exception("Unknown bitmap type: %s", path.c_str());

    unsigned bpp = FreeImage_GetBPP(bitmap.get());
    if (bpp != 24 && bpp != 32) {
        bitmap.reset(FreeImage_ConvertTo32Bits(bitmap.get()));
        if (!bitmap)
            throw Exception("Error loading: %s", path.c_str());
        bpp = 32;
    }

    Image image(static_cast<int>(FreeImage_GetWidth(bitmap.get())), static_cast<int>(FreeImage_GetHeight(bitmap.get())));
    unsigned step = bpp / 8;
    for (int y = 0; y < image.m_height; ++y) {
        const BYTE* source = FreeImage_GetScanLine(bitmap.get(), image.m_height - 1 - y);
        uint8_t* target = image.at(0, y);
        for (int x = 0; x < image.m_width; ++x, source += step, target += 4) {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
            target[3] = step == 4 ? source[3] : 255;
        }
    }
    return image;
}

void Image::save(const std::string& path, bool withAlpha) const {
    installErrorReport();
    FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN)
        throw Exception("Unknown file format: %s", path.c_str());
    unsigned bpp = withAlpha ? 32 : 24;
    Bitmap bitmap(FreeImage_Allocate(m_width, m_height, static_cast<int>(bpp)));
    if (!bitmap)
        throw Exception("Error saving: %s", path.c_str());
    unsigned step = bpp / 8;
    for (int y = 0; y < m_height; ++y) {
        BYTE* target = FreeImage_GetScanLine(bitmap.get(), m_height - 1 - y);
        const uint8_t* source = at(0, y);
        for (int x = 0; x < m_width; ++x, source += 4, target += step) {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
            if (withAlpha)
                target[3] = source[3];
        }
    }
    FreeImage_Save(format, bitmap.get(), path.c_str(), 0);
}

void Image::setPixel(int x, int y, Rgba color) {
    uint8_t* pixel = at(x, y);
    pixel[0] = color.blue;
    pixel[1] = color.green;
    pixel[2] = color.red;
    pixel[3] = color.alpha;
}

Image::Rgba Image::getPixel(int x, int y) const {
    const uint8_t* pixel = at(x, y);
    return {pixel[2], pixel[1], pixel[0], pixel[3]};
}

void Image::setPixelChecked(int x, int y, Rgba color) {
    if (contains(x, y))
        setPixel(x, y, color);
}

Image::Rgba Image::getPixelChecked(int x, int y) const {
    return contains(x, y) ? getPixel(x, y) : Rgba{0, 0, 0, 0};
}

void Image::blit(int dx, int dy, const Image& source, int sx, int sy, int w, int h) {
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            if (contains(dx + i, dy + j) && source.contains(sx + i, sy + j))
                std::copy_n(source.at(sx + i, sy + j), 4, at(dx + i, dy + j));
        }
    }
}

void Image::halve() {
    if (isPowerOfTwo(m_width) && isPowerOfTwo(m_height)) {
        Image half(m_width / 2, m_height / 2);
        for (int y = 0; y < half.m_height; ++y) {
            for (int x = 0; x < half.m_width; ++x) {
                const uint8_t* a = at(2 * x, 2 * y);
                const uint8_t* b = at(2 * x + 1, 2 * y);
                const uint8_t* c = at(2 * x, 2 * y + 1);
                const uint8_t* d = at(2 * x + 1, 2 * y + 1);
                uint8_t* target = half.at(x, y);
                for (int k = 0; k < 4; ++k)
                    target[k] = static_cast<uint8_t>((a[k] + b[k] + c[k] + d[k]) >> 2);
            }
        }
        *this = std::move(half);
        return;
    }

    Image half(std::max(1, m_width / 2), std::max(1, m_height / 2));
    static const int weights[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
    for (int y = 0; y < half.m_height; ++y) {
        for (int x = 0; x < half.m_width; ++x) {
            int sums[4] = {0, 0, 0, 0};
            for (int j = 0; j < 3; ++j) {
                int sy = std::min(2 * y + j, m_height - 1);
                for (int i = 0; i < 3; ++i) {
                    int sx = std::min(2 * x + i, m_width - 1);
                    const uint8_t* pixel = at(sx, sy);
                    int weight = weights[j][i];
                    // Blue rounds each term down before summing; the others round the sum.
                    sums[0] += pixel[0] * weight / 16;
                    for (int k = 1; k < 4; ++k)
                        sums[k] += pixel[k] * weight;
                }
            }
            uint8_t* target = half.at(x, y);
            target[0] = static_cast<uint8_t>(sums[0]);
            for (int k = 1; k < 4; ++k)
                target[k] = static_cast<uint8_t>(sums[k] / 16);
        }
    }
    *this = std::move(half);
}

} // namespace core
