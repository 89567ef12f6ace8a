#include "engine/render/RenderableTexture.h"

#include "core/Exception.h"
#include "engine/render/Renderer.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace engine {

namespace {

std::vector<RenderableTexture*>& textures() {
    static std::vector<RenderableTexture*> list;
    return list;
}

Renderer& currentRenderer() {
    Renderer* renderer = Renderer::current();
    if (!renderer)
        throw core::Exception("engine not initialized");
    return *renderer;
}

} // namespace

RenderableTexture::RenderableTexture() {
    textures().push_back(this);
}

RenderableTexture::~RenderableTexture() {
    auto& list = textures();
    list.erase(std::find(list.begin(), list.end(), this));
}

RenderableTexture* findTexture(const std::string& name) {
    // Textures made from images have no name and are never found by one.
    if (name.empty())
        return nullptr;
    for (RenderableTexture* texture : textures())
        if (texture->getName() == name)
            return texture;
    return nullptr;
}

RenderableTexture* loadTexture(const std::string& name, int skip, bool srgb) {
    if (RenderableTexture* texture = findTexture(name))
        return texture;
    std::unique_ptr<RenderableTexture> texture(currentRenderer().createRenderableTexture());
    texture->load(name, skip, srgb);
    return texture.release();
}

RenderableTexture* createTexture(const core::Image& image) {
    std::unique_ptr<RenderableTexture> texture(currentRenderer().createRenderableTexture());
    texture->createFromImage(image);
    return texture.release();
}

} // namespace engine
