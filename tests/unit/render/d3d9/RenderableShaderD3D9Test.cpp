// The twenty-slot surface and post-process shader: which file, entry point
// and macros fill each slot, which slots each pass draws with, and a failed
// load that leaves the shader as it was.
#ifdef _WIN32
#include "core/Exception.h"
#include "engine/render/d3d9/RenderableShaderD3D9.h"
#include "render/d3d9/D3D9TestDevice.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using engine::RenderableShaderD3D9;
using Pass = RenderableShaderD3D9::Pass;

TEST(RenderableShaderD3D9Slots, EachPassPicksItsSlots) {
    struct Case {
        Pass pass;
        bool skinned, normalMapped, alphaTest, lit;
        int vertex, pixel;
    } cases[] = {
        {Pass::GeometryPass, false, false, false, true, 3, 7},
        {Pass::GeometryPass, true, false, true, true, 4, 8},
        {Pass::GeometryPass, false, true, false, true, 5, 9},
        {Pass::GeometryPass, true, true, true, false, 6, 10},
        {Pass::MaterialPass, false, true, false, true, 3, 11},
        {Pass::MaterialPass, true, true, true, true, 4, 12},
        {Pass::MaterialPass, false, false, false, false, 3, 13},
        {Pass::MaterialPass, true, false, true, false, 4, 14},
        {Pass::TransparentPass, true, true, true, true, 4, 13},
        {Pass::TransparentPass, false, false, false, false, 3, 13},
        {Pass::PointShadowPass, false, true, false, true, 15, 17},
        {Pass::PointShadowPass, true, false, true, false, 16, 18},
        {Pass::DirectionalShadowPass, false, false, false, true, 15, 19},
        {Pass::DirectionalShadowPass, true, true, true, true, 16, 20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RenderableShaderD3D9::vertexSlot(c.pass, c.skinned, c.normalMapped), c.vertex) << int(c.pass);
        EXPECT_EQ(RenderableShaderD3D9::pixelSlot(c.pass, c.normalMapped, c.alphaTest, c.lit), c.pixel) << int(c.pass);
    }
}

// Pixel programs (entry point, marker) whose constants tell which macros they were compiled with.
std::string pixelFile(const std::vector<std::pair<std::string, std::string>>& programs) {
    std::string text = "#ifdef ALPHA_TEST\nfloat4 g_alphaTest;\n#endif\n"
                       "#ifdef NORMAL_MAP\nfloat4 g_normalMap;\n#endif\n"
                       "#ifdef SKINNING\nfloat4 g_skinning;\n#endif\n";
    for (const auto& [entry, marker] : programs) {
        text += "float4 g_" + marker + ";\n" + "float4 " + entry + "(float4 c : COLOR0) : COLOR {\n" +
                "  float4 r = c * g_" + marker + ";\n" +
                "#ifdef ALPHA_TEST\n  r += g_alphaTest;\n#endif\n"
                "#ifdef NORMAL_MAP\n  r += g_normalMap;\n#endif\n"
                "#ifdef SKINNING\n  r += g_skinning;\n#endif\n"
                "  return r;\n}\n";
    }
    return text;
}

const char* const vertexFile = "float4x4 g_viewProjMatrix;\n"
                               "#ifdef SKINNING\nfloat4 g_skinningMatrices[6];\n#endif\n"
                               "#ifdef NORMAL_MAP\nfloat4 g_normalMap;\n#endif\n"
                               "float4 main(float4 p : POSITION) : POSITION {\n"
                               "  float4 r = mul(g_viewProjMatrix, p);\n"
                               "#ifdef SKINNING\n  r += g_skinningMatrices[(int)p.x];\n#endif\n"
                               "#ifdef NORMAL_MAP\n  r += g_normalMap;\n#endif\n"
                               "  return r;\n}\n";

class RenderableShaderD3D9Test : public D3D9TestDevice {
protected:
    void SetUp() override {
        D3D9TestDevice::SetUp();
        TempDirectory::write("v.hlsl", vertexFile);
        TempDirectory::write("g.hlsl", pixelFile({{"main", "geometry"}}));
        TempDirectory::write("m.hlsl", pixelFile({{"main", "material"}}));
        TempDirectory::write("u.hlsl", pixelFile({{"main", "unlit"}}));
        TempDirectory::write("s.hlsl", pixelFile({{"shadow_ps", "point"}, {"shadow_dirlight_ps", "dir"}}) +
                                           "#define main shadow_vs\n#define g_viewProjMatrix g_shadowViewProj\n" +
                                           vertexFile);
    }
    std::set<std::string> names(const RenderableShaderD3D9& shader, int slot) {
        std::set<std::string> result;
        if (engine::ShaderD3D9* program = shader.slot(slot)) {
            for (const auto& constant : program->constants().constants())
                result.insert(constant.name);
        }
        return result;
    }
    void load(RenderableShaderD3D9& shader) {
        try {
            shader.loadSurfaceShader("v.hlsl", "g.hlsl", "m.hlsl", "u.hlsl", "s.hlsl");
        } catch (const core::Exception& e) {
            FAIL() << e.getMessage();
        }
    }

