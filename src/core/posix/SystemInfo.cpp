#include "core/SystemInfo.h"

#include "core/Exception.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace core {

namespace {
std::string homeFolder() {
    if (const char* home = getenv("HOME"); home && *home)
        return home;
    if (passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return std::string();
}

// XDG_DOCUMENTS_DIR from the user's user-dirs.dirs, "$HOME" expanded.
std::string documentsFromUserDirs(const std::string& home) {
    const char* configHome = getenv("XDG_CONFIG_HOME");
    std::string config = configHome && *configHome ? configHome : home + "/.config";
    FILE* file = fopen((config + "/user-dirs.dirs").c_str(), "r");
    if (!file)
        return std::string();
    std::string result;
    char line[4096];
    const char key[] = "XDG_DOCUMENTS_DIR=\"";
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, key, sizeof key - 1) != 0)
            continue;
        std::string value = line + sizeof key - 1;
        value = value.substr(0, value.find('"'));
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        result = value;
    }
    fclose(file);
    return result;
}
} // namespace

OsVersion osVersion() {
    utsname name;
    OsVersion version{0, 0};
    if (uname(&name) == 0)
        sscanf(name.release, "%d.%d", &version.major, &version.minor);
    return version;
}

ProcessorInfo processorInfo() {
    ProcessorInfo info{};
    info.processorCount = static_cast<unsigned>(sysconf(_SC_NPROCESSORS_ONLN));
    info.pageSize = static_cast<unsigned>(sysconf(_SC_PAGESIZE));
    utsname name;
    if (uname(&name) == 0) {
        // The processor type numbers of the Windows system information.
        if (strcmp(name.machine, "x86_64") == 0)
            info.processorType = 8664;
        else if (strncmp(name.machine, "i", 1) == 0 && strstr(name.machine, "86"))
            info.processorType = 586;
    }
    return info;
}

MemoryStatus memoryStatus() {
    MemoryStatus status{};
    struct sysinfo info;
    if (sysinfo(&info) == 0) {
        uint64_t unit = info.mem_unit;
        status.totalPhysical = info.totalram * unit;
        status.availablePhysical = (info.freeram + info.bufferram) * unit;
        status.totalVirtual = (info.totalram + info.totalswap) * unit;
        status.availableVirtual = (info.freeram + info.bufferram + info.freeswap) * unit;
    }
    // The kernel's own estimate of what can be had without swapping.
    if (FILE* file = fopen("/proc/meminfo", "r")) {
        char line[256];
        unsigned long long kilobytes;
        while (fgets(line, sizeof line, file)) {
            if (sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1)
                status.availablePhysical = kilobytes * 1024;
        }
        fclose(file);
    }
    return status;
}

std::string documentsFolder() {
    if (const char* documents = getenv("XDG_DOCUMENTS_DIR"); documents && *documents)
        return documents;
    std::string home = homeFolder();
    if (home.empty())
        throw Exception("Could not get path for user documents folder");
    std::string fromUserDirs = documentsFromUserDirs(home);
    return fromUserDirs.empty() ? home + "/Documents" : fromUserDirs;
}

std::string userLocaleName() {
    // The C library finds the user's choice in LANG and LC_*.
    return std::string();
}

} // namespace core
