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

} // namespace engine
