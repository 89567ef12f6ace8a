#pragma once

#include "core/FileSystem.h"

namespace core {

// A file time that scripts can hold and compare.
struct FileDate {
    FileTime time = 0;

    static constexpr uint64_t UnixEpochSeconds = 11644473600ull;
    static FileDate fromUnixTime(int64_t seconds) {
        return {static_cast<FileTime>((seconds + static_cast<int64_t>(UnixEpochSeconds)) * 10000000)};
    }
    int64_t toUnixTime() const { return static_cast<int64_t>(time / 10000000) - static_cast<int64_t>(UnixEpochSeconds); }
};

} // namespace core
