#pragma once

// Texture sources converted to DDS files through D3DX: A8R8G8B8, DXT1 or DXT5
// (by the ".texture" options) with the whole mip chain. The files are the
// same kind the portable converter writes, so either renderer loads them.

#include "engine/assets/AssetProcessor.h"

#include <d3d9.h>

namespace engine {

class TextureAssetProcessorD3D9 final : public BaseTextureAssetProcessor {
public:
    TextureAssetProcessorD3D9() : BaseTextureAssetProcessor("dds") {}
    // Needs the current Direct3D device (d3d::Device::current()).
    void convert(const std::string& source, const std::string& native, const TextureOptions& options) override;
};

// Writes the texture with its levels as a DDS file through D3DX; where D3DX
// has no DDS writer, flat A8R8G8B8, X8R8G8B8 and DXT textures are written by
// quill's own. Throws d3d::Exception_D3DError on failure.
void saveTextureDDS(IDirect3DBaseTexture9* texture, const std::string& path);

// The Direct3D 9 renderer's texture processors, registered when it
// initialises: DDS files as they are, and the image sources the OpenGL
// renderer converts too ("tga", "png", "jpg") through D3DX.
void registerTextureProcessorsD3D9();

} // namespace engine
