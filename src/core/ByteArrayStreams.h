#pragma once

#include "core/InputStream.h"
#include "core/OutputStream.h"

#include <cstring>
#include <memory>
#include <vector>

namespace core {

// Reads bytes in memory: a copy it owns, or the caller's bytes in place (which
// must then outlive the stream).
class ByteArrayInputStream : public InputStream {
public:
    ByteArrayInputStream(const void* data, int64_t length, bool copy, ByteOrder order = ByteOrder::Default);

    int64_t availableBytes() override { return m_length - (m_cursor - m_start); }
    void readBytes(void* buffer, int64_t count) override;
    void skip(int64_t delta) override { seek(getPosition() + delta); }
    int64_t getPosition() override { return m_cursor - m_start; }
    void seek(int64_t position) override;
    const std::string& getFilename() const override;

    uint8_t readByte() override { return take<uint8_t>(); }
    uint16_t readShort() override { return take<uint16_t>(); }
    uint32_t readInt() override { return take<uint32_t>(); }
    float readFloat() override { return take<float>(); }
    double readDouble() override { return take<double>(); }
    bool readBool() override { return take<uint8_t>() != 0; }

private:
    template <class T>
    T take() {
        if (availableBytes() < static_cast<int64_t>(sizeof(T)))
            throwNotEnough();
        T value;
        memcpy(&value, m_cursor, sizeof value);
        m_cursor += sizeof value;
        if (m_swap)
            swapBytes(&value, sizeof value);
        return value;
    }
    [[noreturn]] static void throwNotEnough();

    std::unique_ptr<uint8_t[]> m_owned;
    const uint8_t* m_start;
    const uint8_t* m_cursor;
    int64_t m_length;
};

// Writes into a byte array that grows by half its capacity at a time.
class ByteArrayOutputStream : public OutputStream {
public:
    explicit ByteArrayOutputStream(ByteOrder order = ByteOrder::Default) : OutputStream(order) {}

    int64_t getPosition() override { return static_cast<int64_t>(m_cursor); }
    void seek(int64_t position) override;
    const std::string& getFilename() const override;
    void writeBytes(const void* buffer, int64_t count) override;

    // Everything written, whatever the cursor.
    const uint8_t* data() const { return m_data.data(); }
    size_t size() const { return m_data.size(); }

private:
    std::vector<uint8_t> m_data;
    size_t m_cursor = 0;
};

} // namespace core
