// Fuzzes the MDL1 reader: the records of every file it accepts must form a
// hierarchy that ends (parents and bones inside the file, no loops), survive
// being written and read again, and merge into one mesh, or end in a host
// exception at worst.
#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "engine/assets/ModelFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<engine::ModelNodeRecord> records;
    try {
        core::ByteArrayInputStream stream(data, static_cast<int64_t>(size), false, core::ByteOrder::LittleEndian);
        records = engine::readModelRecords(stream);
    } catch (const core::Exception&) {
        return 0;
    }
    int64_t vertices = 0;
    for (const engine::ModelNodeRecord& record : records) {
        int steps = 0;
        for (int32_t parent = record.parent; parent >= 0; parent = records[size_t(parent)].parent)
            if (++steps > int(records.size()))
                abort();  // a loop got through
        if (record.entityType == engine::MeshEntityRecord)
            vertices += record.mesh.mesh->getVertexCount();
    }
    core::ByteArrayOutputStream out(core::ByteOrder::LittleEndian);
    engine::writeModelRecords(out, records);
    core::ByteArrayInputStream again(out.data(), int64_t(out.size()), false, core::ByteOrder::LittleEndian);
    if (engine::readModelRecords(again).size() != records.size())
        abort();
    // Blocks may declare many vertices without storing any; merging then
    // allocates per vertex, which is not what is being fuzzed here.
    if (vertices > 100000)
        return 0;
    core::ByteArrayInputStream merge(data, static_cast<int64_t>(size), false, core::ByteOrder::LittleEndian);
    try {
        engine::readMergedMesh(merge);
    } catch (const core::Exception&) {
        abort();  // it read the same bytes without complaint just before
    }
    return 0;
}
