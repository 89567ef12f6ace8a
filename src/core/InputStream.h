#pragma once

#include "core/ByteOrder.h"

#include <cstdint>
#include <string>

namespace core {

// Typed reads over a source of bytes, in the byte order given at construction.
// The typed reads are written once here on top of readBytes; a stream may
// replace the six basic ones with faster versions of its own.
class InputStream {
public:
    explicit InputStream(ByteOrder order) : m_swap(needsSwap(order)) {}
    virtual ~InputStream() = default;

    virtual int64_t availableBytes() = 0;
    // Reads exactly count bytes or throws. A negative count, or one that reaches
    // past the end, throws before the buffer is touched.
    virtual void readBytes(void* buffer, int64_t count) = 0;
    virtual void skip(int64_t delta) = 0;
    virtual int64_t getPosition() = 0;
    virtual void seek(int64_t position) = 0;
    virtual const std::string& getFilename() const = 0;

    virtual uint8_t readByte() { return readValue<uint8_t>(); }
    virtual uint16_t readShort() { return readValue<uint16_t>(); }
    virtual uint32_t readInt() { return readValue<uint32_t>(); }
    virtual float readFloat() { return readValue<float>(); }
    virtual double readDouble() { return readValue<double>(); }
    virtual bool readBool() { return readByte() != 0; }

    int8_t readSignedByte() { return static_cast<int8_t>(readByte()); }
    int16_t readSignedShort() { return static_cast<int16_t>(readShort()); }
    int32_t readSignedInt() { return static_cast<int32_t>(readInt()); }

    // count bytes as a string; the count is checked before anything is allocated.
    std::string readByteString(int64_t count);
    // A signed 32-bit length, then that many bytes; the text ends at the first
    // zero byte if one occurs.
    std::string readString();
    // Rows of floats: the vector, quaternion and matrix types are read as 2
    // (Vec2), 3 (Vec3), 4 (Vec4, Quat x y z w), 9 (Mat3), 12 (Mat4x3: the 3x3
    // rows then the translation) or 16 (Mat4) floats.
    void readFloats(float* values, int count);

protected:
    template <class T>
    T readValue() {
        T value;
        readBytes(&value, sizeof value);
        if (m_swap)
            swapBytes(&value, sizeof value);
        return value;
    }

    bool m_swap;
};

} // namespace core
