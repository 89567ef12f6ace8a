// Fuzzes the OBJ importer: whatever the text holds, it gives a mesh whose
// triangles name its own vertices, or a host exception.
#include "core/Exception.h"
#include "engine/assets/ObjImporter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<engine::Mesh> mesh;
    try {
        mesh = engine::parseObjMesh(std::string(reinterpret_cast<const char*>(data), size), "fuzz.obj");
    } catch (const core::Exception&) {
        return 0;
    }
    if (mesh->getIndices().size() % 3 != 0 || mesh->getSegments().size() != 1)
        abort();
    for (int32_t index : mesh->getIndices())
        if (!mesh->isValidIndex(index))
            abort();
    return 0;
}
