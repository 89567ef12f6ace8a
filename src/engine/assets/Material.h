#pragma once

// How a mesh segment is shaded. Materials are shared by name: mesh files,
// importers and scripts that name the same material get the same object.

#include "core/RefRegistry.h"
#include "engine/render/RenderableShader.h"
#include "engine/render/RenderableTexture.h"

#include <array>
#include <cstdint>
#include <string>

namespace engine {

enum class TextureAddressMode : int32_t { Wrap = 0, Clamp = 1 };
enum class TextureFilter : int32_t {
    Nearest = 0,
    Linear = 1,
    Nearest_MipNearest = 2,
    Linear_MipNearest = 3,
    Linear_MipLinear = 4,
    Anisotropic = 5,
};

// A named value a custom shader reads: a texture (type 0) or one to four floats.
struct ShaderParameter {
    enum Type : int32_t { Texture = 0, Float1 = 1, Float2 = 2, Float3 = 3, Float4 = 4 };

    std::string name;
    int32_t type = Texture;
    core::CountedRef<RenderableTexture> texture;  // a texture or a render buffer
    int32_t textureFilter = int32_t(TextureFilter::Linear_MipNearest);
    int32_t textureAddress = int32_t(TextureAddressMode::Wrap);
    std::array<float, 4> value{};
};

class Material {
public:
    static constexpr int MaxParameters = 16;

    // Registers the new material; the registry keeps creation order, so a
    // later material of an existing name is found after the older one.
    explicit Material(std::string name);
    virtual ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    const std::string& getName() const { return m_name; }
    void setName(std::string name);

    // Fields are read directly by the renderers when drawing.
    core::CountedRef<RenderableTexture> diffuseMap;
    core::CountedRef<RenderableTexture> specularMap;
    core::CountedRef<RenderableTexture> normalMap;
    core::CountedRef<RenderableShader> shader;  // none: the renderer's standard shading
    bool doubleSided = false;
    bool lighting = true;
    bool alphaTest = false;
    // Kept as plain integers: a library may store any value, and getters
    // report the ones outside the enumeration as unknown.
    int32_t blendMode = 0;  // the renderer's BlendMode: Opaque, Additive, Modulative, Translucent
    int32_t textureAddressMode = int32_t(TextureAddressMode::Wrap);
    float glossiness = 20.0f;
    float depthBias = 0.0f;

    int getParameterCount() const { return m_parameterCount; }
    const ShaderParameter& getParameter(int index) const { return m_parameters[size_t(index)]; }

    // Each setter finds the slot of that name or takes the next free one;
    // a 17th distinct name throws "Too many shader parameters".
    void setParameter(const std::string& name, float value);
    void setParameter(const std::string& name, const float* values, int count);
    void setParameterTexture(const std::string& name, RenderableTexture* texture);
    void setParameterTextureFilter(const std::string& name, int32_t filter);
    void setParameterTextureAddress(const std::string& name, int32_t address);

private:
    ShaderParameter& parameterSlot(const std::string& name);
    void enlist();
    void delist();

    std::string m_name;
    uint64_t m_sequence;  // creation order, which decides between equal names
    std::array<ShaderParameter, MaxParameters> m_parameters;
    int m_parameterCount = 0;
};

// The first registered material of that exact name, or null.
Material* findMaterial(const std::string& name);
// As findMaterial, but creates the material when none has that name.
Material* getMaterial(const std::string& name);
// The material "default", created on first use and kept for the life of the
// process; new mesh segments refer to it.
Material* defaultMaterial();

} // namespace engine
