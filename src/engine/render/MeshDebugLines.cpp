#include "engine/render/MeshDebugLines.h"

#include "engine/draw/DebugDraw.h"

#include <cstring>

namespace engine {

namespace {

Vec3 readVec3(const uint8_t* vertex, int offset) {
    Vec3 v;
    std::memcpy(&v, vertex + offset, sizeof v);
    return v;
}

} // namespace

void queueMeshDebugLines(const uint8_t* vertices, int vertexCount, const DebugVertexLayout& layout,
                         const Mat4x3& world, bool tangentFrames) {
    if (!vertices || layout.normal < 0)
        return;
    if (tangentFrames && (layout.tangent < 0 || layout.bitangent < 0))
        return;
    // Directions turn with the entity but keep their length whatever its scale.
    Mat3 r = world.rot;
    for (Vec3& row : r.row) {
        float len = length(row);
        if (len > 0)
            row = row * (1 / len);
    }
    for (int i = 0; i < vertexCount; ++i) {
        const uint8_t* vertex = vertices + size_t(i) * size_t(layout.stride);
        Vec3 p = world.transformPoint(readVec3(vertex, layout.position));
        Vec3 n = readVec3(vertex, layout.normal);
        if (tangentFrames) {
            Mat3 frame{{readVec3(vertex, layout.tangent), readVec3(vertex, layout.bitangent), n}};
            DebugDraw::drawBase({frame * r, p}, MeshDebugLineLength);
        } else {
            DebugDraw::drawLine(p, p + (n * r) * MeshDebugLineLength, DebugDraw::White);
        }
    }
}

} // namespace engine
