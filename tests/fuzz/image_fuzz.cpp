// Fuzzes image loading through the file systems: the input is written out as a
// file and loaded; a picture that loads is halved once. Host exceptions are the
// expected way to fail.
#include "core/Exception.h"
#include "core/Image.h"

#include "ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The name's extension is the fallback when the content names no format.
    std::string path = writeScratchFile(data, size, ".tga");
    if (path.empty())
        return 0;
    try {
        core::Image image = core::Image::load(path);
        if (image.getWidth() < 4096 && image.getHeight() < 4096)
            image.halve();
    } catch (const core::Exception&) {
    }
    return 0;
}
