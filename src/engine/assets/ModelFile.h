#pragma once

// The MDL1 model file, little-endian: magic "MDL1", version 2, then the node
// records in model order, each with its name, local transform, parent index
// and an optional mesh entity (a MESH block, bones, emissive color, cast
// shadow) or light entity. Reading yields the records as they are stored; the
// model readers build from them.

#include "engine/assets/Mesh.h"
#include "engine/scene/Matrix.h"

#include <memory>
#include <string>
#include <vector>

namespace core {
class InputStream;
class OutputStream;
} // namespace core

namespace engine {

constexpr uint32_t ModelMagic = 0x314C444D;  // "MDL1"
constexpr int32_t ModelVersion = 2;

enum ModelEntityType : int32_t { NoEntity = -1, MeshEntityRecord = 0, LightEntityRecord = 1 };

struct ModelBoneRecord {
    int32_t node = -1;  // index in the file, or -1 for a bone without a node
    Mat4x3 inverseBind;
};

struct ModelMeshRecord {
    std::unique_ptr<Mesh> mesh;
    std::vector<ModelBoneRecord> bones;
    Vec3 emissiveColor{0, 0, 0};
    bool castShadow = true;
};

struct ModelLightRecord {
    int32_t type = 0;  // ambient, directional, point, spot
    Vec3 color{1, 1, 1};
    float range = 1;
    float spotAngle = 0;
    float spotSharpness = 0;
    bool castShadow = false;
};

struct ModelNodeRecord {
    std::string name;
    Mat4x3 transform;
    int32_t parent = -1;
    int32_t entityType = NoEntity;
    ModelMeshRecord mesh;    // for a mesh entity
    ModelLightRecord light;  // for a light entity
};

// Reads a whole file. Throws core::InvalidFileFormatException for a wrong
// magic and for records that cannot form a model (a parent or bone index
// outside the file, a parent chain that loops, an unknown light type),
// core::InvalidFileVersionException for another version, and core::Exception
// "Invalid entity type" for an entity type other than -1, 0 and 1.
std::vector<ModelNodeRecord> readModelRecords(core::InputStream& stream);
void writeModelRecords(core::OutputStream& stream, const std::vector<ModelNodeRecord>& records);

// The same file in pieces, for converters that stream their meshes rather
// than hold them: the head, then for each record its head and, for a mesh
// entity, a MESH block followed by the tail, or for a light its entity.
void writeModelHead(core::OutputStream& stream, size_t recordCount);
void writeNodeRecordHead(core::OutputStream& stream, const ModelNodeRecord& record);
void writeMeshEntityTail(core::OutputStream& stream, const ModelMeshRecord& mesh);
void writeLightEntity(core::OutputStream& stream, const ModelLightRecord& light);

// Every mesh of the file in one: each mesh moved by its node's transform
// composed up the file's parent chain, then all merged in node order (with the
// console warning "WARNING! merging meshes: <name>"). Null for a file without
// meshes.
std::unique_ptr<Mesh> readMergedMesh(core::InputStream& stream);

} // namespace engine
