#pragma once

// Models and clips from modelling tools (glTF 2.0, FBX, Collada), read with
// assimp and turned into quill's native files: an MDL1 model with its node
// hierarchy, meshes, skeletons and lights, a material library beside it, and
// one ANIM file per clip.
//
// Axes become quill's: Y up, +Z forward, +X right, with row vectors. glTF's
// right-handed space is mirrored along Z, so the picture a tool shows from
// the front is the one a quill camera looking down +Z sees; triangle winding
// follows the mirror, texture coordinates start at the top-left corner.

#include "engine/assets/Animation.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/assets/ModelFile.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {

// Bones one skinned mesh entity may have: what the renderers upload.
constexpr int MaxBonesPerMesh = 64;

struct ImportedFile {
    std::string name;  // beside the model, relative to its folder
    std::vector<uint8_t> bytes;
};

struct ImportedModel {
    std::vector<ModelNodeRecord> nodes;
    // A material library whose texture names are relative to the model's folder.
    std::string materials;
    // Textures held inside the source, to be written beside the model.
    std::vector<ImportedFile> textures;
};

// A source read and checked, ready to become quill's files.
class AssimpModel {
public:
    // Throws core::Exception "Unknown file format: <path>" when no importer
    // knows the file, or "Could not import <path>: <reason>" when it cannot
    // be read.
    explicit AssimpModel(const std::string& path);
    ~AssimpModel();
    AssimpModel(const AssimpModel&) = delete;
    AssimpModel& operator=(const AssimpModel&) = delete;

    // A material library whose texture names are relative to the model's folder.
    const std::string& materials() const;
    // Textures held inside the source, to be written beside the model.
    const std::vector<ImportedFile>& textures() const;
    // The model file. Meshes are converted on their way out rather than
    // built first, so a large model is not held twice; a face naming a
    // vertex that does not exist throws "Could not import <path>: <reason>"
    // part way.
    void writeModel(core::OutputStream& stream);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The whole model in memory: the records of its model file, as read back.
// Throws as AssimpModel does.
ImportedModel importAssimpModel(const std::string& path);

// Every clip of the file, in file order; none when the file has no clips.
std::vector<std::unique_ptr<Animation>> importAssimpAnimations(const std::string& path);

// Models: the model file is written under a temporary name, then its
// material library "<name>.materials" (and embedded textures), and the model
// takes its name last, so a failure leaves the old files. Loading defines the
// library's materials first, so the model's segments find them.
class AssimpModelAssetProcessor final : public SingleFileAssetProcessor {
public:
    AssimpModelAssetProcessor() : SingleFileAssetProcessor("model") {}
    void processFile(const std::string& source) override;
    void convert(const std::string& source, const std::string& native) override;
};

// Clips: the first clip as "<name>.animation", and every clip as
// "<name>#<clip>.animation", which Animation.load reaches as "<source>#<clip>".
class AssimpAnimationAssetProcessor final : public SingleFileAssetProcessor {
public:
    AssimpAnimationAssetProcessor() : SingleFileAssetProcessor("animation") {}
    void convert(const std::string& source, const std::string& native) override;
};

// "fbx", "gltf", "glb" and "dae" for models and animations.
void registerAssimpAssetProcessors();

} // namespace engine
