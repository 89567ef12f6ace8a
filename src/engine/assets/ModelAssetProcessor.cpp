#include "engine/assets/ModelAssetProcessor.h"

#include "core/Exception.h"
#include "core/Path.h"
#include "engine/assets/Model.h"

#include <memory>

namespace engine {

namespace {

using ModelImporter = std::unique_ptr<Model> (*)(const std::string& path, bool keepSourceData);

// The importer of a source extension (compared byte for byte), or null. The
// OBJ and LightWave importers belong here; until they are added every source
// format is unknown, and "fbx" stays so for good.
ModelImporter importerFor(const std::string& extension) {
    (void)extension;
    return nullptr;
}

} // namespace

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
}

} // namespace engine
