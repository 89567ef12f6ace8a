#include "core/InflateWhole.h"

#ifdef QUILL_HAS_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

#include <memory>

namespace core {

#ifdef QUILL_HAS_LIBDEFLATE

namespace {
struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};
} // namespace

// libdeflate decodes a whole buffer at about twice zlib's speed; its state is
// kept per thread, as allocating it costs more than inflating a small entry.
InflateStatus inflateWhole(const uint8_t* stream, size_t streamSize, uint8_t* out, size_t outSize) {
    thread_local std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor)
        return InflateStatus::MemoryError;
    // A zero-length output still needs somewhere to point.
    uint8_t spare;
    size_t produced = 0;
    libdeflate_result result =
        libdeflate_zlib_decompress(decompressor.get(), stream, streamSize, outSize ? out : &spare, outSize, &produced);
    switch (result) {
    case LIBDEFLATE_SUCCESS:
        return produced == outSize ? InflateStatus::Ok : InflateStatus::DataError;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        return InflateStatus::BufferError;
    default:
        return InflateStatus::DataError;
    }
}

#else

namespace {
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
    InflateStatus run(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
        if (!m_ready || inflateReset(&m_stream) != Z_OK)
            return InflateStatus::MemoryError;
        m_stream.next_in = const_cast<Bytef*>(in);
        m_stream.avail_in = static_cast<uInt>(inSize);
        m_stream.next_out = out;
        m_stream.avail_out = static_cast<uInt>(outSize);
        int status = inflate(&m_stream, Z_FINISH);
        if (status == Z_STREAM_END)
            return m_stream.total_out == outSize ? InflateStatus::Ok : InflateStatus::DataError;
        if (status == Z_MEM_ERROR)
            return InflateStatus::MemoryError;
        if (status == Z_NEED_DICT || status == Z_DATA_ERROR || (status == Z_BUF_ERROR && m_stream.avail_out > 0))
            return InflateStatus::DataError;  // corrupt, or the input ended before the stream did
        return InflateStatus::BufferError;
    }

private:
    z_stream m_stream{};
    bool m_ready;
};
} // namespace

InflateStatus inflateWhole(const uint8_t* stream, size_t streamSize, uint8_t* out, size_t outSize) {
    thread_local Inflater inflater;
    uint8_t spare;
    return inflater.run(stream, streamSize, outSize ? out : &spare, outSize);
}

#endif

} // namespace core
