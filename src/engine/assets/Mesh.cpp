#include "engine/assets/Mesh.h"

#include "core/Exception.h"
#include "core/FileStreams.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/assets/ModelFile.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace engine {

namespace {

std::vector<Mesh*>& registry() {
    static auto* meshes = new std::vector<Mesh*>;
    return *meshes;
}

} // namespace

int elementSize(int32_t type) {
    switch (ElementType(type)) {
    case ElementType::UnsignedByte:
        return 1;
    case ElementType::Short:
        return 2;
    case ElementType::Int:
    case ElementType::Float:
        return 4;
    }
    throw core::Exception("Invalid vertex array type");
}

int indicesPerPrimitive(int32_t type) {
    return type >= 0 && type <= 3 ? type + 1 : 0;
}

Mesh::Mesh(int vertexCount) : m_vertexCount(std::max(vertexCount, 0)) {
    registry().push_back(this);
}

Mesh::Mesh(const Mesh& other)
    : m_vertexCount(other.m_vertexCount), m_indices(other.m_indices), m_segments(other.m_segments),
      m_sphere(other.m_sphere), m_box(other.m_box) {
    std::copy(std::begin(other.m_arrays), std::end(other.m_arrays), std::begin(m_arrays));
    registry().push_back(this);
}

Mesh::~Mesh() {
    auto& meshes = registry();
    meshes.erase(std::find(meshes.begin(), meshes.end(), this));
}

Mesh* Mesh::find(const std::string& name) {
    for (Mesh* mesh : registry())
        if (mesh->m_name == name)
            return mesh;
    return nullptr;
}

core::CountedRef<Mesh> Mesh::load(const std::string& name) {
    // Unnamed meshes are not loaded ones: an empty name must not hand out one of them.
    if (Mesh* mesh = name.empty() ? nullptr : find(name))
        return core::CountedRef<Mesh>(mesh);
    AssetProcessor& processor = findAssetProcessor(AssetProcessor::Model, name);
    processor.processFile(name);
    core::FileInputStream stream(processor.nativeFileName(name), core::ByteOrder::LittleEndian);
    core::CountedRef<Mesh> mesh(readMergedMesh(stream).release());
    if (mesh)
        mesh->setName(name);
    return mesh;
}

void Mesh::setVertexCount(int count) {
    count = std::max(count, 0);
    if (count == m_vertexCount)
        return;
    m_vertexCount = count;
    bool hadPositions = m_arrays[PositionSlot].present;
    for (VertexArray& array : m_arrays) {
        array.present = false;
        array.data.clear();
        array.data.shrink_to_fit();
    }
    if (hadPositions)
        updateBounds();
}

void Mesh::setVertexArray(int slot, int32_t type, int32_t components, const void* data) {
    int size = elementSize(type);
    std::vector<uint8_t> bytes;
    if (data) {
        const auto* begin = static_cast<const uint8_t*>(data);
        bytes.assign(begin, begin + size_t(m_vertexCount) * size_t(components) * size_t(size));
    }
    VertexArray& array = m_arrays[slot];
    array.type = type;
    array.components = components;
    array.stride = components * size;
    array.present = data != nullptr;
    array.data = std::move(bytes);
    if (slot == PositionSlot)
        updateBounds();
}

void Mesh::setVertexArray(int slot, int32_t type, int32_t components, std::vector<uint8_t> data) {
    VertexArray& array = m_arrays[slot];
    array.stride = components * elementSize(type);
    array.type = type;
    array.components = components;
    array.present = true;
    array.data = std::move(data);
    array.data.resize(size_t(m_vertexCount) * size_t(array.stride));
    if (slot == PositionSlot)
        updateBounds();
}

const float* Mesh::floatArray(int slot, int components) const {
    const VertexArray& array = m_arrays[slot];
    if (!array.present || array.type != int32_t(ElementType::Float) || array.components != components)
        return nullptr;
    return reinterpret_cast<const float*>(array.data.data());
}

float* Mesh::floatArray(int slot, int components) {
    return const_cast<float*>(std::as_const(*this).floatArray(slot, components));
}

MeshSegment& Mesh::addSegment() {
    MeshSegment& segment = m_segments.emplace_back();
    segment.material = core::CountedRef<Material>(defaultMaterial());
    return segment;
}

void Mesh::setBounds(const BoundingBox& box, const BoundingSphere& sphere) {
    m_box = box;
    m_sphere = sphere;
}

void Mesh::updateBounds() {
    const Vec3* positions = vec3Array(PositionSlot);
    if (!positions || m_vertexCount == 0) {
        m_box = {{0, 0, 0}, {0, 0, 0}};
        m_sphere = {};
        return;
    }
    BoundingBox box;
    for (int i = 0; i < m_vertexCount; ++i)
        box.add(positions[i]);
    Vec3 center = box.center();
    float radiusSquared = 0;
    for (int i = 0; i < m_vertexCount; ++i) {
        Vec3 d = positions[i] - center;
        radiusSquared = std::max(radiusSquared, dot(d, d));
    }
    m_box = box;
    m_sphere = {center, std::sqrt(radiusSquared)};
}

int Mesh::primitivesInList(const MeshSegment& segment) const {
    int per = indicesPerPrimitive(segment.type);
    if (per == 0 || segment.firstIndex < 0 || segment.count <= 0)
        return 0;
    int64_t room = (int64_t(m_indices.size()) - segment.firstIndex) / per;
    return int(std::clamp<int64_t>(room, 0, segment.count));
}

} // namespace engine
