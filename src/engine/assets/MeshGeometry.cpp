#include "engine/assets/MeshGeometry.h"

#include "core/DebugLog.h"
#include "core/Exception.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

bool isFaceSegment(const MeshSegment& segment) {
    return segment.type == int32_t(PrimitiveType::Triangles) || segment.type == int32_t(PrimitiveType::Quads);
}

// Calls face(i0, i1, i2) with the first three corners of every triangle and
// quad whose corners all lie inside the vertex count.
template <class Face>
void forEachFace(const Mesh& mesh, Face face) {
    const std::vector<int32_t>& indices = mesh.getIndices();
    for (const MeshSegment& segment : mesh.getSegments()) {
        if (!isFaceSegment(segment))
            continue;
        int per = indicesPerPrimitive(segment.type);
        int count = mesh.primitivesInList(segment);
        for (int p = 0; p < count; ++p) {
            const int32_t* corner = &indices[size_t(segment.firstIndex) + size_t(p) * per];
            bool valid = true;
            for (int c = 0; c < per; ++c)
                valid = valid && mesh.isValidIndex(corner[c]);
            if (valid)
                face(corner[0], corner[1], corner[2]);
        }
    }
}

std::vector<uint8_t> bytesOf(const std::vector<Vec3>& vectors) {
    const auto* begin = reinterpret_cast<const uint8_t*>(vectors.data());
    return {begin, begin + vectors.size() * sizeof(Vec3)};
}

void normalizeNonZero(std::vector<Vec3>& vectors) {
    for (Vec3& v : vectors) {
        float lengthSquared = dot(v, v);
        if (lengthSquared > 0)
            v = v / std::sqrt(lengthSquared);
    }
}

void setVec3Array(Mesh& mesh, int slot, const std::vector<Vec3>& vectors) {
    mesh.setVertexArray(slot, int32_t(ElementType::Float), 3, bytesOf(vectors));
}

// A 64-bit mix of the bytes, eight at a time.
uint64_t hashBytes(const uint8_t* bytes, size_t count) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ count;
    auto mix = [&](uint64_t word) {
        h ^= word;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    };
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        mix(word);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, bytes + i, count - i);
    mix(tail);
    return h ^ (h >> 29);
}

Vec3 faceNormal(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
    return normalize(cross(p1 - p0, p2 - p0));
}

} // namespace

void transform(Mesh& mesh, const Mat4x3& m) {
    if (Vec3* positions = mesh.vec3Array(PositionSlot))
        for (int i = 0; i < mesh.getVertexCount(); ++i)
            positions[i] = m.transformPoint(positions[i]);
    Mat3 normalMatrix = transpose(inverse(m.rot));
    for (int slot : {NormalSlot, TangentSlot, BitangentSlot})
        if (Vec3* vectors = mesh.vec3Array(slot))
            for (int i = 0; i < mesh.getVertexCount(); ++i)
                vectors[i] = normalize(vectors[i] * normalMatrix);
    mesh.updateBounds();
}

void translate(Mesh& mesh, const Vec3& d) {
    if (Vec3* positions = mesh.vec3Array(PositionSlot))
        for (int i = 0; i < mesh.getVertexCount(); ++i)
            positions[i] += d;
    mesh.updateBounds();
}

void rotate(Mesh& mesh, const Mat3& r) {
    transform(mesh, Mat4x3{r, {}});
}

void scale(Mesh& mesh, float s) {
    if (Vec3* positions = mesh.vec3Array(PositionSlot))
        for (int i = 0; i < mesh.getVertexCount(); ++i)
            positions[i] = positions[i] * s;
    mesh.updateBounds();
}

void computeVertexNormals(Mesh& mesh) {
    std::vector<Vec3> normals(static_cast<size_t>(mesh.getVertexCount()));
    if (const Vec3* p = mesh.vec3Array(PositionSlot)) {
        forEachFace(mesh, [&](int32_t i0, int32_t i1, int32_t i2) {
            Vec3 n = faceNormal(p[i0], p[i1], p[i2]);
            normals[i0] += n;
            normals[i1] += n;
            normals[i2] += n;
        });
    }
    normalizeNonZero(normals);
    setVec3Array(mesh, NormalSlot, normals);
}

