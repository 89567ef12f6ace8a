#include "core/Image.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <memory>

namespace core {

namespace {

void reportFreeImageError(FREE_IMAGE_FORMAT, const char* message) {
    debugLog("FreeImage error: %s\n", message);
}

void installErrorReport() {
    static const bool installed = [] {
#ifdef FREEIMAGE_LIB
        // Linked statically, FreeImage registers its built-in formats only when asked.
        FreeImage_Initialise(TRUE);
#endif
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

int64_t loadedPixelLimit = Image::MaxPixels;

bool sizeAllowed(unsigned width, unsigned height) {
    return width <= unsigned(Image::MaxSide) && height <= unsigned(Image::MaxSide) &&
           int64_t(width) * height <= loadedPixelLimit;
}

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

uint16_t little16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint16_t big16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

uint32_t little32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

// The start of a file, read back to the first byte afterwards.
std::vector<uint8_t> readPrefix(File& file, int64_t limit) {
    std::vector<uint8_t> bytes(size_t(std::min(file.getLength(), limit)));
    file.seek(0);
    file.read(bytes.data(), int64_t(bytes.size()));
    file.seek(0);
    return bytes;
}

// TGA has no signature, so any file named .tga reaches the library's reader,
// which trusts its header: checked here against what the file holds.
bool tgaFits(const std::vector<uint8_t>& header, int64_t length) {
    if (header.size() < 18)
        return false;
    unsigned idLength = header[0], mapType = header[1], imageType = header[2];
    unsigned mapLength = little16(&header[5]), mapEntryBits = header[7];
    unsigned width = little16(&header[12]), height = little16(&header[14]), depth = header[16];

    bool mapped = imageType == 1 || imageType == 9;
    bool truecolor = imageType == 2 || imageType == 10;
    bool gray = imageType == 3 || imageType == 11;
    if (!mapped && !truecolor && !gray)
        return false;
    if (mapType > 1 || mapped != (mapType == 1))
        return false;
    int64_t mapBytes = 0;
    if (mapType == 1) {
        if (mapLength == 0 || (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32))
            return false;
        mapBytes = int64_t(mapLength) * ((mapEntryBits + 7) / 8);
    }
    bool depthFits = mapped ? depth == 8 || depth == 16
                   : truecolor ? depth == 15 || depth == 16 || depth == 24 || depth == 32
                               : depth == 8 || depth == 16;
    if (!depthFits || width == 0 || height == 0)
        return false;

    // Uncompressed pixels are all there; run-length packets hold at most 128
    // pixels in one header byte and one pixel.
    int64_t pixels = int64_t(width) * height, pixelBytes = (depth + 7) / 8;
    bool compressed = imageType >= 9;
    int64_t pixelData = compressed ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    return 18 + idLength + mapBytes + pixelData <= length;
}

// The logical screen and the first frame, which is what the library decodes.
bool gifFits(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 13 || !sizeAllowed(little16(&bytes[6]), little16(&bytes[8])))
        return false;
    size_t at = 13;
    if (bytes[10] & 0x80)
        at += 3u << ((bytes[10] & 7) + 1);
    while (at < bytes.size()) {
        if (bytes[at] == 0x2C)
            return at + 9 <= bytes.size() && sizeAllowed(little16(&bytes[at + 5]), little16(&bytes[at + 7]));
        if (bytes[at] != 0x21 || at + 2 > bytes.size())
            return false;
        // An extension: its label, then sub-blocks up to an empty one.
        at += 2;
        while (at < bytes.size() && bytes[at] != 0)
            at += bytes[at] + 1u;
        ++at;
    }
    return false;
}

// Type 0, then width and height as numbers of 7-bit groups.
bool wbmpFits(const std::vector<uint8_t>& bytes, int64_t length) {
    size_t at = 0;
    auto number = [&](uint64_t& value) {
        value = 0;
        for (int groups = 0; at < bytes.size() && groups < 5; ++groups) {
            uint8_t byte = bytes[at++];
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    };
    uint64_t type, width, height;
    if (!number(type) || type != 0 || at >= bytes.size() || (bytes[at++] & 0x80) || !number(width) || !number(height))
        return false;
    return width > 0 && height > 0 && width <= unsigned(Image::MaxSide) && height <= unsigned(Image::MaxSide) &&
           sizeAllowed(unsigned(width), unsigned(height)) && int64_t(at + (width + 7) / 8 * height) <= length;
}

// Width and height, then the bytes the scanlines take (or their offset tables
// when run-length coded).
bool sgiFits(const std::vector<uint8_t>& bytes, int64_t length) {
    if (bytes.size() < 512 || big16(&bytes[0]) != 474)
        return false;
    unsigned width = big16(&bytes[6]), height = big16(&bytes[8]), channels = std::max<unsigned>(1, big16(&bytes[10]));
    unsigned bytesPerChannel = bytes[3];
    if (width == 0 || height == 0 || channels > 4 || (bytesPerChannel != 1 && bytesPerChannel != 2) ||
        !sizeAllowed(width, height))
        return false;
    int64_t rows = int64_t(height) * channels;
    int64_t data = bytes[2] ? rows * 8 : rows * width * bytesPerChannel;
    return 512 + data <= length;
}

bool ddsFits(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 128 && std::memcmp(bytes.data(), "DDS ", 4) == 0 &&
           little32(&bytes[16]) <= unsigned(Image::MaxSide) && little32(&bytes[12]) <= unsigned(Image::MaxSide) &&
           sizeAllowed(little32(&bytes[16]), little32(&bytes[12]));
}

// The bitmap header chunk of an IFF picture.
bool iffFits(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "FORM", 4) != 0)
        return false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size = uint32_t(bytes[at + 4]) << 24 | uint32_t(bytes[at + 5]) << 16 | uint32_t(bytes[at + 6]) << 8 |
                        bytes[at + 7];
        if (std::memcmp(&bytes[at], "BMHD", 4) == 0)
            return at + 12 <= bytes.size() && sizeAllowed(big16(&bytes[at + 8]), big16(&bytes[at + 10]));
        at += 8 + size + (size & 1);
    }
    return false;
}

// "#define name_width N" and "#define name_height N" lead the text.
bool xbmFits(const std::vector<uint8_t>& bytes, int64_t length) {
    std::string text(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 4096));
    auto number = [&](const char* key) -> int64_t {
        size_t at = text.find(key);
        if (at == std::string::npos)
            return -1;
        return std::strtoll(text.c_str() + at + std::strlen(key), nullptr, 10);
    };
    int64_t width = number("_width"), height = number("_height");
    return width > 0 && height > 0 && width <= Image::MaxSide && height <= Image::MaxSide &&
           sizeAllowed(unsigned(width), unsigned(height)) && width * height / 8 <= length;
}

