#pragma once

// The debug lines of a mesh entity's vertices, queued for debug drawing: each
// vertex's normal as a short white line, or its tangent frame as a small
// red, green and blue basis. Backends read their vertex buffers and hand the
// interleaved bytes here.

#include "engine/scene/Matrix.h"

#include <cstdint>

namespace engine {

// Length of a normal line and size of a tangent basis, in world units.
constexpr float MeshDebugLineLength = 0.05f;

// Byte offsets of the vertex elements, -1 for those the vertices lack.
struct DebugVertexLayout {
    int stride = 0;
    int position = 0;
    int normal = -1;
    int tangent = -1;
    int bitangent = -1;
};

// Queues the lines for vertexCount vertices placed by the world transform.
// Normals need a normal; tangent frames need normal, tangent and bitangent:
// without them nothing is queued.
void queueMeshDebugLines(const uint8_t* vertices, int vertexCount, const DebugVertexLayout& layout,
                         const Mat4x3& world, bool tangentFrames);

} // namespace engine
