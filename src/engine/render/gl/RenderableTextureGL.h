#pragma once

#include "engine/render/RenderableTexture.h"
#include "engine/render/gl/TextureGL.h"

#include <memory>

namespace engine {

class RenderableTextureGL final : public RenderableTexture {
public:
    RenderableTextureGL() = default;
    // Takes the GL texture over (render targets).
    explicit RenderableTextureGL(std::unique_ptr<TextureGL> texture) : m_texture(std::move(texture)) {}

    void createFromImage(const core::Image& image) override;
    void load(const std::string& name, int skip, bool srgb) override;
    int getWidth() const override { return m_texture ? m_texture->width() : 0; }
    int getHeight() const override { return m_texture ? m_texture->height() : 0; }

    // Null until created or loaded.
    TextureGL* texture() const { return m_texture.get(); }
    // Whether the texture holds a picture (made from an image or a file),
    // whose first row is its top; render targets hold theirs bottom row first.
    bool topRowFirst() const { return m_topRowFirst; }

private:
    std::unique_ptr<TextureGL> m_texture;
    bool m_topRowFirst = false;
};

// A render-target texture: one level of GL_RGBA16F, nearest filtering, clamped.
RenderableTextureGL* createRenderBufferGL(int width, int height);

} // namespace engine
