#include "engine/assets/ModelAssetProcessor.h"

#include "core/Exception.h"
#include "core/Path.h"
#include "engine/assets/LwoReader.h"
#ifdef QUILL_HAS_ASSIMP
#include "engine/assets/AssimpImporter.h"
#endif
#include "engine/assets/Model.h"
#include "engine/assets/ObjImporter.h"
#include "engine/render/MeshEntity.h"
#include "engine/scene/Node.h"

#include <memory>

namespace engine {

namespace {

using ModelImporter = std::unique_ptr<Model> (*)(const std::string& path, bool keepSourceData);

// The importer of a source extension (compared byte for byte), or null:
// "fbx" sources are registered but never converted.
ModelImporter importerFor(const std::string& extension) {
    if (extension == "obj")
        return importObjModel;
    if (extension == "lwo")
        return importLwoModel;
    return nullptr;
}

// The mesh only feeds the renderable mesh; the caller lets go of it.
std::unique_ptr<Model> modelOf(const Mesh& mesh, bool keepSourceData) {
    auto model = std::make_unique<Model>();
    Node* root = model->addNode();
    auto* entity = new MeshEntity(RenderableMesh::create(mesh, keepSourceData).release());
    root->setComponent(Component::RenderEntityKind, entity);
    return model;
}

} // namespace

std::unique_ptr<Model> importObjModel(const std::string& path, bool keepSourceData) {
    return modelOf(*readObjMesh(path), keepSourceData);
}

std::unique_ptr<Model> importLwoModel(const std::string& path, bool keepSourceData) {
    return modelOf(*readLwoMesh(path, 0), keepSourceData);
}

void ModelAssetProcessor::convert(const std::string& source, const std::string& native) {
    ModelImporter import = importerFor(core::getFileExtension(source));
    if (!import)
        throw core::Exception("Unknown file format: %s", source.c_str());
    // The writer stores each mesh's source data, so the import must keep it.
    std::unique_ptr<engine::Model> model = import(source, true);
    saveModel(*model, native);
}

void registerStandardAssetProcessors() {
    for (const char* extension : {"fbx", "obj", "lwo"})
        registerAssetProcessor(AssetProcessor::Model, extension,
                               core::CountedRef<AssetProcessor>(new ModelAssetProcessor));
    registerAssetProcessor(AssetProcessor::Animation, "fbx",
                           core::CountedRef<AssetProcessor>(new AnimationAssetProcessor));
#ifdef QUILL_HAS_ASSIMP
    // Where the modelling tools' formats can be read, "fbx" converts too.
    registerAssimpAssetProcessors();
#endif
}

} // namespace engine
