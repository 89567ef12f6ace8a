#include "engine/render/d3d9/RenderableTextureD3D9.h"

#include "core/Exception.h"
#include "core/Image.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/render/DDSFile.h"
#include "engine/render/d3d9/TextureAssetProcessorD3D9.h"

#include <d3dx9.h>

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

D3DFORMAT formatOf(DDSFile::Format format)
{
    switch (format) {
    case DDSFile::Format::A8R8G8B8:
        return D3DFMT_A8R8G8B8;
    case DDSFile::Format::DXT1:
        return D3DFMT_DXT1;
    case DDSFile::Format::DXT2:
        return D3DFMT_DXT2;
    case DDSFile::Format::DXT3:
        return D3DFMT_DXT3;
    case DDSFile::Format::DXT4:
        return D3DFMT_DXT4;
    case DDSFile::Format::DXT5:
        return D3DFMT_DXT5;
    }
    return D3DFMT_UNKNOWN;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// Copies a level's bytes as stored into a locked level, row of blocks by row.
void copyLevel(const std::vector<uint8_t>& data, const D3DLOCKED_RECT& locked, int height, bool compressed)
{
    size_t rows = compressed ? size_t(std::max(1, (height + 3) / 4)) : size_t(height);
    size_t rowBytes = rows ? data.size() / rows : 0;
    auto* out = static_cast<uint8_t*>(locked.pBits);
    for (size_t r = 0; r < rows; ++r)
        std::memcpy(out + r * size_t(locked.Pitch), data.data() + r * rowBytes, rowBytes);
}

} // namespace

void RenderableTextureD3D9::createFromImage(const core::Image& image)
{
    int width = image.getWidth();
    int height = image.getHeight();
    auto texture = std::make_unique<d3d::Texture2D>(width, height, 0, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    D3DLOCKED_RECT locked = texture->lock(0);
    // The image's blue, green, red, alpha bytes are A8R8G8B8 in memory.
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                    image.data() + size_t(y) * size_t(width) * 4, size_t(width) * 4);
    texture->unlock(0);
    texture->generateMipmaps();
    m_texture = std::move(texture);
    m_skip = 0;
    m_srgb = false;
}

void RenderableTextureD3D9::load(const std::string& name, int skip, bool srgb)
{
    AssetProcessor& processor = findAssetProcessor(AssetProcessor::Texture, name);
    processor.processFile(name);
    std::string file = processor.nativeFileName(name);

    DDSFile dds(file);
    std::unique_ptr<d3d::BaseTexture> texture;
    switch (dds.type()) {
    case DDSFile::Type::Texture2D: {
        int levels = dds.levelCount();
        int width = int(dds.width());
        int height = int(dds.height());
        // Skipping needs a texture large enough to keep its lower levels meaningful.
        if (width < 64 || height < 64 || levels < 3)
            skip = 0;
        skip = std::clamp(skip, 0, levels - 1);
        // Direct3D refuses a compressed texture whose top level is under one 4 x 4 block.
        while (skip > 0 && dds.compressed() && ((width >> skip) < 4 || (height >> skip) < 4))
            --skip;
        for (int i = 0; i < skip; ++i) {
            width = std::max(width / 2, 1);
            height = std::max(height / 2, 1);
        }
        levels -= skip;
        d3d::Device* device = d3d::Device::current();
        if ((!isPowerOfTwo(width) || !isPowerOfTwo(height)) && device &&
            (device->caps().TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL))
            levels = 1;
        auto texture2D =
            std::make_unique<d3d::Texture2D>(width, height, levels, formatOf(dds.format()), 0, D3DPOOL_MANAGED);
        for (int j = 0; j < levels; ++j) {
            std::vector<uint8_t> data = dds.readLevel(skip + j);
            D3DLOCKED_RECT locked = texture2D->lock(j);
            copyLevel(data, locked, height, dds.compressed());
            texture2D->unlock(j);
            width = std::max(width / 2, 1);
            height = std::max(height / 2, 1);
        }
        texture = std::move(texture2D);
        break;
    }
    case DDSFile::Type::Cube:
        texture = std::make_unique<d3d::TextureCube>(file);
        skip = 0;
        break;
    case DDSFile::Type::Volume:
        texture = std::make_unique<d3d::Texture3D>(file);
        skip = 0;
        break;
    default:
        throw core::Exception("Unknown texture type");
    }
    m_texture = std::move(texture);
    m_name = name;
    m_skip = skip;
    m_srgb = srgb;
}

void RenderableTextureD3D9::reload()
{
    if (!m_name.empty())
        load(m_name, m_skip, m_srgb);
}

void RenderableTextureD3D9::save(const std::string& path)
{
    if (!m_texture || !m_texture->base())
        throw d3d::Exception_D3DError("D3DXSaveTextureToFile failed", D3DERR_INVALIDCALL);
    saveTextureDDS(m_texture->base(), path);
}

RenderableTextureD3D9* createRenderBufferD3D9(int width, int height)
{
    return new RenderableTextureD3D9(std::make_unique<d3d::Texture2D>(width, height, 1, D3DFMT_A16B16G16R16F,
                                                                      D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT));
}

} // namespace engine
