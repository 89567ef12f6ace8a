#pragma once

// A texture of the Direct3D 9 renderer: a 2D, cube or volume d3d texture.

#include "engine/render/RenderableTexture.h"
#include "engine/render/d3d9/D3DResources.h"

#include <memory>

namespace engine {

class RenderableTextureD3D9 final : public RenderableTexture {
public:
    RenderableTextureD3D9() = default;
    // Takes the texture over (render buffers, prerendered cubes).
    explicit RenderableTextureD3D9(std::unique_ptr<d3d::BaseTexture> texture) : m_texture(std::move(texture)) {}

    void createFromImage(const core::Image& image) override;
    void load(const std::string& name, int skip, bool srgb) override;
    // Loads the stored name again with the stored skip and sRGB flag.
    void reload() override;
    // A DDS file through D3DX.
    void save(const std::string& path) override;
    int getWidth() const override { return m_texture ? m_texture->width() : 0; }
    int getHeight() const override { return m_texture ? m_texture->height() : 0; }

    // Null until created or loaded.
    d3d::BaseTexture* texture() const { return m_texture.get(); }
    d3d::Texture2D* texture2D() const { return dynamic_cast<d3d::Texture2D*>(m_texture.get()); }
    bool srgb() const { return m_srgb; }
    int skippedLevels() const { return m_skip; }

private:
    std::unique_ptr<d3d::BaseTexture> m_texture;
    int m_skip = 0;
    bool m_srgb = false;
};

// A render-target texture: one level of A16B16G16R16F in the default pool.
RenderableTextureD3D9* createRenderBufferD3D9(int width, int height);

} // namespace engine
