#pragma once

#include <string>

namespace core {

// The named keys and their virtual-key codes, shared by key events and the
// scripts' key polling.
struct KeyName {
    const char* name;
    int code;
};

// Key codes index the 512-entry key state arrays after masking.
constexpr int KeyStateCount = 512;
constexpr int KeyStateMask = 511;

constexpr int KeyControl = 17;
constexpr int KeyAlt = 18;
constexpr int KeyF10 = 121;

// The 91 entries in table order.
const KeyName* keyTable();
int keyTableSize();

// The empty name gives 0, a table name its code (first match), anything else
// the code of its first character made upper case ("a" gives 65).
int keyCodeFromName(const std::string& name);

// The first table name with that code, or null.
const char* keyNameFromCode(int code);

} // namespace core