// The library allocates what a header promises before reading pixels. Where
// it can read a header alone, that is asked first; for the formats where it
// cannot, the host reads the header itself. Anything else is not loaded.
enum class Promise { Fits, TooLarge, Unchecked };

Promise checkPromisedSize(FREE_IMAGE_FORMAT format, File& file) {
    int64_t length = file.getLength();
    switch (format) {
    case FIF_TARGA:
        return tgaFits(readPrefix(file, 18), length) ? Promise::Fits : Promise::TooLarge;
    case FIF_GIF:
        return gifFits(readPrefix(file, 1 << 20)) ? Promise::Fits : Promise::TooLarge;
    case FIF_WBMP:
        return wbmpFits(readPrefix(file, 64), length) ? Promise::Fits : Promise::TooLarge;
    case FIF_SGI:
        return sgiFits(readPrefix(file, 512), length) ? Promise::Fits : Promise::TooLarge;
    case FIF_DDS:
        return ddsFits(readPrefix(file, 128)) ? Promise::Fits : Promise::TooLarge;
    case FIF_IFF:
        return iffFits(readPrefix(file, 1 << 16)) ? Promise::Fits : Promise::TooLarge;
    case FIF_XBM:
        return xbmFits(readPrefix(file, 4096), length) ? Promise::Fits : Promise::TooLarge;
    case FIF_KOALA:  // always 320 x 200
        return Promise::Fits;
    default:
        return FreeImage_FIFSupportsNoPixels(format) ? Promise::Fits : Promise::Unchecked;
    }
}

