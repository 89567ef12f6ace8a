#include "engine/assets/ObjImporter.h"

#include "core/Exception.h"
#include "core/FileSystem.h"
#include "engine/assets/MeshGeometry.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace engine {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The working state of one import: what the lines have added so far, and
// where the reader is, for the error message.
struct ObjState {
    std::vector<Vec3> positions;
    std::vector<int32_t> indices;
    const std::string& path;
    int line = 0;

    explicit ObjState(const std::string& p) : path(p) {
        positions.reserve(8192);
        indices.reserve(8192);
    }

    [[noreturn]] void malformed() const {
        throw core::Exception("Malformed obj file: %s", (path + ":" + std::to_string(line)).c_str());
    }
};

// "v x y z": the numbers as scanf's %f reads them, up to the end of the line;
// the first one missing or unreadable leaves it and the rest at 0. The text
// goes on past the line (it ends in a zero byte), and no number runs over a
// line feed, so strtof stays on the line once the white space is skipped here.
Vec3 parsePosition(const char* p, const char* end) {
    float xyz[3] = {0, 0, 0};
    for (float& value : xyz) {
        while (p < end && isWhiteSpace(*p))
            ++p;
        if (p == end)
            break;
        char* next = nullptr;
        float number = std::strtof(p, &next);
        if (next == p)
            break;
        value = number;
        p = next;
    }
    return {xyz[0], xyz[1], xyz[2]};
}

// An optionally signed decimal number at p, held far from the int range's
// ends so that long runs of digits cannot overflow (the caller only compares
// it with the position count). False when p holds no digit.
bool readIndex(const char*& p, const char* end, int64_t& value) {
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    if (p == end || !isDigit(*p))
        return false;
    value = 0;
    for (; p < end && isDigit(*p); ++p)
        value = std::min<int64_t>(value * 10 + (*p - '0'), int64_t(1) << 40);
    if (negative)
        value = -value;
    return true;
}

// "f c1 c2 c3 ...": corners separated by spaces or tabs, each "v", "v/vt",
// "v//vn" or "v/vt/vn"; only the position number v is used. Positive numbers
// count from 1, negative ones back from the last position read. The polygon
// is fanned from its first corner.
void parseFace(ObjState& state, const char* p, const char* end) {
    const int64_t known = int64_t(state.positions.size());
    int32_t first = 0, previous = 0;
    int corners = 0;
    for (;;) {
        while (p < end && isBlank(*p))
            ++p;
        if (p == end)
            break;
        int64_t number = 0;
        if (!readIndex(p, end, number))
            state.malformed();
        // Texture and normal numbers: checked for form, not used.
        for (int part = 0; part < 2 && p < end && *p == '/'; ++part) {
            ++p;
            int64_t unused = 0;
            if (p < end && *p != '/' && !isBlank(*p) && !readIndex(p, end, unused))
                state.malformed();
        }
        if (p < end && !isBlank(*p))
            state.malformed();
        int64_t index = number > 0 ? number - 1 : known + number;
        if (number == 0 || index < 0 || index >= known)
            state.malformed();
        int32_t corner = int32_t(index);
        if (corners == 0) {
            first = corner;
        } else if (corners >= 2) {
            if (state.indices.size() > size_t(INT_MAX) - 3)
                state.malformed();
            state.indices.push_back(first);
            state.indices.push_back(previous);
            state.indices.push_back(corner);
        }
        previous = corner;
        ++corners;
    }
    if (corners < 3)
        state.malformed();
}

} // namespace

std::unique_ptr<Mesh> parseObjMesh(const std::string& text, const std::string& path) {
    ObjState state(path);
    const char* p = text.c_str();
    const char* textEnd = p + text.size();
    while (p < textEnd) {
        const char* end = static_cast<const char*>(std::memchr(p, '\n', size_t(textEnd - p)));
        if (!end)
            end = textEnd;
        ++state.line;
        // Line ends written as CR LF, and blanks after the last item.
        const char* last = end;
        while (last > p && (isBlank(last[-1]) || last[-1] == '\r'))
            --last;
        // "v" and a blank is a position even when no number follows: (0, 0, 0).
        if (end - p >= 2 && p[0] == 'v' && isBlank(p[1])) {
            if (state.positions.size() >= size_t(INT_MAX))
                state.malformed();
            state.positions.push_back(parsePosition(p + 1, last));
        } else if (p < last && p[0] == 'f' && (last - p == 1 || isBlank(p[1]))) {
            parseFace(state, p + 1, last);
        }
        p = end + 1;
    }

    auto mesh = std::make_unique<Mesh>(int(state.positions.size()));
    std::vector<uint8_t> bytes(state.positions.size() * sizeof(Vec3));
    if (!bytes.empty())
        std::memcpy(bytes.data(), state.positions.data(), bytes.size());
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, std::move(bytes));
    int32_t triangles = int32_t(state.indices.size() / 3);
    mesh->setIndices(std::move(state.indices));
    mesh->addSegment().count = triangles;
    computeVertexNormals(*mesh);
    return mesh;
}

std::unique_ptr<Mesh> readObjMesh(const std::string& path) {
    return parseObjMesh(core::readFile(path), path);
}

} // namespace engine
