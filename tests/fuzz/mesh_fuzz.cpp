// Fuzzes the MESH block reader, then runs the geometry operations over every
// mesh it accepts: whatever a block holds, reading and working on it must end
// in a host exception at worst.
#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "engine/assets/MeshFile.h"
#include "engine/assets/MeshGeometry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::ByteArrayInputStream stream(data, static_cast<int64_t>(size), false, core::ByteOrder::LittleEndian);
    std::unique_ptr<engine::Mesh> mesh;
    try {
        mesh = engine::readMesh(stream);
    } catch (const core::Exception&) {
        return 0;
    }
    // A block may declare many vertices without storing any; the operations
    // allocate per vertex, which is not what is being fuzzed here.
    if (mesh->getVertexCount() > 100000)
        return 0;
    core::ByteArrayOutputStream out;
    engine::writeMesh(out, *mesh);
    engine::raycast(*mesh, {{0, 0, -10}, {0, 0, 1}});
    engine::raycastAny(*mesh, {{0, 0, -10}, {0, 0, 1}});
    engine::transform(*mesh, {{{{2, 0, 0}, {0, 1, 0}, {0, 0, 0.5f}}}, {1, 2, 3}});
    engine::computeVertexNormals(*mesh);
    try {
        engine::computeTangentVectors(*mesh);
    } catch (const core::Exception&) {
    }
    engine::flipFaces(*mesh);
    engine::triangulate(*mesh);
    engine::weldVertices(*mesh);
    engine::Mesh copy(*mesh);
    engine::mergeMeshes({mesh.get(), &copy});
    return 0;
}
