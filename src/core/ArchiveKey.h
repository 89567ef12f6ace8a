#pragma once

#include <string>

namespace core {

// The 16-byte key of the main data archive, shared by the host and the packing
// tool: four 32-bit constants laid out little-endian.
std::string mainArchiveKey();

} // namespace core
