#include "core/Compression.h"

#include "core/ByteOrder.h"
#include "core/Exception.h"

#include <zlib.h>

#include <cstring>

namespace core {

namespace {
const char* const DataError = "corrupted or incomplete data (Z_DATA_ERROR)";

[[noreturn]] void throwInflateError(int status) {
    switch (status) {
    case Z_MEM_ERROR:
        throw Exception("out of memory (Z_MEM_ERROR)");
    case Z_BUF_ERROR:
        throw Exception("not enough room in the output buffer (Z_BUF_ERROR)");
    case Z_DATA_ERROR:
        throw Exception("%s", DataError);
    default:
        throw Exception("unspecified error in uncompress()");
    }
}
// One inflate state per thread, reset between streams: setting one up and
// freeing its window for every small entry costs more than inflating it.
class Inflater {
public:
    Inflater() { m_ready = inflateInit(&m_stream) == Z_OK; }
    ~Inflater() {
        if (m_ready)
            inflateEnd(&m_stream);
    }

    // zlib's one-shot uncompress(), on the kept state.
    int run(const uint8_t* in, size_t inSize, uint8_t* out, size_t& outSize) {
        if (!m_ready || inflateReset(&m_stream) != Z_OK)
            return Z_MEM_ERROR;
        m_stream.next_in = const_cast<Bytef*>(in);
        m_stream.avail_in = static_cast<uInt>(inSize);
        m_stream.next_out = out;
        m_stream.avail_out = static_cast<uInt>(outSize);
        int status = inflate(&m_stream, Z_FINISH);
        outSize = m_stream.total_out;
        if (status == Z_STREAM_END)
            return Z_OK;
        if (status == Z_NEED_DICT || (status == Z_BUF_ERROR && m_stream.avail_out > 0))
            return Z_DATA_ERROR;  // the input ended before the stream did
        return status == Z_OK ? Z_BUF_ERROR : status;
    }

private:
    z_stream m_stream{};
    bool m_ready;
};
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
    thread_local Inflater inflater;
    uint8_t spare;
    size_t produced = length;
    int status = inflater.run(static_cast<const uint8_t*>(stream), streamSize, length ? out : &spare, produced);
    if (status != Z_OK)
        throwInflateError(status);
    // A stream that ends early would leave the tail of the buffer unwritten.
    if (produced != length)
        throw Exception("%s", DataError);
}

std::string uncompress(const void* data, size_t size) {
    uint32_t length;
    if (!compressedLength(data, size, length))
        throw Exception("%s", DataError);
    const uint8_t* stream = static_cast<const uint8_t*>(data) + 4;
    if (!plausibleInflatedLength(size - 4, length))
        throw Exception("%s", DataError);
    std::string out(length, '\0');
    inflateExactly(stream, size - 4, reinterpret_cast<uint8_t*>(out.data()), length);
    return out;
}

} // namespace core
