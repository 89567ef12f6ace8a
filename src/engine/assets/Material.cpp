#include "engine/assets/Material.h"

#include "core/Exception.h"
#include "core/RefRegistry.h"

#include <algorithm>
#include <vector>

namespace engine {

namespace {

// Never destroyed: materials held by static objects may outlive any
// destruction order at exit.
std::vector<Material*>& registry() {
    static auto* materials = new std::vector<Material*>;
    return *materials;
}

} // namespace

Material::Material(std::string name) : m_name(std::move(name)) {
    registry().push_back(this);
}

Material::~Material() {
    auto& materials = registry();
    materials.erase(std::find(materials.begin(), materials.end(), this));
}

ShaderParameter& Material::parameterSlot(const std::string& name) {
    for (int i = 0; i < m_parameterCount; ++i)
        if (m_parameters[size_t(i)].name == name)
            return m_parameters[size_t(i)];
    if (m_parameterCount == MaxParameters)
        throw core::Exception("Too many shader parameters");
    ShaderParameter& slot = m_parameters[size_t(m_parameterCount++)];
    slot.name = name;
    return slot;
}

void Material::setParameter(const std::string& name, float value) {
    setParameter(name, &value, 1);
}

void Material::setParameter(const std::string& name, const float* values, int count) {
    ShaderParameter& slot = parameterSlot(name);
    slot.type = count;
    std::copy(values, values + count, slot.value.begin());
}

void Material::setParameterTexture(const std::string& name, RenderableTexture* texture) {
    ShaderParameter& slot = parameterSlot(name);
    slot.type = ShaderParameter::Texture;
    slot.texture = core::CountedRef<RenderableTexture>(texture);
}

void Material::setParameterTextureFilter(const std::string& name, int32_t filter) {
    parameterSlot(name).textureFilter = filter;
}

void Material::setParameterTextureAddress(const std::string& name, int32_t address) {
    parameterSlot(name).textureAddress = address;
}

Material* defaultMaterial() {
    static auto* held = new core::CountedRef<Material>(new Material("default"));
    return held->get();
}

Material* findMaterial(const std::string& name) {
    defaultMaterial();  // exists from the start, so "default" always finds it
    for (Material* material : registry())
        if (material->getName() == name)
            return material;
    return nullptr;
}

Material* getMaterial(const std::string& name) {
    if (Material* material = findMaterial(name))
        return material;
    return new Material(name);
}

} // namespace engine