// Pictures the library holds in other layouts that still convert to 8 bits a
// channel; floating-point ones do not.
bool convertibleType(FREE_IMAGE_TYPE type) {
    return type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16 || type == FIT_UINT16;
}

// The library's picture as it promised it: pixels present and rows as long as
// the width says, so that reading the scanlines stays inside them.
bool consistent(FIBITMAP* bitmap) {
    unsigned width = FreeImage_GetWidth(bitmap), height = FreeImage_GetHeight(bitmap);
    unsigned bpp = FreeImage_GetBPP(bitmap);
    return FreeImage_HasPixels(bitmap) && width > 0 && height > 0 && sizeAllowed(width, height) &&
           uint64_t(FreeImage_GetPitch(bitmap)) * 8 >= uint64_t(width) * bpp;
}

} // namespace

Image::Image(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * m_height * 4, 0) {
    installErrorReport();
}

void Image::limitLoadedPixels(int64_t maxPixels) {
    loadedPixelLimit = std::clamp<int64_t>(maxPixels, 1, MaxPixels);
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

    Promise promise = checkPromisedSize(format, *file);
    if (promise == Promise::Unchecked)
        throw Exception("No image loader: %s", path.c_str());
    if (promise == Promise::TooLarge)
        throw Exception("Error loading: %s", path.c_str());

    // A header may claim any size: read it alone first where the format
    // allows, and refuse sizes no game texture has before pixels are allocated.
    if (FreeImage_FIFSupportsNoPixels(format)) {
        Bitmap header(FreeImage_LoadFromHandle(format, &io, handle, FIF_LOAD_NOPIXELS));
        file->seek(0);
        if (header && !sizeAllowed(FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get())))
            throw Exception("Error loading: %s", path.c_str());
    }

    // Textures are converted once, so the exact DCT is worth its time.
    int flags = format == FIF_JPEG ? JPEG_ACCURATE : 0;
    Bitmap bitmap(FreeImage_LoadFromHandle(format, &io, handle, flags));
    file.reset();
    if (!bitmap || !consistent(bitmap.get()))
        throw Exception("Error loading: %s", path.c_str());
    FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap.get());
    if (!convertibleType(type))
        throw Exception("Unknown bitmap type: %s", path.c_str());
    if (type == FIT_UINT16) {
        bitmap.reset(FreeImage_ConvertTo8Bits(bitmap.get()));
        if (!bitmap)
            throw Exception("Error loading: %s", path.c_str());
    }

    unsigned bpp = FreeImage_GetBPP(bitmap.get());
    if (type != FIT_BITMAP || (bpp != 24 && bpp != 32)) {
        bitmap.reset(FreeImage_ConvertTo32Bits(bitmap.get()));
        if (!bitmap || !consistent(bitmap.get()) || FreeImage_GetBPP(bitmap.get()) != 32)
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
    // Clip to both images first: a rectangle may be far larger than either,
    // and only the pixels inside them are visited. 64 bits, so that no
    // coordinate sum overflows.
    int64_t left = std::max<int64_t>({0, -int64_t(dx), -int64_t(sx)});
    int64_t top = std::max<int64_t>({0, -int64_t(dy), -int64_t(sy)});
    int64_t right = std::min<int64_t>({w, int64_t(m_width) - dx, int64_t(source.m_width) - sx});
    int64_t bottom = std::min<int64_t>({h, int64_t(m_height) - dy, int64_t(source.m_height) - sy});
    if (left >= right || top >= bottom)
        return;
    size_t rowBytes = size_t(right - left) * 4;
    for (int64_t j = top; j < bottom; ++j)
        std::memmove(at(int(dx + left), int(dy + j)), source.at(int(sx + left), int(sy + j)), rowBytes);
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
