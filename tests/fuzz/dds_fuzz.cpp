// Fuzzes the DDS parser: the input is written out as a file, parsed, and every
// level it admits is read. Host exceptions are the expected way to fail.
#include "core/Exception.h"
#include "engine/render/DDSFile.h"

#include "ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = writeScratchFile(data, size, ".dds");
    if (path.empty())
        return 0;
    try {
        engine::DDSFile file(path);
        for (int level = 0; level < file.levelCount(); ++level)
            file.readLevel(level);
    } catch (const core::Exception&) {
    }
    return 0;
}
