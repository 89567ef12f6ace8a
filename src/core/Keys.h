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

// The code a script names a key by: a table name in any letter case ("up",
// "UP", "a" and "A" alike), or the "key-%d" name that key events give keys
// without a table name. -1 when the name names no key.
int findKeyCode(const std::string& name);

// The first table name with that code, or null.
const char* keyNameFromCode(int code);

} // namespace core
