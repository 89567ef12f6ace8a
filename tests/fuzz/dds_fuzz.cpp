// Fuzzes the DDS parser: the input is written out as a file, parsed, and every
// level it admits is read. Host exceptions are the expected way to fail.
#include "core/Exception.h"
#include "engine/render/DDSFile.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/quill-dds-fuzz-" + std::to_string(getpid()) + ".dds";
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return 0;
    fwrite(data, 1, size, out);
    fclose(out);
    try {
        engine::DDSFile file(path);
        for (int level = 0; level < file.levelCount(); ++level)
            file.readLevel(level);
    } catch (const core::Exception&) {
    }
    return 0;
}
