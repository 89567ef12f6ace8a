#include "engine/assets/Material.h"

#include "core/Exception.h"
#include "core/HashMap.h"
#include "core/RefRegistry.h"

#include <algorithm>
#include <vector>

namespace engine {

namespace {

// The registry, indexed by name: each name's materials in creation order, so
// that a library of thousands of materials does not search them all for each
// one it defines. Never destroyed: materials held by static objects may
// outlive any destruction order at exit.
core::HashMap<std::string, std::vector<Material*>>& registry() {
    static auto* materials = new core::HashMap<std::string, std::vector<Material*>>;
    return *materials;
}

uint64_t nextSequence = 0;

} // namespace

void Material::enlist() {
    std::vector<Material*>* named = registry().find(m_name);
    if (!named)
        named = &registry().insert(m_name, {});
    auto place = std::find_if(named->begin(), named->end(),
                              [this](const Material* other) { return other->m_sequence > m_sequence; });
    named->insert(place, this);
}

void Material::delist() {
    std::vector<Material*>* named = registry().find(m_name);
    named->erase(std::find(named->begin(), named->end(), this));
    if (named->empty())
        registry().remove(m_name);
}

Material::Material(std::string name) : m_name(std::move(name)), m_sequence(nextSequence++) {
    enlist();
}

Material::~Material() {
    delist();
}

void Material::setName(std::string name) {
    delist();
    m_name = std::move(name);
    enlist();
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
    const std::vector<Material*>* named = registry().find(name);
    return named ? named->front() : nullptr;
}

Material* getMaterial(const std::string& name) {
    if (Material* material = findMaterial(name))
        return material;
    return new Material(name);
}

} // namespace engine
