#include "engine/render/d3d9/TextureAssetProcessorD3D9.h"

#include "core/Exception.h"
#include "core/Image.h"
#include "engine/render/DDSFile.h"
#include "engine/render/d3d9/D3DDevice.h"

#include <d3dx9tex.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace engine {

namespace {

struct TextureHolder {
    IDirect3DTexture9* texture = nullptr;
    ~TextureHolder() {
        if (texture)
            texture->Release();
    }
};

// The DDS format of a texture's pixels, for the formats a DDS file of ours holds.
bool ddsFormatOf(D3DFORMAT format, DDSFile::Format& dds) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        dds = DDSFile::Format::A8R8G8B8;
        return true;
    case D3DFMT_DXT1:
        dds = DDSFile::Format::DXT1;
        return true;
    case D3DFMT_DXT3:
        dds = DDSFile::Format::DXT3;
        return true;
    case D3DFMT_DXT5:
        dds = DDSFile::Format::DXT5;
        return true;
    default:
        return false;
    }
}

// The texture's levels as a DDS file, for D3DX libraries without a DDS
// writer (Wine's answers E_NOTIMPL). The bytes are those D3DX made.
void saveLevels(IDirect3DTexture9* texture, DDSFile::Format format, const std::string& path) {
    D3DSURFACE_DESC top;
    texture->GetLevelDesc(0, &top);
    std::vector<std::vector<uint8_t>> levels;
    for (DWORD i = 0; i < texture->GetLevelCount(); ++i) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(i, &desc);
        // Rows of pixels, or of 4 x 4 blocks.
        const bool compressed = format != DDSFile::Format::A8R8G8B8;
        const size_t rows = compressed ? std::max(1u, (desc.Height + 3) / 4) : desc.Height;
        const size_t rowBytes = compressed ? DDSFile::levelBytes(format, desc.Width, 4) : size_t(desc.Width) * 4;
        D3DLOCKED_RECT locked;
        HRESULT hr = texture->LockRect(i, &locked, nullptr, D3DLOCK_READONLY);
        if (FAILED(hr))
            throw d3d::Exception_D3DError("LockRect failed", hr);
        std::vector<uint8_t>& level = levels.emplace_back(rows * rowBytes);
        for (size_t row = 0; row < rows; ++row)
            std::memcpy(&level[row * rowBytes], static_cast<const uint8_t*>(locked.pBits) + size_t(locked.Pitch) * row,
                        rowBytes);
        texture->UnlockRect(i);
    }
    writeDDS(path, format, top.Width, top.Height, levels);
}

} // namespace

void saveTextureDDS(IDirect3DBaseTexture9* texture, const std::string& path) {
    HRESULT hr = D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, texture, nullptr);
    if (hr == E_NOTIMPL && texture->GetType() == D3DRTYPE_TEXTURE) {
        auto* flat = static_cast<IDirect3DTexture9*>(texture);
        D3DSURFACE_DESC top;
        DDSFile::Format format;
        if (SUCCEEDED(flat->GetLevelDesc(0, &top)) && ddsFormatOf(top.Format, format)) {
            saveLevels(flat, format, path);
            return;
        }
    }
    if (FAILED(hr))
        throw d3d::Exception_D3DError("D3DXSaveTextureToFile failed", hr);
}

void TextureAssetProcessorD3D9::convert(const std::string& source, const std::string& native,
                                        const TextureOptions& options) {
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    if (options.compressed)
        format = options.alpha ? D3DFMT_DXT5 : D3DFMT_DXT1;

    // Pixels in memory are blue, green, red, alpha: the A8R8G8B8 layout.
    core::Image image = core::Image::load(source);
    const UINT width = UINT(image.getWidth());
    const UINT height = UINT(image.getHeight());

    d3d::Device* device = d3d::Device::current();
    if (!device)
        throw core::Exception("No Direct3D device to convert %s", source.c_str());

    TextureHolder holder;
    HRESULT hr = device->get()->CreateTexture(width, height, 0, 0, format, D3DPOOL_MANAGED, &holder.texture, nullptr);
    if (FAILED(hr))
        throw d3d::Exception_D3DError("CreateTexture failed", hr);

    if (format == D3DFMT_A8R8G8B8) {
        D3DLOCKED_RECT locked;
        hr = holder.texture->LockRect(0, &locked, nullptr, 0);
        if (FAILED(hr))
            throw d3d::Exception_D3DError("LockRect failed", hr);
        // Row by row: the driver's pitch may be wider than the picture.
        for (UINT y = 0; y < height; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(locked.Pitch) * y,
                        image.data() + size_t(width) * 4 * y, size_t(width) * 4);
        holder.texture->UnlockRect(0);
    } else {
        IDirect3DSurface9* surface = nullptr;
        hr = holder.texture->GetSurfaceLevel(0, &surface);
        if (FAILED(hr))
            throw d3d::Exception_D3DError("GetSurfaceLevel failed", hr);
        RECT rect = {0, 0, LONG(width), LONG(height)};
        hr = D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, image.data(), D3DFMT_A8R8G8B8, width * 4, nullptr,
                                       &rect, D3DX_FILTER_POINT, 0);
        surface->Release();
        if (FAILED(hr))
            throw d3d::Exception_D3DError("D3DXLoadSurfaceFromMemory failed", hr);
    }

    hr = D3DXFilterTexture(holder.texture, nullptr, 0, D3DX_DEFAULT);
    if (FAILED(hr))
        throw d3d::Exception_D3DError("D3DXFilterTexture failed", hr);
    saveTextureDDS(holder.texture, native);
}

void registerTextureProcessorsD3D9() {
    registerAssetProcessor(AssetProcessor::Texture, "dds", "dds");
    for (const char* source : {"tga", "png", "jpg"})
        registerAssetProcessor(AssetProcessor::Texture, source,
                               core::CountedRef<AssetProcessor>(new TextureAssetProcessorD3D9));
}

} // namespace engine
