#include "core/Exception.h"
#include "engine/assets/MaterialLibrary.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

std::string nameOf(int i) {
    return "p" + std::to_string(i);
}

} // namespace

TEST(Material, SixteenParametersThenTheSeventeenthNameIsRefused) {
    Material material("material-test-params");
    for (int i = 0; i < Material::MaxParameters; ++i)
        material.setParameter(nameOf(i), float(i));
    try {
        material.setParameter("one too many", 1.0f);
        FAIL() << "a 17th parameter was taken";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "Too many shader parameters");
    }
    // A name in use keeps its slot, whatever the setter.
    const float values[] = {1, 2, 3};
    material.setParameter(nameOf(5), values, 3);
    material.setParameterTextureFilter(nameOf(5), int32_t(TextureFilter::Nearest));
    EXPECT_EQ(material.getParameterCount(), Material::MaxParameters);
    const ShaderParameter& slot = material.getParameter(5);
    EXPECT_EQ(slot.type, ShaderParameter::Float3);
    EXPECT_EQ(slot.value[2], 3.0f);
    EXPECT_EQ(slot.textureFilter, int32_t(TextureFilter::Nearest));
}

TEST(Material, FilterAndAddressSettersLeaveTheValueAlone) {
    Material material("material-test-filter");
    material.setParameter("gloss", 0.5f);
    material.setParameterTextureAddress("gloss", int32_t(TextureAddressMode::Clamp));
    material.setParameterTextureFilter("fresh", int32_t(TextureFilter::Anisotropic));
    ASSERT_EQ(material.getParameterCount(), 2);
    EXPECT_EQ(material.getParameter(0).type, ShaderParameter::Float1);
    EXPECT_EQ(material.getParameter(0).value[0], 0.5f);
    EXPECT_EQ(material.getParameter(0).textureAddress, int32_t(TextureAddressMode::Clamp));
    // A slot named by a filter alone is a texture slot with no texture.
    EXPECT_EQ(material.getParameter(1).type, ShaderParameter::Texture);
    EXPECT_EQ(material.getParameter(1).textureFilter, int32_t(TextureFilter::Anisotropic));
    EXPECT_FALSE(material.getParameter(1).texture);
}

TEST(MaterialLibrary, AbsentPropertiesResetTheFieldsNotToConstructorDefaults) {
    Material* existing = getMaterial("material-test-reset");
    existing->doubleSided = true;
    existing->alphaTest = true;
    existing->blendMode = 3;
    existing->depthBias = 2.0f;
    MaterialLibrary library;
    library.parse("material { Name = \"material-test-reset\" }\n"
                  "material { Name = \"material-test-new\",\n Lighting = true,\n Glossiness = 8,\n BlendMode = 7\n}\n"
                  "other { Name = \"material-test-ignored\" }\n",
                  "reset.mtl", 0);
    ASSERT_EQ(library.getMaterialCount(), 2);
    EXPECT_EQ(library.getMaterial(0), existing) << "redefined in place";
    EXPECT_FALSE(existing->lighting);
    EXPECT_EQ(existing->glossiness, 0.0f);
    EXPECT_FALSE(existing->doubleSided);
    EXPECT_FALSE(existing->alphaTest);
    EXPECT_EQ(existing->blendMode, 0);
    EXPECT_EQ(existing->depthBias, 0.0f);

    Material* fresh = library.findMaterial("material-test-new");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh, findMaterial("material-test-new")) << "registered";
    EXPECT_TRUE(fresh->lighting);
    EXPECT_EQ(fresh->glossiness, 8.0f);
    EXPECT_EQ(fresh->blendMode, 7) << "kept as read; the script getter names it \"???\"";
    EXPECT_EQ(library.findMaterial("material-test-ignored"), nullptr);
    EXPECT_EQ(findMaterial("material-test-ignored"), nullptr);
}

TEST(MaterialLibrary, TwoLibrariesShareOneMaterialOfAName) {
    Material* held = nullptr;
    {
        MaterialLibrary first;
        first.parse("material { Name = \"material-test-shared\",\n Glossiness = 4\n}\n", "a.mtl", 0);
        MaterialLibrary second;
        second.parse("material { Name = \"material-test-shared\",\n Glossiness = 9,\n DoubleSided = true\n}\n",
                     "b.mtl", 0);
        held = first.getMaterial(0);
        EXPECT_EQ(second.getMaterial(0), held);
        EXPECT_EQ(held->glossiness, 9.0f);
        EXPECT_TRUE(held->doubleSided);
        EXPECT_EQ(core::refCountOf(held), 2u);
    }
    EXPECT_EQ(findMaterial("material-test-shared"), nullptr) << "released with the last library";
}

TEST(MaterialLibrary, MaterialsBeforeAFailureKeepTheirNewValues) {
    core::CountedRef<Material> kept(getMaterial("material-test-before-failure"));
    MaterialLibrary library;
    // No renderer runs here, so the texture cannot load.
    EXPECT_THROW(library.parse("material { Name = \"material-test-before-failure\",\n Glossiness = 3\n}\n"
                               "material { Name = \"material-test-failing\",\n DiffuseMap = \"stone.dds\"\n}\n",
                               "failing.mtl", 0),
                 core::Exception);
    EXPECT_EQ(kept->glossiness, 3.0f);
    EXPECT_EQ(findMaterial("material-test-failing"), nullptr) << "the half-made material is not left behind";
}

TEST(Material, DefaultMaterialHasTheDefaults) {
    Material* material = defaultMaterial();
    EXPECT_EQ(findMaterial("default"), material);
    EXPECT_TRUE(material->lighting);
    EXPECT_EQ(material->glossiness, 20.0f);
    EXPECT_EQ(material->getParameterCount(), 0);
    EXPECT_FALSE(material->diffuseMap);
    EXPECT_FALSE(material->shader);
}

TEST(Material, TheOldestMaterialOfANameIsFoundWhateverTheRenames) {
    Material older("material-test-older");
    Material newer("material-test-name");
    EXPECT_EQ(findMaterial("material-test-name"), &newer);
    older.setName("material-test-name");
    EXPECT_EQ(findMaterial("material-test-name"), &older) << "created first";
    EXPECT_EQ(findMaterial("material-test-older"), nullptr);
    older.setName("material-test-gone");
    EXPECT_EQ(findMaterial("material-test-name"), &newer);
}
