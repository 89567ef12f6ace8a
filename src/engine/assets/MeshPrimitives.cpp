#include "engine/assets/MeshPrimitives.h"

#include "engine/assets/MeshGeometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace engine {

namespace {

constexpr float Pi = 3.14159265358979f;

template <class T>
std::vector<uint8_t> bytesOf(const std::vector<T>& values) {
    const auto* begin = reinterpret_cast<const uint8_t*>(values.data());
    return {begin, begin + values.size() * sizeof(T)};
}

// The shape's mesh: its arrays, one triangles segment over all indices.
std::unique_ptr<Mesh> makeShape(const std::vector<Vec3>& positions, const std::vector<Vec2>& texcoords,
                                std::vector<int32_t> indices) {
    auto mesh = std::make_unique<Mesh>(int(positions.size()));
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, bytesOf(positions));
    if (!texcoords.empty())
        mesh->setVertexArray(TexcoordSlot, int32_t(ElementType::Float), 2, bytesOf(texcoords));
    MeshSegment& segment = mesh->addSegment();
    segment.count = int32_t(indices.size() / 3);
    mesh->setIndices(std::move(indices));
    return mesh;
}

std::unique_ptr<Mesh> withNormals(std::unique_ptr<Mesh> mesh) {
    computeVertexNormals(*mesh);
    return mesh;
}

} // namespace

std::unique_ptr<Mesh> createPlane(float width, float height, float u, float v) {
    float x = width / 2, z = height / 2;
    return withNormals(makeShape({{-x, 0, z}, {x, 0, z}, {x, 0, -z}, {-x, 0, -z}},
                                 {{0, 0}, {u, 0}, {u, v}, {0, v}}, {0, 1, 2, 0, 2, 3}));
}

std::unique_ptr<Mesh> createBox(float x, float y, float z) {
    x /= 2, y /= 2, z /= 2;
    const Vec3 c[8] = {{-x, -y, -z}, {x, -y, -z}, {x, y, -z}, {-x, y, -z},
                       {-x, -y, z},  {x, -y, z},  {x, y, z},  {-x, y, z}};
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {6, 5, 1, 2}, {7, 6, 2, 3}, {0, 4, 7, 3}, {0, 1, 5, 4}};
    std::vector<Vec3> positions;
    std::vector<Vec2> texcoords;
    std::vector<int32_t> indices;
    for (int f = 0; f < 6; ++f) {
        for (int corner : faces[f])
            positions.push_back(c[corner]);
        texcoords.insert(texcoords.end(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
        int32_t b = 4 * f;
        indices.insert(indices.end(), {b, b + 1, b + 2, b, b + 2, b + 3});
    }
    return withNormals(makeShape(positions, texcoords, std::move(indices)));
}

std::unique_ptr<Mesh> createTetrahedron() {
    const float s3 = std::sqrt(3.0f), s6 = std::sqrt(6.0f);
    Vec3 p[4] = {{s3 / 3, 0, 0}, {-s3 / 6, 0, 0.5f}, {-s3 / 6, 0, -0.5f}, {0, s6 / 3, 0}};
    Vec3 centroid = (p[0] + p[1] + p[2] + p[3]) * 0.25f;
    for (Vec3& corner : p)
        corner -= centroid;
    const int faces[4][3] = {{0, 1, 2}, {1, 3, 2}, {2, 3, 0}, {3, 1, 0}};
    std::vector<Vec3> positions;
    std::vector<Vec2> texcoords;
    std::vector<int32_t> indices;
    for (const auto& face : faces) {
        for (int corner : face) {
            indices.push_back(int32_t(positions.size()));
            positions.push_back(p[corner]);
        }
        texcoords.insert(texcoords.end(), {{0, 0}, {1, 0}, {0.5f, 1}});
    }
    return withNormals(makeShape(positions, texcoords, std::move(indices)));
}

std::unique_ptr<Mesh> createSphere(int level) {
    const float phi = (1 + std::sqrt(5.0f)) / 2;
    std::vector<Vec3> positions = {{-1, phi, 0}, {1, phi, 0},   {-1, -phi, 0}, {1, -phi, 0},
                                   {0, -1, phi}, {0, 1, phi},   {0, -1, -phi}, {0, 1, -phi},
                                   {phi, 0, -1}, {phi, 0, 1},   {-phi, 0, -1}, {-phi, 0, 1}};
    for (Vec3& p : positions)
        p = normalize(p);
    std::vector<int32_t> indices = {0, 11, 5,  0, 5,  1, 0, 1, 7, 0, 7,  10, 0, 10, 11, 1, 5, 9, 5, 11,
                                    4, 11, 10, 2, 10, 7, 6, 7, 1, 8, 3,  9,  4, 3,  4,  2, 3, 2, 6, 3,
                                    6, 8,  3,  8, 9,  4, 9, 5, 2, 4, 11, 6,  2, 10, 8,  6, 7, 9, 8, 1};

    for (int l = 0; l < level; ++l) {
        // One midpoint per edge, shared by the two triangles of that edge.
        std::map<std::pair<int32_t, int32_t>, int32_t> midpoints;
        auto midpoint = [&](int32_t a, int32_t b) {
            std::pair<int32_t, int32_t> key{std::min(a, b), std::max(a, b)};
            auto [it, added] = midpoints.try_emplace(key, int32_t(positions.size()));
            if (added)
                positions.push_back(normalize((positions[a] + positions[b]) * 0.5f));
            return it->second;
        };
        std::vector<int32_t> split;
        split.reserve(indices.size() * 4);
        for (size_t t = 0; t < indices.size(); t += 3) {
            int32_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
            int32_t ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
            split.insert(split.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        indices = std::move(split);
    }

    std::vector<Vec2> texcoords;
    texcoords.reserve(positions.size());
    for (const Vec3& p : positions) {
        // The poles have no longitude; they take that of x = 0.
        float longitude = p.x == 0 && p.z == 0 ? 0 : std::atan(p.x / p.z);
        float theta = p.z > 0 ? longitude + Pi / 2 : longitude - Pi / 2;
        float u = -(theta / (2 * Pi) + 0.75f);
        float v = 0.5f - std::atan(p.y / std::sqrt(p.x * p.x + p.z * p.z)) / Pi;
        texcoords.push_back({u, v});
    }
    auto mesh = makeShape(positions, texcoords, std::move(indices));
    // On the unit sphere a position is its own normal.
    mesh->setVertexArray(NormalSlot, int32_t(ElementType::Float), 3, bytesOf(positions));
    return mesh;
}

std::unique_ptr<Mesh> createCone(int sides) {
    int n = std::max(sides, 0);
    std::vector<Vec3> positions;
    for (int i = 0; i < n; ++i) {
        float theta = 2 * Pi * float(i) / float(n);
        positions.push_back({std::sin(theta), std::cos(theta), 1});
    }
    positions.push_back({0, 0, 0});
    std::vector<int32_t> indices;
    for (int32_t i = 0; i < n; ++i)
        indices.insert(indices.end(), {i, (i + 1) % n, n});
    for (int32_t g = 1; g + 1 < n; ++g)
        indices.insert(indices.end(), {0, g + 1, g});
    return withNormals(makeShape(positions, {}, std::move(indices)));
}

} // namespace engine
