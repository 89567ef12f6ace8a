#include "engine/assets/ModelFile.h"

#include "core/Exception.h"
#include "core/InputStream.h"
#include "core/OutputStream.h"
#include "engine/assets/MeshFile.h"
#include "engine/assets/MeshGeometry.h"

#include <cstdio>

namespace engine {

namespace {

// The smallest node record: an empty name, the transform, the parent and the
// entity type. Counts are checked against what the stream still holds, so a
// short file cannot make the reader allocate for records it does not have.
constexpr int64_t MinNodeRecordSize = 4 + 48 + 4 + 4;
constexpr int64_t BoneRecordSize = 4 + 48;

[[noreturn]] void invalid(core::InputStream& stream) {
    throw core::InvalidFileFormatException(stream.getFilename().c_str());
}

Mat4x3 readTransform(core::InputStream& stream) {
    Mat4x3 m;
    for (Vec3& row : m.rot.row)
        stream.readFloats(&row.x, 3);
    stream.readFloats(&m.pos.x, 3);
    return m;
}

void writeTransform(core::OutputStream& stream, const Mat4x3& m) {
    for (const Vec3& row : m.rot.row)
        stream.writeFloats(&row.x, 3);
    stream.writeFloats(&m.pos.x, 3);
}

Vec3 readColor(core::InputStream& stream) {
    Vec3 v;
    stream.readFloats(&v.x, 3);
    return v;
}

void readHeader(core::InputStream& stream) {
    if (stream.readInt() != ModelMagic)
        invalid(stream);
    int32_t version = stream.readSignedInt();
    if (version != ModelVersion)
        throw core::InvalidFileVersionException(ModelVersion, version, stream.getFilename().c_str());
}

void readMeshEntity(core::InputStream& stream, ModelMeshRecord& record) {
    record.mesh = readMesh(stream);
    int32_t boneCount = stream.readSignedInt();
    if (boneCount < 0 || boneCount > stream.availableBytes() / BoneRecordSize)
        invalid(stream);
    record.bones.resize(size_t(boneCount));
    for (ModelBoneRecord& bone : record.bones) {
        bone.node = stream.readSignedInt();
        bone.inverseBind = readTransform(stream);
    }
    record.emissiveColor = readColor(stream);
    record.castShadow = stream.readBool();
}

void readLightEntity(core::InputStream& stream, ModelLightRecord& record) {
    record.type = stream.readSignedInt();
    // Lights are ambient, directional, point or spot; anything else would be
    // drawn as none of them.
    if (record.type < 0 || record.type > 3)
        invalid(stream);
    record.color = readColor(stream);
    record.range = stream.readFloat();
    record.spotAngle = stream.readFloat();
    record.spotSharpness = stream.readFloat();
    record.castShadow = stream.readBool();
}

// Parent and bone indices must name nodes of the file, and following parents
// must end at a node without one: a loop would hang whoever walks up the
// hierarchy.
void checkIndices(core::InputStream& stream, const std::vector<ModelNodeRecord>& records) {
    auto count = int32_t(records.size());
    for (const ModelNodeRecord& record : records) {
        if (record.parent < -1 || record.parent >= count)
            invalid(stream);
        for (const ModelBoneRecord& bone : record.mesh.bones)
            if (bone.node < -1 || bone.node >= count)
                invalid(stream);
    }
    enum : uint8_t { Unseen, OnPath, Ends };
    std::vector<uint8_t> state(records.size(), Unseen);
    for (int32_t start = 0; start < count; ++start) {
        int32_t i = start;
        while (i >= 0 && state[size_t(i)] == Unseen) {
            state[size_t(i)] = OnPath;
            i = records[size_t(i)].parent;
        }
        if (i >= 0 && state[size_t(i)] == OnPath)
            invalid(stream);
        for (i = start; i >= 0 && state[size_t(i)] == OnPath; i = records[size_t(i)].parent)
            state[size_t(i)] = Ends;
    }
}

} // namespace

std::vector<ModelNodeRecord> readModelRecords(core::InputStream& stream) {
    readHeader(stream);
    int32_t count = stream.readSignedInt();
    if (count < 0 || count > stream.availableBytes() / MinNodeRecordSize)
        invalid(stream);
    std::vector<ModelNodeRecord> records(static_cast<size_t>(count));
    for (ModelNodeRecord& record : records) {
        record.name = stream.readString();
        record.transform = readTransform(stream);
        record.parent = stream.readSignedInt();
        record.entityType = stream.readSignedInt();
        switch (record.entityType) {
        case NoEntity:
            break;
        case MeshEntityRecord:
            readMeshEntity(stream, record.mesh);
            break;
        case LightEntityRecord:
            readLightEntity(stream, record.light);
            break;
        default:
            throw core::Exception("Invalid entity type");
        }
    }
    checkIndices(stream, records);
    return records;
}

void writeModelHead(core::OutputStream& stream, size_t recordCount) {
    stream.writeInt(ModelMagic);
    stream.writeSignedInt(ModelVersion);
    stream.writeSignedInt(int32_t(recordCount));
}

void writeNodeRecordHead(core::OutputStream& stream, const ModelNodeRecord& record) {
    stream.writeString(record.name);
    writeTransform(stream, record.transform);
    stream.writeSignedInt(record.parent);
    stream.writeSignedInt(record.entityType);
}

void writeMeshEntityTail(core::OutputStream& stream, const ModelMeshRecord& mesh) {
    stream.writeSignedInt(int32_t(mesh.bones.size()));
    for (const ModelBoneRecord& bone : mesh.bones) {
        stream.writeSignedInt(bone.node);
        writeTransform(stream, bone.inverseBind);
    }
    stream.writeFloats(&mesh.emissiveColor.x, 3);
    stream.writeBool(mesh.castShadow);
}

void writeLightEntity(core::OutputStream& stream, const ModelLightRecord& light) {
    stream.writeSignedInt(light.type);
    stream.writeFloats(&light.color.x, 3);
    stream.writeFloat(light.range);
    stream.writeFloat(light.spotAngle);
    stream.writeFloat(light.spotSharpness);
    stream.writeBool(light.castShadow);
}

void writeModelRecords(core::OutputStream& stream, const std::vector<ModelNodeRecord>& records) {
    writeModelHead(stream, records.size());
    for (const ModelNodeRecord& record : records) {
        writeNodeRecordHead(stream, record);
        if (record.entityType == MeshEntityRecord) {
            writeMesh(stream, *record.mesh.mesh);
            writeMeshEntityTail(stream, record.mesh);
        } else if (record.entityType == LightEntityRecord) {
            writeLightEntity(stream, record.light);
        }
    }
}

std::unique_ptr<Mesh> readMergedMesh(core::InputStream& stream) {
    std::vector<ModelNodeRecord> records = readModelRecords(stream);
    // Each node's composed transform is worked out once: walking every mesh
    // node's whole chain would take quadratic time on a long one.
    std::vector<Mat4x3> worlds(records.size());
    std::vector<bool> composed(records.size(), false);
    std::vector<int32_t> chain;
    auto worldOf = [&](int32_t node) {
        for (int32_t i = node; i >= 0 && !composed[size_t(i)]; i = records[size_t(i)].parent)
            chain.push_back(i);
        for (; !chain.empty(); chain.pop_back()) {
            auto i = size_t(chain.back());
            int32_t parent = records[i].parent;
            worlds[i] = parent >= 0 ? records[i].transform * worlds[size_t(parent)] : records[i].transform;
            composed[i] = true;
        }
        return worlds[size_t(node)];
    };
    std::vector<std::unique_ptr<Mesh>> meshes;
    for (size_t n = 0; n < records.size(); ++n) {
        ModelNodeRecord& record = records[n];
        if (record.entityType != MeshEntityRecord)
            continue;
        transform(*record.mesh.mesh, worldOf(int32_t(n)));
        meshes.push_back(std::move(record.mesh.mesh));
    }
    if (meshes.empty())
        return nullptr;
    if (meshes.size() == 1)
        return std::move(meshes.front());
    std::printf("WARNING! merging meshes: %s\n", stream.getFilename().c_str());
    std::fflush(stdout);
    std::vector<const Mesh*> inputs;
    for (const auto& mesh : meshes)
        inputs.push_back(mesh.get());
    return mergeMeshes(inputs);
}

} // namespace engine
