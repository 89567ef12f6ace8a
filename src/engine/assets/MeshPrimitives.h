#pragma once

// Built-in shapes: one triangles segment with the default material, outward
// facing, with vertex normals.

#include "engine/assets/Mesh.h"

#include <memory>

namespace engine {

// In the XZ plane facing +Y; texture coordinates run to (u, v).
std::unique_ptr<Mesh> createPlane(float width, float height, float u = 1, float v = 1);
// Centered; each face has its own four vertices and the unit square mapped on it.
std::unique_ptr<Mesh> createBox(float x, float y, float z);
// Regular, edge 1, centered on its centroid.
std::unique_ptr<Mesh> createTetrahedron();
// Unit icosphere: level 0 is the icosahedron; each level splits every triangle in four.
std::unique_ptr<Mesh> createSphere(int level);
// Base circle at z = 1 of radius 1, apex at the origin; no texture coordinates.
std::unique_ptr<Mesh> createCone(int sides);

} // namespace engine
