// Fuzzes image loading through the file systems: the first byte chooses the
// file name's extension (the format when the content names none), the rest is
// the file; a picture that loads is halved once. Host exceptions are the
// expected way to fail. Pictures are limited to 4 Mpixels, as a host short of
// memory would limit them, so that the run stays small.
#include "core/Exception.h"
#include "core/Image.h"

#include "ScratchFile.h"

namespace {

// One name of every format the library reads.
const char* const kExtensions[] = {".tga", ".bmp", ".png", ".jpg", ".gif", ".ico", ".pcx", ".psd", ".tif",
                                   ".wbmp", ".koa", ".xbm", ".xpm", ".pct", ".sgi", ".ras", ".iff", ".hdr",
                                   ".dds", ".cut", ".pbm", ".pgm", ".ppm", ".pfm", ".pcd", ".jng", ".mng",
                                   ".exr", ".j2k", ".jp2", ".webp", ".jxr", ".raw"};
constexpr size_t kExtensionCount = sizeof kExtensions / sizeof kExtensions[0];

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    core::Image::limitLoadedPixels(int64_t(1) << 22);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::string path = writeScratchFile(data + 1, size - 1, kExtensions[data[0] % kExtensionCount]);
    if (path.empty())
        return 0;
    try {
        core::Image image = core::Image::load(path);
        image.halve();
    } catch (const core::Exception&) {
    }
    return 0;
}
