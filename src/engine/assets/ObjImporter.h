#pragma once

// Wavefront OBJ sources, geometry only: the position lines and the position
// number of each face corner. Texture coordinates, normals, groups and
// materials of the file never reach the mesh.

#include "engine/assets/Mesh.h"

#include <memory>
#include <string>

namespace engine {

// The mesh of an OBJ text: the positions, the faces as triangles in one
// triangles segment with the default material, and vertex normals. A face
// line is a list of corners separated by blanks, each "v", "v/vt", "v//vn" or
// "v/vt/vn", where v counts positions from 1 or, negative, back from the last
// one read; polygons are fanned from their first corner. Throws
// core::Exception "Malformed obj file: <path>:<line>" for a face of fewer than
// three corners, a corner of another form, or one naming a position not read yet.
std::unique_ptr<Mesh> parseObjMesh(const std::string& text, const std::string& path);

// Reads the file through the file systems, then parses it.
std::unique_ptr<Mesh> readObjMesh(const std::string& path);

} // namespace engine
