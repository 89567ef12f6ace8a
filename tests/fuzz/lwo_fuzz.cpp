// Fuzzes the LightWave reader: whatever the chunks hold, it gives a mesh
// whose triangles name its own vertices, or a host exception.
#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "engine/assets/LwoReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int layer : {0, 1}) {
        core::ByteArrayInputStream stream(data, static_cast<int64_t>(size), false, core::ByteOrder::BigEndian);
        std::unique_ptr<engine::Mesh> mesh;
        try {
            mesh = engine::readLwoMesh(stream, layer);
        } catch (const core::Exception&) {
            continue;
        }
        if (mesh->getVertexCount() == 0 || mesh->getIndices().size() % 3 != 0)
            abort();
        for (int32_t index : mesh->getIndices())
            if (!mesh->isValidIndex(index))
                abort();
    }
    return 0;
}
