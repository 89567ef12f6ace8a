#pragma once

// Builds LightWave object files byte by byte for tests and fuzz seeds:
// big-endian values, and chunks whose lengths are filled in when they close.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class LwoWriter {
public:
    struct Point {
        float x, y, z;
    };

    // Opens the FORM, typed LWO2 unless told otherwise.
    explicit LwoWriter(const char* type = "LWO2") { chunk("FORM").id(type); }

    LwoWriter& id(const char* name) {
        m_bytes.append(name, 4);
        return *this;
    }
    LwoWriter& u2(uint16_t value) {
        m_bytes.push_back(char(value >> 8));
        m_bytes.push_back(char(value));
        return *this;
    }
    LwoWriter& u4(uint32_t value) {
        u2(uint16_t(value >> 16));
        return u2(uint16_t(value));
    }
    LwoWriter& f4(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return u4(bits);
    }
    // The short form below 0xFF00, else 0xFF and three bytes; long = true
    // takes the long form for any index.
    LwoWriter& vx(uint32_t index, bool longForm = false) {
        if (index < 0xFF00 && !longForm)
            return u2(uint16_t(index));
        m_bytes.push_back(char(0xFF));
        m_bytes.push_back(char(index >> 16));
        return u2(uint16_t(index));
    }
    LwoWriter& s0(const std::string& text) {
        m_bytes.append(text);
        m_bytes.push_back(0);
        if (text.size() % 2 == 0)
            m_bytes.push_back(0);
        return *this;
    }
    LwoWriter& raw(const std::string& bytes) {
        m_bytes.append(bytes);
        return *this;
    }

    // A top-level chunk (four-byte length) or a sub-chunk (two-byte length),
    // open until end().
    LwoWriter& chunk(const char* name) { return open(name, 4); }
    LwoWriter& sub(const char* name) { return open(name, 2); }
    LwoWriter& end() {
        Open last = m_open.back();
        m_open.pop_back();
        size_t length = m_bytes.size() - last.start - size_t(last.lengthSize);
        for (int i = 0; i < last.lengthSize; ++i)
            m_bytes[last.start + size_t(i)] = char(length >> (8 * (last.lengthSize - 1 - i)));
        return *this;
    }

    // Common chunks.
    LwoWriter& layer(uint16_t number) { return chunk("LAYR").u2(number).u2(0).f4(0).f4(0).f4(0).s0("").end(); }
    LwoWriter& points(const std::vector<Point>& points) {
        chunk("PNTS");
        for (const Point& p : points)
            f4(p.x).f4(p.y).f4(p.z);
        return end();
    }
    LwoWriter& polygons(const std::vector<std::vector<uint32_t>>& polygons, const char* type = "FACE") {
        chunk("POLS").id(type);
        for (const auto& corners : polygons) {
            u2(uint16_t(corners.size()));
            for (uint32_t corner : corners)
                vx(corner);
        }
        return end();
    }

    // The whole file, with every open chunk closed.
    std::string bytes() {
        while (!m_open.empty())
            end();
        return m_bytes;
    }

private:
    struct Open {
        size_t start;  // of the length field
        int lengthSize;
    };

    LwoWriter& open(const char* name, int lengthSize) {
        id(name);
        m_open.push_back({m_bytes.size(), lengthSize});
        m_bytes.append(size_t(lengthSize), '\0');
        return *this;
    }

    std::string m_bytes;
    std::vector<Open> m_open;
};
