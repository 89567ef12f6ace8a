#pragma once

// Operations on a mesh's arrays in place, merging, and ray casts. They read
// positions, normals, tangents and bitangents as three floats and texture
// coordinates as two or more; an array of another layout counts as absent.
// Primitives with an index outside the vertex count are skipped.

#include "engine/assets/Mesh.h"

#include <memory>
#include <vector>

namespace engine {

// Positions by m; normals, tangents and bitangents by the inverse transpose
// of its 3×3 part, renormalized. Bounds recomputed.
void transform(Mesh& mesh, const Mat4x3& m);
void translate(Mesh& mesh, const Vec3& d);
void rotate(Mesh& mesh, const Mat3& r);
// Positions only.
void scale(Mesh& mesh, float s);

// Each face adds its unit normal to its first three corners; points and
// lines segments are skipped.
void computeVertexNormals(Mesh& mesh);
// Throws without texture coordinates.
void computeTangentVectors(Mesh& mesh);
// Merges vertices equal in every present array; logs "weld vertices a -> b".
void weldVertices(Mesh& mesh);
// Quads segments become triangles segments at the end of the index list.
void triangulate(Mesh& mesh);
void flipFaces(Mesh& mesh);

struct RayHit {
    bool hit = false;
    float distance = 0;
    int triangle = 0;  // index position / 3
    Vec3 normal;
};
// The index list as consecutive triangles, segments ignored: the nearest hit.
RayHit raycast(const Mesh& mesh, const Ray& ray);
// As raycast, but stops at the first hit found.
bool raycastAny(const Mesh& mesh, const Ray& ray);

// One mesh of all the inputs in order; bone arrays are dropped.
// Throws core::Exception when the total vertex count does not fit 32 bits.
std::unique_ptr<Mesh> mergeMeshes(const std::vector<const Mesh*>& meshes);

} // namespace engine
