#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The compressed form shared by the archive and the scripts: the content's
// length as 4 little-endian bytes, then a zlib stream of the content.
namespace core {

// Compresses at zlib's default level. Throws core::Exception with zlib's
// reason on failure.
std::string compress(const void* data, size_t size);

// The content length a compressed form announces; false when it is too short
// to hold the 4-byte header.
bool compressedLength(const void* data, size_t size, uint32_t& length);

// Inflates a zlib stream into exactly length bytes at out. A stream that does
// not fill them, overflows them, or cannot possibly expand to that many bytes
// throws core::Exception with the zlib message; nothing is allocated here.
void inflateExactly(const void* stream, size_t streamSize, uint8_t* out, size_t length);

// Whether a zlib stream of streamSize bytes could inflate to length bytes at
// all; lets callers refuse an absurd length before allocating it.
bool plausibleInflatedLength(size_t streamSize, uint64_t length);

// The content of a compressed form. Throws the zlib messages, including for a
// form shorter than its header.
std::string uncompress(const void* data, size_t size);

// The same into a buffer that is not cleared first, for callers that copy the
// content on at once; length receives its size.
std::unique_ptr<uint8_t[]> uncompressBytes(const void* data, size_t size, uint32_t& length);

} // namespace core
