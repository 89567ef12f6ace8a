#include "engine/assets/AssimpImporter.h"

#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "core/FileSystem.h"
#include "core/Path.h"
#include "engine/assets/MaterialLibrary.h"
#include "engine/render/Renderer.h"

#include <map>

namespace engine {

namespace {

// Writes the bytes whole, so that a reader never meets half a file.
void writeWhole(const std::string& path, const uint8_t* data, size_t size) {
    core::FileOutputStream file(path, core::ByteOrder::LittleEndian);
    file.writeBytes(data, int64_t(size));
}

// Materials stay defined while the process runs: a model's segments find
// them by name whenever it is loaded again.
std::map<std::string, std::unique_ptr<MaterialLibrary>>& loadedLibraries() {
    static auto* libraries = new std::map<std::string, std::unique_ptr<MaterialLibrary>>;
    return *libraries;
}

} // namespace

void AssimpModelAssetProcessor::processFile(const std::string& source) {
    SingleFileAssetProcessor::processFile(source);
    // Textures need a renderer; a mesh loaded without one takes the segment
    // materials as they stand.
    std::string library = core::stripExtension(source) + ".materials";
    if (!Renderer::current() || !core::fileExists(library))
        return;
    auto loaded = std::make_unique<MaterialLibrary>();
    loaded->load(library, 0, core::getPath(source));
    loadedLibraries()[library] = std::move(loaded);
}

void AssimpModelAssetProcessor::convert(const std::string& source, const std::string& native) {
    AssimpModel model(source);
    // The model goes to a file of its own first and takes its name when
    // complete, so that a reader never meets half of one. Its meshes are
    // converted as they are written, and may still fail then: the library
    // and textures are written only after it.
    std::string part = native + ".part";
    try {
        int64_t written;
        {
            core::FileOutputStream file(part, core::ByteOrder::LittleEndian);
            model.writeModel(file);
            written = file.getPosition();
        }
        // The last bytes reach the disk as the file closes: a full disk shows
        // only in the length.
        if (int64_t(core::fileLength(part)) != written)
            throw core::Exception("Could not write %s", native.c_str());
        std::string folder = core::getPath(native);
        for (const ImportedFile& texture : model.textures()) {
            std::string file = folder.empty() ? texture.name : folder + "/" + texture.name;
            writeWhole(file, texture.bytes.data(), texture.bytes.size());
        }
        std::string library = core::stripExtension(native) + ".materials";
        writeWhole(library, reinterpret_cast<const uint8_t*>(model.materials().data()), model.materials().size());
        core::moveFile(part, native);
    } catch (...) {
        if (core::fileExists(part))
            core::deleteFile(part);
        throw;
    }
}

void AssimpAnimationAssetProcessor::convert(const std::string& source, const std::string& native) {
    // Inside a processor, "Animation" names the asset type.
    std::vector<std::unique_ptr<engine::Animation>> clips = importAssimpAnimations(source);
    if (clips.empty())
        throw core::Exception("Could not import %s: %s", source.c_str(), "the file has no animation");
    std::vector<std::pair<std::string, core::ByteArrayOutputStream>> files;
    for (const auto& clip : clips) {
        core::ByteArrayOutputStream buffer(core::ByteOrder::LittleEndian);
        writeAnimation(buffer, *clip);
        files.emplace_back(clipFileName(native, clip->name()), std::move(buffer));
    }
    core::FileTime time = core::fileDate(source);
    for (auto& [name, buffer] : files) {
        writeWhole(name, buffer.data(), buffer.size());
        core::setFileDate(name, time);
    }
    // The plain name is the first clip, written last: its time marks the
    // whole set as up to date.
    writeWhole(native, files.front().second.data(), files.front().second.size());
}

void registerAssimpAssetProcessors() {
    for (const char* extension : {"fbx", "gltf", "glb", "dae"}) {
        registerAssetProcessor(AssetProcessor::Model, extension,
                               core::CountedRef<AssetProcessor>(new AssimpModelAssetProcessor));
        registerAssetProcessor(AssetProcessor::Animation, extension,
                               core::CountedRef<AssetProcessor>(new AssimpAnimationAssetProcessor));
    }
}

} // namespace engine
