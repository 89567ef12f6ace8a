#include "engine/assets/AssetProcessor.h"

#include "core/Exception.h"
#include "core/FileStreams.h"
#include "core/FileSystem.h"
#include "core/Image.h"
#include "core/Path.h"
#include "core/TextDocument.h"
#include "engine/render/DDSFile.h"

#include <algorithm>
#include <vector>

namespace engine {

namespace {

std::vector<core::CountedRef<AssetProcessor>>& processors(int type) {
    static std::vector<core::CountedRef<AssetProcessor>> lists[3];
    return lists[type];
}

// Conversions write to disk, so a source found under a search path converts
// next to where it was found.
std::string diskPath(const std::string& path) {
    std::string resolved = core::resolvePath(path);
    return resolved.empty() ? path : resolved;
}

// A source read from the data archive converts to the same path on disk,
// where its folder may not exist yet.
void makeFolderFor(const std::string& native) {
    std::string folder = core::getPath(native);
    if (!folder.empty())
        core::createPath(folder);
}

} // namespace

std::string AssetProcessor::nativeFileName(const std::string& name) const {
    return core::stripExtension(name) + "." + m_nativeExtension;
}

void SingleFileAssetProcessor::processFile(const std::string& source) {
    if (!core::fileExists(source))
        return;
    std::string path = diskPath(source);
    std::string native = nativeFileName(path);
    core::FileTime time = core::fileDate(path);
    if (core::fileExists(native) && core::fileDate(native) == time)
        return;
    makeFolderFor(native);
    convert(path, native);
    core::setFileDate(native, time);
}

void AnimationAssetProcessor::convert(const std::string& source, const std::string&) {
    throw core::Exception("Unknown file format: %s", source.c_str());
}

void BaseTextureAssetProcessor::processFile(const std::string& source) {
    if (!core::fileExists(source))
        return;
    std::string path = diskPath(source);
    std::string native = nativeFileName(path);
    std::string optionsFile = core::stripExtension(path) + ".texture";
    core::FileTime time = core::fileDate(path);
    bool hasOptions = core::fileExists(optionsFile);
    if (hasOptions)
        time = std::max(time, core::fileDate(optionsFile));
    if (core::fileExists(native) && core::fileDate(native) == time)
        return;
    TextureOptions options;
    if (hasOptions) {
        core::document document;
        document.load(optionsFile);
        options.compressed = document.root().getBool("compressed", false);
        options.alpha = document.root().getBool("alpha", false);
    }
    makeFolderFor(native);
    convert(path, native, options);
    core::setFileDate(native, time);
}

void TextureAssetProcessorDDS::convert(const std::string& source, const std::string& native,
                                       const TextureOptions& options) {
    DDSFile::Format format = DDSFile::Format::A8R8G8B8;
    if (options.compressed)
        format = options.alpha ? DDSFile::Format::DXT5 : DDSFile::Format::DXT1;
    writeDDS(native, core::Image::load(source), format);
}

void TextureAssetProcessorGLES2::convert(const std::string& source, const std::string& native,
                                         const TextureOptions&) {
    core::Image image = core::Image::load(source);
    bool keepsSize = source.find("textures/gui/") != std::string::npos ||
                     source.find("textures/particles/") != std::string::npos;
    if (!keepsSize && image.getWidth() > 64 && image.getHeight() > 64) {
        image.halve();
        image.halve();
    }
    // Blue, green, red, alpha in memory; the file wants red first.
    std::vector<uint8_t> pixels(image.data(), image.data() + image.dataSize());
    for (size_t i = 0; i + 3 < pixels.size(); i += 4)
        std::swap(pixels[i], pixels[i + 2]);
    core::FileOutputStream out(native);
    out.writeInt(static_cast<uint32_t>(image.getWidth()));
    out.writeInt(static_cast<uint32_t>(image.getHeight()));
    out.writeBytes(pixels.data(), static_cast<int64_t>(pixels.size()));
}

void registerAssetProcessor(AssetProcessor::AssetType type, const std::string& extension,
                            core::CountedRef<AssetProcessor> processor) {
    processor->m_type = type;
    processor->m_extension = extension;
    auto& list = processors(type);
    auto same = std::find_if(list.begin(), list.end(),
                             [&](const auto& other) { return other->getFileExtension() == extension; });
    if (same != list.end())
        list.erase(same);
    list.push_back(std::move(processor));
}

void registerAssetProcessor(AssetProcessor::AssetType type, const std::string& extension,
                            const std::string& nativeExtension) {
    registerAssetProcessor(type, extension, core::CountedRef<AssetProcessor>(new AssetProcessor(nativeExtension)));
}

AssetProcessor& findAssetProcessor(AssetProcessor::AssetType type, const std::string& fileName) {
    std::string extension = core::getFileExtension(fileName);
    for (const auto& processor : processors(type))
        if (processor->getFileExtension() == extension)
            return *processor;
    throw core::Exception("Could not find asset processor for file: %s", fileName.c_str());
}

} // namespace engine
