#include "engine/render/gl/RenderableTextureGL.h"

#include "core/Exception.h"
#include "core/Image.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/render/DDSFile.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"

#include <algorithm>
#include <utility>

namespace engine {

namespace {

int levelCountFor(int width, int height) {
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size /= 2)
        ++levels;
    return levels;
}

GLint internalFormatOf(DDSFile::Format format, bool srgb, const std::string& name) {
    switch (format) {
    case DDSFile::Format::A8R8G8B8:
        return srgb ? GL_SRGB_ALPHA : GL_RGBA;
    case DDSFile::Format::DXT1:
        return srgb ? GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT : GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
    case DDSFile::Format::DXT3:
        return srgb ? GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT : GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
    case DDSFile::Format::DXT5:
        return srgb ? GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    default:
        break;
    }
    throw core::Exception("Unsupported texture format in file %s", name.c_str());
}

} // namespace

void RenderableTextureGL::createFromImage(const core::Image& image) {
    m_topRowFirst = true;
    int width = image.getWidth();
    int height = image.getHeight();
    auto texture = std::make_unique<Texture2DGL>(width, height, levelCountFor(width, height), GL_RGBA8,
                                                 GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT);
    texture->upload(0, width, height, GL_BGRA, image.data());
    m_texture = std::move(texture);
    checkGLError("glTexImage2D");
    gl().glGenerateMipmap(GL_TEXTURE_2D);
    checkGLError("glGenerateMipmap");
}

void RenderableTextureGL::load(const std::string& name, int skip, bool srgb) {
    m_topRowFirst = true;
    AssetProcessor& processor = findAssetProcessor(AssetProcessor::Texture, name);
    processor.processFile(name);
    std::string file = processor.nativeFileName(name);
    m_name = name;

    DDSFile dds(file);
    GLint internalFormat = internalFormatOf(dds.format(), srgb, name);
    int levels = dds.levelCount();
    int width = int(dds.width());
    int height = int(dds.height());
    // Skipping needs a texture large enough to keep its lower levels meaningful.
    if (dds.type() == DDSFile::Type::Texture2D && skip > 0) {
        if (width < 64 || height < 64 || levels < 3) {
            skip = 0;
        } else {
            skip = std::min(skip, levels - 1);
            levels -= skip;
            for (int i = 0; i < skip; ++i) {
                width = std::max(width / 2, 1);
                height = std::max(height / 2, 1);
            }
        }
    } else {
        skip = 0;
    }
    // Levels past the 1 × 1 one cannot be stored; a file that lists them
    // loads without them.
    levels = std::min(levels, levelCountFor(width, height));
    auto texture = std::make_unique<Texture2DGL>(width, height, levels, internalFormat,
                                                 levels < 2 ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR,
                                                 GL_REPEAT);
    Texture2DGL& target = *texture;
    m_texture = std::move(texture);
    if (dds.type() != DDSFile::Type::Texture2D)
        throw core::Exception("Unsupported dds texture type");
    // Without this the sampler would read levels that were never uploaded.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, std::max(levels - 1, 0));

    for (int i = 0; i < levels; ++i) {
        std::vector<uint8_t> data = dds.readLevel(skip + i);
        if (dds.compressed()) {
            target.uploadCompressed(i, width, height, int(data.size()), data.data());
            checkGLError("glCompressedTexImage2D");
        } else {
            for (size_t p = 0; p + 3 < data.size(); p += 4)
                std::swap(data[p], data[p + 2]);
            target.upload(i, width, height, GL_RGBA, data.data());
            checkGLError("glTexImage2D");
        }
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
}

RenderableTextureGL* createRenderBufferGL(int width, int height) {
    return new RenderableTextureGL(
        std::make_unique<Texture2DGL>(width, height, 1, GL_RGBA16F, GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE));
}

} // namespace engine
