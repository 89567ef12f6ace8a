#pragma once

// The MESH block that model files embed: little-endian, magic "MESH", version 2.

#include "engine/assets/Mesh.h"

#include <memory>

namespace core {
class InputStream;
class OutputStream;
} // namespace core

namespace engine {

constexpr uint32_t MeshMagic = 0x4853454D;  // "MESH"
constexpr int32_t MeshVersion = 2;

// Reads one block. Segment materials are found or created by name. A block
// whose arrays, indices or segments do not fit its own counts is rejected as
// an invalid format rather than yielding a mesh that would be read past its ends.
std::unique_ptr<Mesh> readMesh(core::InputStream& stream);
void writeMesh(core::OutputStream& stream, const Mesh& mesh);

// The same block in pieces, for converters that stream large meshes rather
// than hold them: the head, then each of the VertexSlotCount slots in order
// (its array head, stride 0 for an absent array, then the vertex bytes when
// present), then the index count and indices, the segments and the bounds.
void writeMeshHead(core::OutputStream& stream, int32_t vertexCount);
void writeMeshArrayHead(core::OutputStream& stream, int32_t type, int32_t components, int32_t stride);
void writeMeshSegments(core::OutputStream& stream, const std::vector<MeshSegment>& segments);
void writeMeshBounds(core::OutputStream& stream, const BoundingBox& box, const BoundingSphere& sphere);

} // namespace engine
