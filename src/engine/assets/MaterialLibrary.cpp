#include "engine/assets/MaterialLibrary.h"

#include "core/TextDocument.h"

namespace engine {

namespace {

core::CountedRef<RenderableTexture> textureOf(const core::block& block, const char* property, int skip,
                                              const std::string& folder) {
    const char* name = block.getString(property, "");
    if (!*name)
        return {};
    std::string path = folder.empty() ? std::string(name) : folder + "/" + name;
    return core::CountedRef<RenderableTexture>(loadTexture(path, skip, false));
}

// Every property is written, absent ones with the getter's fallback: a
// definition describes the whole material, whatever it held before.
void define(Material& material, const core::block& block, int skip, const std::string& folder) {
    material.diffuseMap = textureOf(block, "DiffuseMap", skip, folder);
    material.specularMap = textureOf(block, "SpecularMap", skip, folder);
    material.normalMap = textureOf(block, "NormalMap", skip, folder);
    material.doubleSided = block.getBool("DoubleSided", false);
    material.lighting = block.getBool("Lighting", false);
    material.alphaTest = block.getBool("AlphaTest", false);
    material.blendMode = block.getInt("BlendMode", 0);
    material.textureAddressMode = block.getInt("TextureAddressMode", 0);
    material.glossiness = block.getFloat("Glossiness", 0.0f);
    material.depthBias = block.getFloat("DepthBias", 0.0f);
}

} // namespace

void MaterialLibrary::load(const std::string& path, int textureSkip, const std::string& textureFolder) {
    core::document document;
    document.load(path);
    read(document, textureSkip, textureFolder);
}

void MaterialLibrary::parse(const std::string& text, const std::string& path, int textureSkip) {
    core::document document;
    document.parse(text, path);
    read(document, textureSkip, {});
}

void MaterialLibrary::read(core::document& document, int textureSkip, const std::string& textureFolder) {
    core::block& root = document.root();
    for (int i = 0; i < root.childCount(); ++i) {
        const core::block& block = *root.child(i);
        if (block.name() != "material")
            continue;
        std::string name = block.getString("Name", "");
        Material* material = engine::findMaterial(name);
        core::CountedRef<Material> held(material ? material : new Material(name));
        define(*held, block, textureSkip, textureFolder);
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
