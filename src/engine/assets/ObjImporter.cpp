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

// The working state of one import: what the lines have added so far, and
// the corners of the face line being read (kept to spare an allocation per line).
struct ObjState {
    std::vector<Vec3> positions;
    std::vector<int32_t> indices;
    std::vector<int64_t> firstNumbers;
    std::vector<int64_t> groupCorners;
    const std::string& path;

    explicit ObjState(const std::string& p) : path(p) {
        positions.reserve(8192);
        indices.reserve(8192);
    }

    [[noreturn]] void malformed() const { throw core::Exception("Malformed obj file: %s", path.c_str()); }
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

// One piece of a face line as atoi reads it (leading white space, a sign,
// decimal digits, 0 for no number), held far from the int range's ends so
// that long runs of digits cannot overflow; the caller only compares it with
// the position count.
int64_t pieceValue(const char* p, const char* end) {
    while (p < end && isWhiteSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    int64_t value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        value = std::min<int64_t>(value * 10 + (*p - '0'), int64_t(1) << 40);
    return negative ? -value : value;
}

// "f ...": cut at spaces, slashes and the line's end (a tab is no
// separator); an empty piece counts as -1. Up to three numbers are the
// corners themselves; more are groups of three whose first numbers are the
// corners. Each corner must name a position already read; the face is fanned
// from its first corner.
void parseFace(ObjState& state, const char* p, const char* end) {
    while (p < end && isBlank(*p))
        ++p;
    state.firstNumbers.clear();
    state.groupCorners.clear();
    int64_t count = 0;
    for (;;) {
        const char* start = p;
        while (p < end && *p != ' ' && *p != '/')
            ++p;
        int64_t value = p == start ? -1 : pieceValue(start, p);
        if (count < 3)
            state.firstNumbers.push_back(value);
        if (count % 3 == 0)
            state.groupCorners.push_back(value);
        ++count;
        if (p == end)
            break;
        ++p;
    }
    const std::vector<int64_t>& corners = count <= 3 ? state.firstNumbers : state.groupCorners;
    if (corners.size() < 3)
        state.malformed();
    auto position = [&](int64_t number) {
        int64_t index = number - 1;
        if (index < 0 || index >= int64_t(state.positions.size()))
            state.malformed();
        return int32_t(index);
    };
    int32_t first = position(corners[0]);
    int32_t previous = position(corners[1]);
    for (size_t k = 2; k < corners.size(); ++k) {
        int32_t next = position(corners[k]);
        state.indices.insert(state.indices.end(), {first, previous, next});
        previous = next;
    }
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
        if (end - p >= 2 && p[0] == 'v' && isBlank(p[1]))
            state.positions.push_back(parsePosition(p + 1, end));
        else if (p < end && p[0] == 'f')
            parseFace(state, p + 1, end);
        p = end + 1;
    }
    if (state.positions.size() > size_t(INT_MAX))
        state.malformed();

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
