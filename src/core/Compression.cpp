#include "core/Compression.h"

#include "core/ByteOrder.h"
#include "core/Exception.h"
#include "core/InflateWhole.h"

#include <zlib.h>

#include <cstring>

namespace core {

namespace {
const char* const DataError = "corrupted or incomplete data (Z_DATA_ERROR)";

[[noreturn]] void throwInflateError(InflateStatus status) {
    switch (status) {
    case InflateStatus::MemoryError:
        throw Exception("out of memory (Z_MEM_ERROR)");
    case InflateStatus::BufferError:
        throw Exception("not enough room in the output buffer (Z_BUF_ERROR)");
    default:
        throw Exception("%s", DataError);
    }
}
} // namespace

std::string compress(const void* data, size_t size) {
    uLongf bound = compressBound(static_cast<uLong>(size));
    std::string out(4 + bound, '\0');
    auto* bytes = reinterpret_cast<uint8_t*>(out.data());
    writeLittleEndian32(bytes, static_cast<uint32_t>(size));
    int status = compress2(bytes + 4, &bound, static_cast<const Bytef*>(data), static_cast<uLong>(size),
                           Z_DEFAULT_COMPRESSION);
    switch (status) {
    case Z_OK:
        break;
    case Z_BUF_ERROR:
        throw Exception("not enough room in the output buffer (Z_BUF_ERROR)");
    case Z_MEM_ERROR:
        throw Exception("out of memory (Z_MEM_ERROR)");
    default:
        throw Exception("unspecified error in compress()");
    }
    out.resize(4 + bound);
    return out;
}

bool compressedLength(const void* data, size_t size, uint32_t& length) {
    if (size < 4)
        return false;
    length = readLittleEndian32(static_cast<const uint8_t*>(data));
    return true;
}

bool plausibleInflatedLength(size_t streamSize, uint64_t length) {
    // Deflate cannot expand by more than 1032:1 (a 258-byte match in two bits);
    // the slack covers the zlib header and a final partial block.
    return length <= static_cast<uint64_t>(streamSize) * 1032 + 1024;
}

void inflateExactly(const void* stream, size_t streamSize, uint8_t* out, size_t length) {
    if (!plausibleInflatedLength(streamSize, length))
        throw Exception("%s", DataError);
    // Streams and contents beyond 4 GiB cannot occur: archive lengths are 32-bit.
    if (streamSize > UINT32_MAX || length > UINT32_MAX)
        throw Exception("%s", DataError);
    InflateStatus status = inflateWhole(static_cast<const uint8_t*>(stream), streamSize, out, length);
    if (status != InflateStatus::Ok)
        throwInflateError(status);
}

namespace {
// The length the compressed form announces, refused unless its stream could
// possibly expand to it.
uint32_t checkedLength(const void* data, size_t size) {
    uint32_t length;
    if (!compressedLength(data, size, length) || !plausibleInflatedLength(size - 4, length))
        throw Exception("%s", DataError);
    return length;
}
} // namespace

std::string uncompress(const void* data, size_t size) {
    uint32_t length = checkedLength(data, size);
    std::string out(length, '\0');
    inflateExactly(static_cast<const uint8_t*>(data) + 4, size - 4, reinterpret_cast<uint8_t*>(out.data()), length);
    return out;
}

std::unique_ptr<uint8_t[]> uncompressBytes(const void* data, size_t size, uint32_t& length) {
    length = checkedLength(data, size);
    std::unique_ptr<uint8_t[]> out(new uint8_t[length ? length : 1]);
    inflateExactly(static_cast<const uint8_t*>(data) + 4, size - 4, out.get(), length);
    return out;
}

} // namespace core
