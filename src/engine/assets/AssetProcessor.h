#pragma once

// Asset processors turn a source file (an OBJ model, a TGA image, ...) into the
// native file next to it that the loaders read, only when the native file is
// missing or stale. Loaders find the processor by the requested file's
// extension. A source that is absent (a shipped game) means its native file is
// used as it is.

#include "core/RefRegistry.h"

#include <string>

namespace engine {

class AssetProcessor {
public:
    enum AssetType { Model = 0, Animation = 1, Texture = 2 };

    explicit AssetProcessor(std::string nativeExtension) : m_nativeExtension(std::move(nativeExtension)) {}
    virtual ~AssetProcessor() = default;
    AssetProcessor(const AssetProcessor&) = delete;
    AssetProcessor& operator=(const AssetProcessor&) = delete;

    // Brings the native file of the source up to date; this base does nothing,
    // so the native file must already exist.
    virtual void processFile(const std::string&) {}

    int getAssetType() const { return m_type; }
    const std::string& getFileExtension() const { return m_extension; }
    const std::string& getNativeFileExtension() const { return m_nativeExtension; }
    // The name without its extension, then ".", then the native extension.
    std::string nativeFileName(const std::string& name) const;

private:
    friend void registerAssetProcessor(AssetType, const std::string&, core::CountedRef<AssetProcessor>);

    int m_type = Model;
    std::string m_extension;
    std::string m_nativeExtension;
};

// Models and animations convert when the native file's time differs from the
// source's; equality rather than order decides, so a source put back to an
// older version converts again. A failed conversion leaves the native file's
// time alone, so the next load tries again.
class SingleFileAssetProcessor : public AssetProcessor {
public:
    using AssetProcessor::AssetProcessor;
    void processFile(const std::string& source) override;
    virtual void convert(const std::string& source, const std::string& native) = 0;
};

// Animations are only read in their native form: there is no converter, so a
// stale native file of a present source is an error.
class AnimationAssetProcessor final : public SingleFileAssetProcessor {
public:
    AnimationAssetProcessor() : SingleFileAssetProcessor("animation") {}
    void convert(const std::string& source, const std::string& native) override;
};

struct TextureOptions {
    bool compressed = false;
    bool alpha = false;
};

// Texture sources convert when the native file's time differs from the later of
// the source's and its ".texture" options file's, so that editing either one,
// even back in time, converts again.
class BaseTextureAssetProcessor : public AssetProcessor {
public:
    using AssetProcessor::AssetProcessor;
    void processFile(const std::string& source) override;
    virtual void convert(const std::string& source, const std::string& native, const TextureOptions& options) = 0;
};

// Writes a DDS file with the whole mip chain: A8R8G8B8 uncompressed, DXT1
// compressed, DXT5 compressed with alpha.
class TextureAssetProcessorDDS final : public BaseTextureAssetProcessor {
public:
    TextureAssetProcessorDDS() : BaseTextureAssetProcessor("dds") {}
    void convert(const std::string& source, const std::string& native, const TextureOptions& options) override;
};

// The reduced texture set: a raw 32-bit picture (width, height, then red,
// green, blue, alpha bytes top row first), a quarter of the width and height
// for textures above 64 × 64 outside the gui and particle folders. The
// options are not used.
class TextureAssetProcessorGLES2 final : public BaseTextureAssetProcessor {
public:
    TextureAssetProcessorGLES2() : BaseTextureAssetProcessor("gles2_texture") {}
    void convert(const std::string& source, const std::string& native, const TextureOptions& options) override;
};

// Replaces a processor of the same type and source extension, else appends.
void registerAssetProcessor(AssetProcessor::AssetType type, const std::string& extension,
                            core::CountedRef<AssetProcessor> processor);
// A do-nothing processor: the native file must exist.
void registerAssetProcessor(AssetProcessor::AssetType type, const std::string& extension,
                            const std::string& nativeExtension);

// The first processor of the type for the file's extension (case-sensitive);
// throws core::Exception "Could not find asset processor for file: <name>".
AssetProcessor& findAssetProcessor(AssetProcessor::AssetType type, const std::string& fileName);

} // namespace engine
