#include "engine/assets/MeshFile.h"

#include "core/Exception.h"
#include "core/InputStream.h"
#include "core/OutputStream.h"

namespace engine {

namespace {

[[noreturn]] void invalid(core::InputStream& stream) {
    throw core::InvalidFileFormatException(stream.getFilename().c_str());
}

// A count of items of itemSize bytes that the rest of the stream can hold.
int32_t readCount(core::InputStream& stream, int64_t itemSize) {
    int32_t count = stream.readSignedInt();
    if (count < 0 || (itemSize > 0 && count > stream.availableBytes() / itemSize))
        invalid(stream);
    return count;
}

void readArray(core::InputStream& stream, Mesh& mesh, int slot) {
    int32_t type = stream.readSignedInt();
    int32_t components = stream.readSignedInt();
    int32_t stride = stream.readSignedInt();
    int size = elementSize(type);
    if (components < 0 || components > 0xffff)
        invalid(stream);
    if (stride == 0) {
        mesh.setVertexArray(slot, type, components, nullptr);
        return;
    }
    // The stride is derived from type and components when installed; a block
    // that disagrees would have its vertices read at the wrong offsets.
    if (stride != components * size)
        invalid(stream);
    int64_t length = int64_t(stride) * mesh.getVertexCount();
    if (length > stream.availableBytes())
        invalid(stream);
    std::vector<uint8_t> data(static_cast<size_t>(length));
    stream.readBytes(data.data(), length);
    mesh.setVertexArray(slot, type, components, std::move(data));
}

Vec3 readVec3(core::InputStream& stream) {
    Vec3 v;
    stream.readFloats(&v.x, 3);
    return v;
}

void writeVec3(core::OutputStream& stream, const Vec3& v) {
    stream.writeFloats(&v.x, 3);
}

} // namespace

std::unique_ptr<Mesh> readMesh(core::InputStream& stream) {
    if (stream.readInt() != MeshMagic)
        invalid(stream);
    int32_t version = stream.readSignedInt();
    if (version != MeshVersion)
        throw core::InvalidFileVersionException(MeshVersion, version, stream.getFilename().c_str());

    auto mesh = std::make_unique<Mesh>(readCount(stream, 0));
    for (int slot = 0; slot < VertexSlotCount; ++slot)
        readArray(stream, *mesh, slot);

    std::vector<int32_t> indices(static_cast<size_t>(readCount(stream, 4)));
    for (int32_t& index : indices) {
        index = stream.readSignedInt();
        if (!mesh->isValidIndex(index))
            invalid(stream);
    }
    mesh->setIndices(std::move(indices));

    int32_t segmentCount = readCount(stream, 16);
    for (int32_t i = 0; i < segmentCount; ++i) {
        std::string materialName = stream.readString();
        MeshSegment& segment = mesh->addSegment();
        segment.material = core::CountedRef<Material>(getMaterial(materialName));
        segment.type = stream.readSignedInt();
        segment.firstIndex = stream.readSignedInt();
        segment.count = stream.readSignedInt();
        // Even an empty segment starts inside the index list (or at its end):
        // the geometry operations take its first index as a position there.
        if (segment.firstIndex < 0 || size_t(segment.firstIndex) > mesh->getIndices().size() || segment.count < 0)
            invalid(stream);
        if (indicesPerPrimitive(segment.type) && mesh->primitivesInList(segment) != segment.count)
            invalid(stream);
    }

    BoundingSphere sphere;
    sphere.center = readVec3(stream);
    sphere.radius = stream.readFloat();
    BoundingBox box;
    box.min = readVec3(stream);
    box.max = readVec3(stream);
    mesh->setBounds(box, sphere);
    return mesh;
}

void writeMeshHead(core::OutputStream& stream, int32_t vertexCount) {
    stream.writeInt(MeshMagic);
    stream.writeSignedInt(MeshVersion);
    stream.writeSignedInt(vertexCount);
}

void writeMeshArrayHead(core::OutputStream& stream, int32_t type, int32_t components, int32_t stride) {
    stream.writeSignedInt(type);
    stream.writeSignedInt(components);
    stream.writeSignedInt(stride);
}

void writeMeshSegments(core::OutputStream& stream, const std::vector<MeshSegment>& segments) {
    stream.writeSignedInt(int32_t(segments.size()));
    for (const MeshSegment& segment : segments) {
        stream.writeString(segment.material ? segment.material->getName() : std::string());
        stream.writeSignedInt(segment.type);
        stream.writeSignedInt(segment.firstIndex);
        stream.writeSignedInt(segment.count);
    }
}

void writeMeshBounds(core::OutputStream& stream, const BoundingBox& box, const BoundingSphere& sphere) {
    writeVec3(stream, sphere.center);
    stream.writeFloat(sphere.radius);
    writeVec3(stream, box.min);
    writeVec3(stream, box.max);
}

void writeMesh(core::OutputStream& stream, const Mesh& mesh) {
    writeMeshHead(stream, mesh.getVertexCount());
    for (int slot = 0; slot < VertexSlotCount; ++slot) {
        const VertexArray& array = mesh.getVertexArray(slot);
        writeMeshArrayHead(stream, array.type, array.components, array.present ? array.stride : 0);
        if (array.present)
            stream.writeBytes(array.data.data(), int64_t(array.data.size()));
    }
    stream.writeSignedInt(int32_t(mesh.getIndices().size()));
    stream.writeSignedInts(mesh.getIndices().data(), mesh.getIndices().size());
    writeMeshSegments(stream, mesh.getSegments());
    writeMeshBounds(stream, mesh.getBoundingBox(), mesh.getBoundingSphere());
}

} // namespace engine
