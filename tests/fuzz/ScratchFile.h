#pragma once

// The parsers under fuzzing read files, so each input is written to one
// scratch file per process first.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// Writes the input to the process's scratch file with the given extension;
// returns its path, or "" when it cannot be written.
inline std::string writeScratchFile(const uint8_t* data, size_t size, const char* extension) {
    std::string path = "/tmp/quill-fuzz-" + std::to_string(getpid()) + extension;
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return std::string();
    bool written = fwrite(data, 1, size, out) == size;
    written = fclose(out) == 0 && written;
    return written ? path : std::string();
}
