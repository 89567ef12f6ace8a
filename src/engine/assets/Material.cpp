#include "engine/assets/Material.h"

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