    TempDirectory folder_;
};

TEST_F(RenderableShaderD3D9Test, SurfaceSlotsGetTheirFileEntryAndMacros) {
    RenderableShaderD3D9 shader(*device_);
    for (int slot = 0; slot <= 21; ++slot)
        EXPECT_EQ(shader.slot(slot), nullptr) << slot;
    load(shader);

    using Names = std::set<std::string>;
    const Names slots[21] = {
        {},
        {},
        {},
        {"g_viewProjMatrix"},
        {"g_viewProjMatrix", "g_skinningMatrices"},
        {"g_viewProjMatrix", "g_normalMap"},
        {"g_viewProjMatrix", "g_normalMap", "g_skinningMatrices"},
        {"g_geometry"},
        {"g_geometry", "g_alphaTest"},
        {"g_geometry", "g_normalMap"},
        {"g_geometry", "g_normalMap", "g_alphaTest"},
        {"g_material"},
        {"g_material", "g_alphaTest"},
        {"g_unlit"},
        {"g_unlit", "g_alphaTest"},
        {"g_shadowViewProj"},
        {"g_shadowViewProj", "g_skinningMatrices"},
        {"g_point"},
        {"g_point", "g_alphaTest"},
        {"g_dir"},
        {"g_dir", "g_alphaTest"},
    };
    for (int slot = 1; slot <= 20; ++slot) {
        EXPECT_EQ(names(shader, slot), slots[slot]) << "slot " << slot;
        if (engine::ShaderD3D9* program = shader.slot(slot)) {
            bool pixel = program->pixelShader() != nullptr;
            EXPECT_EQ(pixel, !(slot <= 6 || slot == 15 || slot == 16)) << "slot " << slot;
        }
    }
    // The macros name the cache files in list order.
    EXPECT_TRUE(core::fileExists("v_main_normal_map_skinning.d3d9_shader"));
    EXPECT_TRUE(core::fileExists("g_main_normal_map_alpha_test.d3d9_shader"));
    EXPECT_TRUE(core::fileExists("s_shadow_dirlight_ps_alpha_test.d3d9_shader"));

    // A post-process file fills slots 1 and 2 and leaves the rest alone.
    engine::ShaderD3D9* geometry = shader.slot(7);
    TempDirectory::write("p.hlsl", "float4 g_vs; float4 g_ps;\n"
                                   "float4 main_vs(float4 p : POSITION) : POSITION { return p * g_vs; }\n"
                                   "float4 main_ps(float4 c : COLOR0) : COLOR { return c * g_ps; }\n");
    shader.loadPostProcessShader("p.hlsl");
    EXPECT_EQ(names(shader, 1), Names{"g_vs"});
    EXPECT_EQ(names(shader, 2), Names{"g_ps"});
    EXPECT_EQ(shader.slot(7), geometry);
}

TEST_F(RenderableShaderD3D9Test, AFailedLoadKeepsEveryProgram) {
    RenderableShaderD3D9 shader(*device_);
    load(shader);
    engine::ShaderD3D9* before[21];
    for (int slot = 1; slot <= 20; ++slot)
        before[slot] = shader.slot(slot);

    // The alpha-tested shadow programs fail, after fifteen slots compiled well.
    TempDirectory::write("broken.hlsl", pixelFile({{"shadow_ps", "point"}, {"shadow_dirlight_ps", "dir"}}) +
                                            "#ifdef ALPHA_TEST\n#error broken_on_purpose\n#endif\n"
                                            "float4 shadow_vs(float4 p : POSITION) : POSITION { return p; }\n");
    std::string message =
        messageOf([&] { shader.loadSurfaceShader("v.hlsl", "g.hlsl", "m.hlsl", "u.hlsl", "broken.hlsl"); });
    EXPECT_NE(message.find("broken_on_purpose"), std::string::npos) << message;
    for (int slot = 1; slot <= 20; ++slot)
        EXPECT_EQ(shader.slot(slot), before[slot]) << slot;

    EXPECT_EQ(messageOf([&] { shader.loadPostProcessShader("missing.hlsl"); }), "File not found: missing.hlsl");
    EXPECT_EQ(shader.slot(1), nullptr);
}

} // namespace
#endif