void computeTangentVectors(Mesh& mesh) {
    const VertexArray& texcoordArray = mesh.getVertexArray(TexcoordSlot);
    if (!texcoordArray.present || texcoordArray.type != int32_t(ElementType::Float) ||
        texcoordArray.components < 2)
        throw core::Exception("No texcoords - can't compute tangents");
    const auto* texcoords = reinterpret_cast<const float*>(texcoordArray.data.data());
    int texcoordStride = texcoordArray.components;

    std::vector<Vec3> tangents(static_cast<size_t>(mesh.getVertexCount()));
    std::vector<Vec3> bitangents(static_cast<size_t>(mesh.getVertexCount()));
    if (const Vec3* p = mesh.vec3Array(PositionSlot)) {
        forEachFace(mesh, [&](int32_t i0, int32_t i1, int32_t i2) {
            const float* t0 = texcoords + size_t(i0) * texcoordStride;
            const float* t1 = texcoords + size_t(i1) * texcoordStride;
            const float* t2 = texcoords + size_t(i2) * texcoordStride;
            Vec3 e1 = p[i1] - p[i0];
            Vec3 e2 = p[i2] - p[i0];
            float du1 = t1[0] - t0[0], dv1 = t1[1] - t0[1];
            float du2 = t2[0] - t0[0], dv2 = t2[1] - t0[1];
            float r = 1.0f / (du1 * dv2 - du2 * dv1);
            Vec3 t = (e1 * dv2 - e2 * dv1) * r;
            Vec3 b = (e2 * du1 - e1 * du2) * r;
            for (int32_t i : {i0, i1, i2}) {
                tangents[i] += t;
                bitangents[i] -= b;
            }
        });
    }
    normalizeNonZero(tangents);
    normalizeNonZero(bitangents);
    setVec3Array(mesh, TangentSlot, tangents);
    setVec3Array(mesh, BitangentSlot, bitangents);
}

