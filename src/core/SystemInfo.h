#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the host asks of the machine: for the error log, sys and the dialogs.
// Implemented per platform (core/posix/, core/sdl/).
namespace core {

struct OsVersion {
    int major;
    int minor;
};
OsVersion osVersion();

struct ProcessorInfo {
    unsigned oemId;
    unsigned processorCount;
    unsigned pageSize;
    unsigned processorType;
};
ProcessorInfo processorInfo();

struct MemoryStatus {
    uint64_t totalPhysical;
    uint64_t availablePhysical;
    uint64_t totalVirtual;
    uint64_t availableVirtual;
};
MemoryStatus memoryStatus();

// The user's documents folder; throws when there is none.
std::string documentsFolder();

struct DisplayDevice {
    std::string name;
    std::string description;
    uint32_t stateFlags;
};
// The display adapters, empty when no display can be reached.
std::vector<DisplayDevice> displayDevices();

// The runtime locale name of the user's language and country; "" asks the
// runtime for the user's choice from the environment.
std::string userLocaleName();

} // namespace core
