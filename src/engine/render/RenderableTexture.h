#pragma once

// The backend-independent texture that materials, fonts and scripts hold.
// Every live texture is in one process-wide list, so that a name loads once;
// the list does not keep a texture alive (counted references do).

#include <string>

namespace core {
class Image;
}

namespace engine {

class RenderableTexture {
public:
    RenderableTexture();
    virtual ~RenderableTexture();
    RenderableTexture(const RenderableTexture&) = delete;
    RenderableTexture& operator=(const RenderableTexture&) = delete;

    virtual void createFromImage(const core::Image& image) = 0;
    // Reads the DDS file the asset processors make for the name, leaving out
    // the first `skip` levels; throws core::Exception on failure.
    virtual void load(const std::string& name, int skip, bool srgb) = 0;
    virtual void reload() {}
    virtual void save(const std::string&) {}
    virtual int getWidth() const = 0;
    virtual int getHeight() const = 0;

    // The name given to load; empty for textures made from images.
    const std::string& getName() const { return m_name; }

    // How 2D drawing samples the texture. Default leaves the texture's own
    // sampling (its mip chain, as created or loaded); the others are chosen
    // by the script, nearest for crisp and cheap pixel art.
    enum class Filter { Default, Nearest, Linear, Trilinear };
    void setFilter(Filter filter) { m_filter = filter; }
    Filter getFilter() const { return m_filter; }

protected:
    std::string m_name;
    Filter m_filter = Filter::Default;
};

// The texture of that exact name, or null.
RenderableTexture* findTexture(const std::string& name);

// The texture already loaded under the name (skip and srgb then have no
// effect), or a new one of the current renderer. A failed load leaves nothing
// behind and throws. The result has no counted reference yet.
RenderableTexture* loadTexture(const std::string& name, int skip, bool srgb);

// A new texture of the current renderer holding the image.
RenderableTexture* createTexture(const core::Image& image);

} // namespace engine
