#include "engine/assets/MaterialLibrary.h"

#include "core/TextDocument.h"

namespace engine {

namespace {

core::CountedRef<RenderableTexture> textureOf(const core::block& block, const char* property, int skip) {
    const char* name = block.getString(property, "");
    if (!*name)
        return {};
    return core::CountedRef<RenderableTexture>(loadTexture(name, skip, false));
}

// Every property is written, absent ones with the getter's fallback: a
// definition describes the whole material, whatever it held before.
void define(Material& material, const core::block& block, int skip) {
    material.diffuseMap = textureOf(block, "DiffuseMap", skip);
    material.specularMap = textureOf(block, "SpecularMap", skip);
    material.normalMap = textureOf(block, "NormalMap", skip);
    material.doubleSided = block.getBool("DoubleSided", false);
    material.lighting = block.getBool("Lighting", false);
    material.alphaTest = block.getBool("AlphaTest", false);
    material.blendMode = block.getInt("BlendMode", 0);
    material.textureAddressMode = block.getInt("TextureAddressMode", 0);
    material.glossiness = block.getFloat("Glossiness", 0.0f);
    material.depthBias = block.getFloat("DepthBias", 0.0f);
}

} // namespace

void MaterialLibrary::load(const std::string& path, int textureSkip) {
    core::document document;
    document.load(path);
    read(document, textureSkip);
}

void MaterialLibrary::parse(const std::string& text, const std::string& path, int textureSkip) {
    core::document document;
    document.parse(text, path);
    read(document, textureSkip);
}

void MaterialLibrary::read(core::document& document, int textureSkip) {
    core::block& root = document.root();
    for (int i = 0; i < root.childCount(); ++i) {
        const core::block& block = *root.child(i);
        if (block.name() != "material")
            continue;
        std::string name = block.getString("Name", "");
        Material* material = engine::findMaterial(name);
        core::CountedRef<Material> held(material ? material : new Material(name));
        define(*held, block, textureSkip);
        m_materials.push_back(std::move(held));
    }
}

Material* MaterialLibrary::findMaterial(const std::string& name) const {
    for (const auto& material : m_materials)
        if (material->getName() == name)
            return material.get();
    return nullptr;
}

} // namespace engine