void weldVertices(Mesh& mesh) {
    int oldCount = mesh.getVertexCount();
    std::vector<int> slots;
    size_t rowSize = 0;
    for (int slot = 0; slot < VertexSlotCount; ++slot) {
        const VertexArray& array = mesh.getVertexArray(slot);
        if (array.present && array.stride > 0) {
            slots.push_back(slot);
            rowSize += size_t(array.stride);
        }
    }

    // Each vertex's bytes of all present arrays side by side, in slot order:
    // comparing rows byte-wise is then comparing array by array.
    std::vector<uint8_t> rows(rowSize * size_t(oldCount));
    size_t column = 0;
    for (int slot : slots) {
        const VertexArray& array = mesh.getVertexArray(slot);
        for (int i = 0; i < oldCount; ++i)
            std::memcpy(&rows[size_t(i) * rowSize + column], &array.data[size_t(i) * array.stride], array.stride);
        column += size_t(array.stride);
    }
    auto row = [&](int32_t vertex) { return &rows[size_t(vertex) * rowSize]; };

    // Equal rows are grouped through a hash table first, so that only one row
    // of each group takes part in the ordering.
    size_t tableSize = 16;
    while (tableSize < size_t(oldCount) * 2)
        tableSize *= 2;
    std::vector<int32_t> table(tableSize, -1);
    std::vector<int32_t> groupOf(static_cast<size_t>(oldCount));
    std::vector<int32_t> firsts;  // the first vertex of each group
    for (int32_t vertex = 0; vertex < oldCount; ++vertex) {
        size_t slot = hashBytes(row(vertex), rowSize) & (tableSize - 1);
        while (table[slot] >= 0 && std::memcmp(row(table[slot]), row(vertex), rowSize) != 0)
            slot = (slot + 1) & (tableSize - 1);
        if (table[slot] < 0) {
            table[slot] = vertex;
            groupOf[size_t(vertex)] = int32_t(firsts.size());
            firsts.push_back(vertex);
        } else {
            groupOf[size_t(vertex)] = groupOf[size_t(table[slot])];
        }
    }
    table = {};

    // New vertices are numbered in the byte-wise order of their data.
    // The first eight bytes, read big-endian, order rows as memcmp does; the
    // whole rows are compared only when those are equal.
    struct Key {
        uint64_t prefix;
        int32_t vertex;
    };
    std::vector<Key> keys(firsts.size());
    for (size_t k = 0; k < firsts.size(); ++k) {
        uint8_t bytes[8] = {};
        std::memcpy(bytes, row(firsts[k]), std::min<size_t>(rowSize, 8));
        uint64_t prefix = 0;
        for (uint8_t byte : bytes)
            prefix = prefix << 8 | byte;
        keys[k] = {prefix, firsts[k]};
    }
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return std::memcmp(row(a.vertex), row(b.vertex), rowSize) < 0;
    });
    std::vector<int32_t> sources(keys.size());
    for (size_t k = 0; k < keys.size(); ++k)
        sources[k] = keys[k].vertex;
    keys = {};
    std::vector<int32_t> rankOfGroup(firsts.size());
    for (size_t k = 0; k < sources.size(); ++k)
        rankOfGroup[size_t(groupOf[size_t(sources[k])])] = int32_t(k);
    std::vector<int32_t> remap(static_cast<size_t>(oldCount));
    for (int32_t vertex = 0; vertex < oldCount; ++vertex)
        remap[size_t(vertex)] = rankOfGroup[size_t(groupOf[size_t(vertex)])];
    int newCount = int(sources.size());

    std::vector<VertexArray> arrays;
    for (int slot : slots)
        arrays.push_back(mesh.getVertexArray(slot));
    BoundingBox box = mesh.getBoundingBox();
    BoundingSphere sphere = mesh.getBoundingSphere();
    mesh.setVertexCount(newCount);
    for (size_t a = 0; a < slots.size(); ++a) {
        const VertexArray& old = arrays[a];
        std::vector<uint8_t> data(size_t(newCount) * old.stride);
        for (int v = 0; v < newCount; ++v)
            std::memcpy(&data[size_t(v) * old.stride], &old.data[size_t(sources[v]) * old.stride], old.stride);
        mesh.setVertexArray(slots[a], old.type, old.components, std::move(data));
    }
    for (int32_t& index : mesh.indices())
        if (uint32_t(index) < uint32_t(oldCount))
            index = remap[index];
    mesh.setBounds(box, sphere);
    core::debugLog("weld vertices %d -> %d\n", oldCount, newCount);
}

void triangulate(Mesh& mesh) {
    std::vector<int32_t>& indices = mesh.indices();
    std::vector<MeshSegment>& segments = mesh.segments();
    for (MeshSegment& segment : segments) {
        if (segment.type != int32_t(PrimitiveType::Quads))
            continue;
        int quads = mesh.primitivesInList(segment);
        size_t first = size_t(std::max(segment.firstIndex, 0));
        size_t removed = size_t(quads) * 4;
        std::vector<int32_t> triangles;
        triangles.reserve(size_t(quads) * 6);
        for (int q = 0; q < quads; ++q) {
            const int32_t* c = &indices[first + size_t(q) * 4];
            triangles.insert(triangles.end(), {c[0], c[1], c[2], c[0], c[2], c[3]});
        }
        // A segment of no whole quad removes nothing; its first index may lie
        // anywhere (scripts set it), so it is not used as a position then.
        if (removed > 0) {
            indices.erase(indices.begin() + ptrdiff_t(first), indices.begin() + ptrdiff_t(first + removed));
            for (MeshSegment& other : segments)
                if (&other != &segment && other.firstIndex >= int64_t(first + removed))
                    other.firstIndex -= int32_t(removed);
        }
        segment.firstIndex = int32_t(indices.size());
        segment.count = quads * 2;
        segment.type = int32_t(PrimitiveType::Triangles);
        indices.insert(indices.end(), triangles.begin(), triangles.end());
    }
}

void flipFaces(Mesh& mesh) {
    std::vector<int32_t>& indices = mesh.indices();
    for (const MeshSegment& segment : mesh.getSegments()) {
        if (!isFaceSegment(segment))
            continue;
        int per = indicesPerPrimitive(segment.type);
        int other = segment.type == int32_t(PrimitiveType::Triangles) ? 1 : 2;
        int count = mesh.primitivesInList(segment);
        for (int p = 0; p < count; ++p) {
            int32_t* corner = &indices[size_t(segment.firstIndex) + size_t(p) * per];
            std::swap(corner[0], corner[other]);
        }
    }
}

