#pragma once

// Wavefront OBJ sources, geometry only: the position lines and the first
// numbers of each face corner. Texture coordinates, normals, groups and
// materials of the file never reach the mesh.

#include "engine/assets/Mesh.h"

#include <memory>
#include <string>

namespace engine {

// The mesh of an OBJ text: the positions, the faces as triangles in one
// triangles segment with the default material, and vertex normals. A face
// line is cut into numbers at spaces and slashes; up to three numbers are
// its three corners, more are read as position/texture/normal groups whose
// first numbers are the corners, fanned into triangles. Throws
// core::Exception "Malformed obj file: <path>" for a face whose corners are
// too few or name a position not read yet.
std::unique_ptr<Mesh> parseObjMesh(const std::string& text, const std::string& path);

// Reads the file through the file systems, then parses it.
std::unique_ptr<Mesh> readObjMesh(const std::string& path);

} // namespace engine
