#pragma once

// The editable CPU-side geometry: per-vertex attribute arrays, a 32-bit index
// list, segments that give ranges of the index list a material and a primitive
// type, and cached bounds. Renderers make their GPU copies from it.

#include "core/RefRegistry.h"
#include "engine/assets/Material.h"
#include "engine/scene/Bounds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class ElementType : int32_t { UnsignedByte = 0, Short = 1, Int = 2, Float = 3 };

// Bytes of one element; any other type throws "Invalid vertex array type".
int elementSize(int32_t type);

enum class PrimitiveType : int32_t { Points = 0, Lines = 1, Triangles = 2, Quads = 3 };

// Indices per primitive: 1 to 4, 0 for a value outside the enumeration.
int indicesPerPrimitive(int32_t type);

// The fixed meaning of the array slots; 6 to 12 are carried along unread.
enum VertexSlot {
    PositionSlot = 0,
    NormalSlot = 1,
    TangentSlot = 2,
    BitangentSlot = 3,
    ColorSlot = 4,
    TexcoordSlot = 5,
    BoneIndexSlot = 13,
    BoneWeightSlot = 14,
    VertexSlotCount = 15,
};

struct VertexArray {
    int32_t type = 0;
    int32_t components = 0;
    int32_t stride = 0;        // components × element size
    bool present = false;      // an absent array keeps its type and components
    std::vector<uint8_t> data; // stride × vertex count bytes when present
};

struct MeshSegment {
    core::CountedRef<Material> material;
    int32_t type = int32_t(PrimitiveType::Triangles);
    int32_t firstIndex = 0;
    int32_t count = 0;  // primitives, not indices
};

class Mesh {
public:
    explicit Mesh(int vertexCount = 0);
    // Shares the segment materials; the name is not copied.
    Mesh(const Mesh& other);
    Mesh& operator=(const Mesh&) = delete;
    virtual ~Mesh();

    // The registered mesh of that exact name, or null.
    static Mesh* find(const std::string& name);
    // The registered mesh of that name, or every mesh of the model file in
    // one, read after the model asset processor has brought the file up to
    // date. Null for a model without meshes; throws core::Exception when the
    // file cannot be loaded. The reference is the caller's: a new mesh goes
    // when it is dropped unless the caller kept the mesh.
    static core::CountedRef<Mesh> load(const std::string& name);

    const std::string& getName() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

    int getVertexCount() const { return m_vertexCount; }
    // Arrays of the old length are dropped (type and components kept): read
    // with the new count they would be overrun. They must be set again.
    void setVertexCount(int count);

    const VertexArray& getVertexArray(int slot) const { return m_arrays[slot]; }
    // Copies vertex count × stride bytes from data, or makes the array absent
    // for null. Setting the positions recomputes the bounds.
    void setVertexArray(int slot, int32_t type, int32_t components, const void* data);
    // Takes the bytes as they are (stride × vertex count of them).
    void setVertexArray(int slot, int32_t type, int32_t components, std::vector<uint8_t> data);

    // A float array of exactly that many components, or null when the slot is
    // absent or holds another layout. The geometry operations read through these.
    const float* floatArray(int slot, int components) const;
    float* floatArray(int slot, int components);
    const Vec3* vec3Array(int slot) const { return reinterpret_cast<const Vec3*>(floatArray(slot, 3)); }
    Vec3* vec3Array(int slot) { return reinterpret_cast<Vec3*>(floatArray(slot, 3)); }

    const std::vector<int32_t>& getIndices() const { return m_indices; }
    std::vector<int32_t>& indices() { return m_indices; }
    void setIndices(const int32_t* values, int count) { m_indices.assign(values, values + count); }
    void setIndices(std::vector<int32_t> values) { m_indices = std::move(values); }

    const std::vector<MeshSegment>& getSegments() const { return m_segments; }
    std::vector<MeshSegment>& segments() { return m_segments; }
    // A triangles segment with the default material, first 0 and count 0.
    MeshSegment& addSegment();
    void clearSegments() { m_segments.clear(); }

    const BoundingBox& getBoundingBox() const { return m_box; }
    const BoundingSphere& getBoundingSphere() const { return m_sphere; }
    // As stored in a file, taken without checking.
    void setBounds(const BoundingBox& box, const BoundingSphere& sphere);
    // From the positions: their box, the sphere about its center through the
    // farthest position; all zero without positions.
    void updateBounds();

    // The primitives of a segment that lie wholly inside the index list: a
    // segment reaching past the end, or of an unknown type, covers fewer.
    int primitivesInList(const MeshSegment& segment) const;
    bool isValidIndex(int32_t index) const { return uint32_t(index) < uint32_t(m_vertexCount); }

private:
    std::string m_name;
    int m_vertexCount = 0;
    VertexArray m_arrays[VertexSlotCount];
    std::vector<int32_t> m_indices;
    std::vector<MeshSegment> m_segments;
    BoundingSphere m_sphere;
    BoundingBox m_box{{0, 0, 0}, {0, 0, 0}};
};

} // namespace engine
