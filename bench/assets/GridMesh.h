#pragma once

// The benchmarks' 1,000,000-triangle height-field grid (1000 × 500 quads,
// 501,501 vertices) with positions, texture coordinates and one triangles segment.

#include "engine/assets/Mesh.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace bench {

using namespace engine;

inline constexpr int Columns = 1000, Rows = 500;

template <class T>
inline std::vector<uint8_t> bytesOf(const std::vector<T>& values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

inline std::unique_ptr<Mesh> grid() {
    std::vector<Vec3> positions;
    std::vector<Vec2> texcoords;
    for (int r = 0; r <= Rows; ++r)
        for (int c = 0; c <= Columns; ++c) {
            positions.push_back({float(c), std::sin(c * 0.1f) * std::cos(r * 0.07f), float(r)});
            texcoords.push_back({c / float(Columns), r / float(Rows)});
        }
    std::vector<int32_t> indices;
    indices.reserve(size_t(Columns) * Rows * 6);
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Columns; ++c) {
            int32_t v = r * (Columns + 1) + c, below = v + Columns + 1;
            indices.insert(indices.end(), {v, below, v + 1, v + 1, below, below + 1});
        }
    auto mesh = std::make_unique<Mesh>(int(positions.size()));
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, bytesOf(positions));
    mesh->setVertexArray(TexcoordSlot, int32_t(ElementType::Float), 2, bytesOf(texcoords));
    MeshSegment& segment = mesh->addSegment();
    segment.count = int32_t(indices.size() / 3);
    mesh->setIndices(std::move(indices));
    return mesh;
}

} // namespace bench