namespace {

// Calls hit(triangle, distance, p0, p1, p2) for each triangle of the index
// list that the ray hits, until it returns false.
template <class Hit>
void castThroughTriangles(const Mesh& mesh, const Ray& ray, Hit hit) {
    const Vec3* p = mesh.vec3Array(PositionSlot);
    if (!p)
        return;
    const std::vector<int32_t>& indices = mesh.getIndices();
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        int32_t i0 = indices[t], i1 = indices[t + 1], i2 = indices[t + 2];
        if (!mesh.isValidIndex(i0) || !mesh.isValidIndex(i1) || !mesh.isValidIndex(i2))
            continue;
        float distance;
        if (intersectsTriangle(ray, p[i0], p[i1], p[i2], 0, &distance) &&
            !hit(int(t / 3), distance, p[i0], p[i1], p[i2]))
            return;
    }
}

} // namespace

RayHit raycast(const Mesh& mesh, const Ray& ray) {
    RayHit nearest;
    castThroughTriangles(mesh, ray, [&](int triangle, float distance, const Vec3& p0, const Vec3& p1, const Vec3& p2) {
        if (!nearest.hit || distance < nearest.distance)
            nearest = {true, distance, triangle, faceNormal(p0, p1, p2)};
        return true;
    });
    return nearest;
}

bool raycastAny(const Mesh& mesh, const Ray& ray) {
    bool found = false;
    castThroughTriangles(mesh, ray, [&](int, float, const Vec3&, const Vec3&, const Vec3&) {
        found = true;
        return false;
    });
    return found;
}

std::unique_ptr<Mesh> mergeMeshes(const std::vector<const Mesh*>& meshes) {
    int64_t total = 0;
    for (const Mesh* mesh : meshes)
        total += mesh->getVertexCount();
    // Vertex numbers are 32-bit: a sum past them would wrap the indices.
    if (total > INT32_MAX)
        throw core::Exception("Too many vertices to merge");
    auto vertexCount = int(total);
    auto merged = std::make_unique<Mesh>(vertexCount);

    for (int slot = 0; slot < BoneIndexSlot; ++slot) {
        const VertexArray* layout = nullptr;
        for (const Mesh* mesh : meshes)
            if (!layout && mesh->getVertexArray(slot).present)
                layout = &mesh->getVertexArray(slot);
        if (!layout)
            continue;
        // An input without the array, or with it in another layout, adds zeros.
        std::vector<uint8_t> data;
        data.reserve(size_t(vertexCount) * layout->stride);
        for (const Mesh* mesh : meshes) {
            const VertexArray& array = mesh->getVertexArray(slot);
            if (array.present && array.type == layout->type && array.components == layout->components)
                data.insert(data.end(), array.data.begin(), array.data.end());
            else
                data.resize(data.size() + size_t(mesh->getVertexCount()) * layout->stride);
        }
        merged->setVertexArray(slot, layout->type, layout->components, std::move(data));
    }

    int64_t indexTotal = 0;
    for (const Mesh* mesh : meshes)
        indexTotal += int64_t(mesh->getIndices().size());
    if (indexTotal > INT32_MAX)
        throw core::Exception("Too many indices to merge");

    int vertexOffset = 0;
    for (const Mesh* mesh : meshes) {
        int32_t indexOffset = int32_t(merged->getIndices().size());
        // An index that named no vertex of its mesh names none of the merged
        // one either, rather than a vertex of the next mesh.
        for (int32_t index : mesh->getIndices())
            merged->indices().push_back(mesh->isValidIndex(index) ? index + vertexOffset : -1);
        // A first index outside its own list stays outside the merged one.
        for (MeshSegment segment : mesh->getSegments()) {
            bool inside = segment.firstIndex >= 0 && size_t(segment.firstIndex) <= mesh->getIndices().size();
            segment.firstIndex = inside ? segment.firstIndex + indexOffset : -1;
            merged->segments().push_back(std::move(segment));
        }
        vertexOffset += mesh->getVertexCount();
    }
    return merged;
}

} // namespace engine
