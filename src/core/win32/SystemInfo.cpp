// The machine as the error log and sys describe it.
#include "core/SystemInfo.h"

#include "core/Exception.h"
#include "core/win32/WideText.h"

#include <windows.h>

#include <shlobj.h>

namespace core {

OsVersion osVersion() {
    // GetVersionEx answers with the version a program's manifest names, not
    // the one that runs: ask the kernel instead.
    using GetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto getVersion = ntdll ? reinterpret_cast<GetVersionFunction>(
                                  reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                            : nullptr;
    if (!getVersion || getVersion(&info) != 0)
        return {0, 0};
    return {static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion)};
}

ProcessorInfo processorInfo() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return {info.dwOemId, info.dwNumberOfProcessors, info.dwPageSize, info.dwProcessorType};
}

MemoryStatus memoryStatus() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return {};
    return {status.ullTotalPhys, status.ullAvailPhys, status.ullTotalVirtual, status.ullAvailVirtual};
}

std::string documentsFolder() {
    wchar_t path[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw Exception("Could not get path for user documents folder");
    return win32::narrow(path);
}

std::vector<DisplayDevice> displayDevices() {
    std::vector<DisplayDevice> devices;
    DISPLAY_DEVICEW device{};
    device.cb = sizeof device;
    for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i)
        devices.push_back({win32::narrow(device.DeviceName), win32::narrow(device.DeviceString), device.StateFlags});
    return devices;
}

std::string userLocaleName() {
    // The name goes to the C runtime, which reads it in the ANSI code page.
    auto localeText = [](LCTYPE type) {
        char text[1024];
        return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) > 0 ? std::string(text) : std::string();
    };
    std::string name = localeText(LOCALE_SENGLANGUAGE);
    std::string country = localeText(LOCALE_SENGCOUNTRY);
    if (!country.empty())
        name += "_" + country;
    name += "." + std::to_string(GetACP());
    return name;
}

} // namespace core
