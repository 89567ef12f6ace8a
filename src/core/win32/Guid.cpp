#include "core/Desktop.h"
#include "core/Exception.h"

#include <cstdio>
#include <objbase.h>

namespace core {

std::string createGuid() {
    GUID guid;
    if (CoCreateGuid(&guid) != S_OK)
        throw Exception("CoCreateGuid failed");
    char text[37];
    snprintf(text, sizeof text, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
             guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

} // namespace core
