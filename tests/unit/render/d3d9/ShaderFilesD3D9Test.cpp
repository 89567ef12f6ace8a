// The HLSL files quill ships (data/shaders/d3d9/): every entry point with
// every slot's macros compiles, and declares the constants the passes set
// under the names and types they set them with.
#ifdef _WIN32
#include "core/Exception.h"
#include "engine/render/d3d9/RenderableShaderD3D9.h"
#include "render/d3d9/D3D9TestDevice.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

namespace {

using engine::ConstantTableD3D9;
using engine::ShaderD3D9;

struct Expected {
    const char* name;
    int type;
    int registers; // 0: any
};

void expectConstants(const ShaderD3D9* shader, std::initializer_list<Expected> constants, const std::string& what) {
    ASSERT_NE(shader, nullptr) << what;
    for (const Expected& e : constants) {
        const ConstantTableD3D9::Constant* constant = shader->find(e.name);
        ASSERT_NE(constant, nullptr) << what << ": " << e.name;
        EXPECT_EQ(constant->type, e.type) << what << ": " << e.name;
        if (e.registers) {
            EXPECT_EQ(constant->registerCount, e.registers) << what << ": " << e.name;
        }
    }
}

class ShaderFilesD3D9Test : public D3D9TestDevice {
protected:
    TempDirectory folder_; // no shader files here: the built-in set is read
};

TEST_F(ShaderFilesD3D9Test, EverySurfaceProgramCompiles) {
    using Defines = std::vector<std::string>;
    const struct {
        const char* file;
        const char* entry;
        bool pixel;
        std::vector<Defines> defines;
    } programs[] = {
        {"mesh", "main", false, {{}, {"SKINNING"}, {"NORMAL_MAP"}, {"NORMAL_MAP", "SKINNING"}}},
        {"mesh_geometry", "main", true, {{}, {"ALPHA_TEST"}, {"NORMAL_MAP"}, {"NORMAL_MAP", "ALPHA_TEST"}}},
        {"mesh_material", "main", true, {{}, {"ALPHA_TEST"}}},
        {"mesh_unlit", "main", true, {{}, {"ALPHA_TEST"}}},
        {"mesh_shadow", "shadow_vs", false, {{}, {"SKINNING"}}},
        {"mesh_shadow", "shadow_ps", true, {{}, {"ALPHA_TEST"}}},
        {"mesh_shadow", "shadow_dirlight_ps", true, {{}, {"ALPHA_TEST"}}},
    };
    for (const auto& program : programs) {
        for (const Defines& defines : program.defines) {
            std::string what = std::string(program.file) + " " + program.entry;
            for (const std::string& define : defines)
                what += " " + define;
            engine::ShaderSourceD3D9 source{std::string("shaders/d3d9/") + program.file + ".hlsl", program.entry,
                                            defines, true, ""};
            try {
                if (program.pixel)
                    ShaderD3D9::createPixelShader(*device_, source);
                else
                    ShaderD3D9::createVertexShader(*device_, source);
            } catch (const core::Exception& e) {
                ADD_FAILURE() << what << ": " << e.getMessage();
            }
        }
    }
}

TEST_F(ShaderFilesD3D9Test, SurfaceShaderSlotsDeclareTheirConstants) {
    engine::RenderableShaderD3D9 shader(*device_);
    try {
        shader.loadSurfaceShader("", "", "", "", "");
    } catch (const core::Exception& e) {
        FAIL() << e.getMessage();
    }
    for (int slot = 3; slot <= 6; ++slot) {
        expectConstants(shader.slot(slot),
                        {{"g_viewProjMatrix", 6, 4}, {"g_viewMatrix", 6, 4}, {"g_normalMatrix", 4, 3}},
                        "slot " + std::to_string(slot));
        EXPECT_EQ(shader.slot(slot)->constants().builtin(ConstantTableD3D9::ViewMatrix),
                  shader.slot(slot)->find("g_viewMatrix"));
        bool skinned = slot == 4 || slot == 6;
        EXPECT_EQ(shader.slot(slot)->find("g_skinningMatrices") != nullptr, skinned) << slot;
    }
    expectConstants(shader.slot(4), {{"g_skinningMatrices", 3, 0}}, "slot 4");
    expectConstants(shader.slot(16), {{"g_skinningMatrices", 3, 0}, {"g_viewProjMatrix", 6, 4}}, "slot 16");
    expectConstants(shader.slot(15), {{"g_viewProjMatrix", 6, 4}, {"g_viewMatrix", 6, 4}}, "slot 15");
    for (int slot : {7, 8})
        expectConstants(shader.slot(slot), {{"g_specularMap", 7, 0}, {"g_glossiness", 0, 1}}, "geometry");
    for (int slot : {9, 10})
        expectConstants(shader.slot(slot), {{"g_normalMap", 7, 0}, {"g_specularMap", 7, 0}}, "geometry, normal map");
    for (int slot : {11, 12})
        expectConstants(shader.slot(slot),
                        {{"g_diffuseMap", 7, 0}, {"g_specularMap", 7, 0}, {"g_lightBuffer", 7, 0},
                         {"g_invScreenSize", 1, 1}, {"g_emissiveColor", 2, 1}},
                        "material");
    for (int slot : {13, 14})
        expectConstants(shader.slot(slot), {{"g_diffuseMap", 7, 0}, {"g_emissiveColor", 2, 1}}, "unlit");
    expectConstants(shader.slot(17), {{"g_invLightRange", 0, 1}}, "point shadow");
}

TEST_F(ShaderFilesD3D9Test, DrawingAndParticleProgramsCompileWithTheirConstants) {
    struct Program {
        const char* file;
        const char* entry;
        bool pixel;
        std::initializer_list<Expected> constants;
    } programs[] = {
        {"shaders/d3d9/immediate_mode.hlsl", "line_vs", false, {{"g_transform", 6, 4}}},
        {"shaders/d3d9/immediate_mode.hlsl", "line_ps", true, {{"g_lineWidth", 0, 1}}},
        {"shaders/d3d9/immediate_mode.hlsl", "rounded_rect_vs", false, {{"g_transform", 6, 4}}},
        {"shaders/d3d9/immediate_mode.hlsl", "rounded_rect_ps", true,
         {{"g_rectPos", 1, 1}, {"g_rectSize", 1, 1}, {"g_rectRadius", 0, 1}, {"g_color", 3, 1}}},
        {"shaders/d3d9/particle.hlsl", "particle_vs", false,
         {{"g_localToWorld", 6, 4}, {"g_modelView", 6, 4}, {"g_proj", 6, 4}, {"g_fadeParams", 2, 1},
          {"g_textureAnimParams", 3, 1}, {"g_gravity", 2, 1}, {"g_airResistance", 0, 1}, {"g_rotationSpeed", 0, 1},
          {"g_clampToGroundPlane", 0, 1}, {"g_depthBias", 0, 1}, {"g_colorTable", 3, 4}, {"g_opacity", 0, 1}}},
        {"shaders/d3d9/particle.hlsl", "particle_ps", true,
         {{"g_texture", 7, 0}, {"g_geometryBuffer", 7, 0}, {"g_invScreenSize", 1, 1}, {"g_softParticles", 0, 1}}},
    };
    for (const Program& program : programs) {
        const std::string what = std::string(program.file) + " " + program.entry;
        std::unique_ptr<ShaderD3D9> shader;
        try {
            engine::ShaderSourceD3D9 source{program.file, program.entry, {}, true, ""};
            shader = program.pixel ? ShaderD3D9::createPixelShader(*device_, source)
                                   : ShaderD3D9::createVertexShader(*device_, source);
        } catch (const core::Exception& e) {
            ADD_FAILURE() << what << ": " << e.getMessage();
            continue;
        }
        expectConstants(shader.get(), program.constants, what);
    }
}

} // namespace
#endif
