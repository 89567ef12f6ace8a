// Fuzzes the conversion of glTF files: whatever the file holds, it gives a
// model whose triangles name their own vertices and whose bone influences
// name their own bones, clips of whole frames, or a host exception.
#include "ScratchFile.h"
#include "core/Exception.h"
#include "engine/assets/AssimpImporter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = writeScratchFile(data, size, ".gltf");
    if (path.empty())
        return 0;
    try {
        engine::ImportedModel model = engine::importAssimpModel(path);
        for (const engine::ModelNodeRecord& node : model.nodes) {
            if (node.parent < -1 || node.parent >= int32_t(model.nodes.size()))
                abort();
            if (node.entityType != engine::MeshEntityRecord)
                continue;
            const engine::Mesh& mesh = *node.mesh.mesh;
            for (int32_t index : mesh.getIndices())
                if (!mesh.isValidIndex(index))
                    abort();
            if (int(node.mesh.bones.size()) > engine::MaxBonesPerMesh)
                abort();
            const engine::VertexArray& bones = mesh.getVertexArray(engine::BoneIndexSlot);
            const auto* influence = reinterpret_cast<const int32_t*>(bones.data.data());
            for (size_t i = 0; bones.present && i < bones.data.size() / 4; ++i)
                if (influence[i] < 0 || influence[i] >= int32_t(node.mesh.bones.size()))
                    abort();
        }
        for (const auto& clip : engine::importAssimpAnimations(path))
            for (const engine::AnimationTrack& track : clip->tracks())
                if (int32_t(track.keys.size()) != clip->frameCount())
                    abort();
    } catch (const core::Exception&) {
    }
    return 0;
}
