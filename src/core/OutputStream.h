#pragma once

#include "core/ByteOrder.h"

#include <cstdint>
#include <string>

namespace core {

// Typed writes into a sink of bytes, in the byte order given at construction.
class OutputStream {
public:
    explicit OutputStream(ByteOrder order) : m_swap(needsSwap(order)) {}
    virtual ~OutputStream() = default;

    virtual int64_t getPosition() = 0;
    virtual void seek(int64_t position) = 0;
    virtual const std::string& getFilename() const = 0;
    virtual void writeBytes(const void* buffer, int64_t count) = 0;

    virtual void writeByte(uint8_t value) { writeBytes(&value, 1); }
    virtual void writeShort(uint16_t value) { writeValue(value); }
    virtual void writeInt(uint32_t value) { writeValue(value); }
    virtual void writeFloat(float value) { writeValue(value); }
    virtual void writeDouble(double value) { writeValue(value); }
    virtual void writeBool(bool value) { writeByte(value ? 1 : 0); }

    void writeSignedByte(int8_t value) { writeByte(static_cast<uint8_t>(value)); }
    void writeSignedShort(int16_t value) { writeShort(static_cast<uint16_t>(value)); }
    void writeSignedInt(int32_t value) { writeInt(static_cast<uint32_t>(value)); }

    // Its length as a signed 32-bit value, then its bytes, no terminator.
    void writeString(const std::string& text);
    void writeString(const char* text);
    // Rows of floats, laid out as InputStream::readFloats reads them.
    void writeFloats(const float* values, int count);
    // An array of signed 32-bit values, in one write when no byte needs swapping.
    void writeSignedInts(const int32_t* values, size_t count);

protected:
    template <class T>
    void writeValue(T value) {
        if (m_swap)
            swapBytes(&value, sizeof value);
        writeBytes(&value, sizeof value);
    }

    bool m_swap;
};

} // namespace core
