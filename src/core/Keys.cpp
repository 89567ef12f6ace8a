#include "core/Keys.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace core {

namespace {
const KeyName Keys[] = {
    {"backspace", 8},
    {"tab", 9},
    {"enter", 13},
    {"shift", 16},
    {"control", 17},
    {"alt", 18},
    {"pause", 19},
    {"caps_lock", 20},
    {"escape", 27},
    {"space", 32},
    {"page_up", 33},
    {"page_down", 34},
    {"end", 35},
    {"home", 36},
    {"left", 37},
    {"up", 38},
    {"right", 39},
    {"down", 40},
    {"insert", 45},
    {"delete", 46},
    {"0", 48}, {"1", 49}, {"2", 50}, {"3", 51}, {"4", 52},
    {"5", 53}, {"6", 54}, {"7", 55}, {"8", 56}, {"9", 57},
    {"A", 65}, {"B", 66}, {"C", 67}, {"D", 68}, {"E", 69}, {"F", 70}, {"G", 71},
    {"H", 72}, {"I", 73}, {"J", 74}, {"K", 75}, {"L", 76}, {"M", 77}, {"N", 78},
    {"O", 79}, {"P", 80}, {"Q", 81}, {"R", 82}, {"S", 83}, {"T", 84}, {"U", 85},
    {"V", 86}, {"W", 87}, {"X", 88}, {"Y", 89}, {"Z", 90},
    {"left_win", 91},
    {"right_win", 92},
    {"application", 93},
    {"numpad_0", 96}, {"numpad_1", 97}, {"numpad_2", 98}, {"numpad_3", 99}, {"numpad_4", 100},
    {"numpad_5", 101}, {"numpad_6", 102}, {"numpad_7", 103}, {"numpad_8", 104}, {"numpad_9", 105},
    {"numpad_multiply", 106},
    {"numpad_plus", 107},
    {"numpad_minus", 109},
    {"numpad_decimal", 110},
    {"numpad_divide", 111},
    {"f1", 112}, {"f2", 113}, {"f3", 114}, {"f4", 115}, {"f5", 116}, {"f6", 117},
    {"f7", 118}, {"f8", 119}, {"f9", 120}, {"f10", 121}, {"f11", 122}, {"f12", 123},
    {"scroll_lock", 145},
    {"+", 187},
    {",", 188},
    {"-", 189},
    {".", 190},
};

bool sameIgnoringCase(const std::string& a, const char* b) {
    size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}
} // namespace

const KeyName* keyTable() {
    return Keys;
}

int keyTableSize() {
    return static_cast<int>(sizeof Keys / sizeof Keys[0]);
}

int findKeyCode(const std::string& name) {
    for (const KeyName& key : Keys) {
        if (sameIgnoringCase(name, key.name))
            return key.code;
    }
    const std::string prefix = "key-";
    std::string digits = name.substr(std::min(name.size(), prefix.size()));
    if (name.compare(0, prefix.size(), prefix) != 0 || digits.empty() || digits.size() > 3)
        return -1;
    int code = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        code = code * 10 + (c - '0');
    }
    return code < KeyStateCount ? code : -1;
}

const char* keyNameFromCode(int code) {
    for (const KeyName& key : Keys) {
        if (key.code == code)
            return key.name;
    }
    return nullptr;
}

} // namespace core
