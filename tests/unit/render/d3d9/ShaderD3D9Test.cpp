// HLSL programs on a real device: compiling from text and files, the macros,
// the constant table and its column-wise matrices, the include lookup, and
// the cache of compiled code next to the source.
#ifdef _WIN32
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "render/d3d9/D3D9TestDevice.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

using engine::ConstantTableD3D9;
using engine::ShaderD3D9;
using engine::ShaderSourceD3D9;

const char* const passThroughPixel = "float4 main(float4 c : COLOR0) : COLOR { return c; }\n";

ShaderSourceD3D9 text(const std::string& hlsl, const char* entry = "main", std::vector<std::string> defines = {}) {
    return {hlsl, entry, std::move(defines), false, ""};
}

ShaderSourceD3D9 file(const std::string& path, const char* entry = "main", std::vector<std::string> defines = {}) {
    return {path, entry, std::move(defines), true, ""};
}

class ShaderD3D9Test : public D3D9TestDevice {
protected:
    // The shader, or a test failure with the host's message (gtest cannot print it).
    std::unique_ptr<ShaderD3D9> vertex(const ShaderSourceD3D9& source) { return make(source, false); }
    std::unique_ptr<ShaderD3D9> pixel(const ShaderSourceD3D9& source) { return make(source, true); }

private:
    std::unique_ptr<ShaderD3D9> make(const ShaderSourceD3D9& source, bool pixelStage) {
        try {
            return pixelStage ? ShaderD3D9::createPixelShader(*device_, source)
                              : ShaderD3D9::createVertexShader(*device_, source);
        } catch (const core::Exception& e) {
            ADD_FAILURE() << e.getMessage();
            throw;
        }
    }
};

TEST_F(ShaderD3D9Test, MacrosReachTheCompilerAndErrorsCarryItsMessage) {
    const std::string hlsl = "#if defined(ONE) && defined(TWO) && ONE == 1\n"
                             "float4 main() : COLOR { return 1; }\n"
                             "#else\n"
                             "float4 main() : COLOR { return undeclared_thing; }\n"
                             "#endif\n";
    auto shader = pixel(text(hlsl, "main", {"ONE", "TWO"}));
    ASSERT_TRUE(shader);
    EXPECT_NE(shader->pixelShader(), nullptr);
    EXPECT_EQ(shader->vertexShader(), nullptr);

    std::string message = messageOf([&] { ShaderD3D9::createPixelShader(*device_, text(hlsl, "main", {"ONE"})); });
    EXPECT_NE(message.find("undeclared_thing"), std::string::npos) << message;
    message = messageOf([&] { ShaderD3D9::createPixelShader(*device_, text(hlsl, "missing_entry", {"ONE", "TWO"})); });
    EXPECT_NE(message.find("missing_entry"), std::string::npos) << message;
}

TEST_F(ShaderD3D9Test, ConstantTableTypesBuiltinsAndRegisters) {
    const std::string hlsl = "float a; float2 b; float3 c; float4 d; float3x3 e; float3x4 f; float4x4 g;\n"
                             "float4x4 g_worldMatrix; float4x4 g_viewMatrix; float4 bones[6]; int count;\n"
                             "float2x2 odd;\n"
                             "float4 main(float4 p : POSITION) : POSITION {\n"
                             "  float4 r = a + float4(b, 0, 0) + float4(c, 0) + d + float4(mul(e, p.xyz), 0)\n"
                             "    + float4(mul(f, p), 0) + mul(g, p) + mul(g_worldMatrix, mul(g_viewMatrix, p))\n"
                             "    + bones[count] + float4(mul(odd, p.xy), 0, 0);\n"
                             "  return r; }\n";
    auto shader = vertex(text(hlsl));
    const ConstantTableD3D9& table = shader->constants();
    EXPECT_EQ(table.stage(), ConstantTableD3D9::VertexStage);

    struct Case {
        const char* name;
        int type, registers;
    } cases[] = {
        {"a", 0, 1},  {"b", 1, 1},  {"c", 2, 1}, {"d", 3, 1},     {"e", 4, 3},     {"g", 6, 4},
        {"bones", 3, 6}, {"count", -1, 1}, {"odd", -1, 2},
        // Row-major packing: one register per row, so three for a 3 x 4 matrix.
        {"f", 5, 3},
    };
    for (const Case& c : cases) {
        const ConstantTableD3D9::Constant* constant = shader->find(c.name);
        ASSERT_NE(constant, nullptr) << c.name;
        EXPECT_EQ(constant->type, c.type) << c.name;
        EXPECT_EQ(constant->registerCount, c.registers) << c.name;
        EXPECT_EQ(constant->builtin, -1) << c.name;
        if (c.type >= 0) {
            EXPECT_EQ(constant->data, table.registers() + constant->registerIndex * 4) << c.name;
        }
    }
    int highest = 0;
    for (const ConstantTableD3D9::Constant& constant : table.constants()) {
        if (constant.data)
            highest = std::max(highest, constant.registerIndex + constant.registerCount);
    }
    EXPECT_EQ(table.registerCount(), highest);
    EXPECT_GE(highest, 3 + 3 + 4 + 4 + 4 + 6 + 4 + 2);
    EXPECT_EQ(table.builtin(ConstantTableD3D9::WorldMatrix), shader->find("g_worldMatrix"));
    EXPECT_EQ(table.builtin(ConstantTableD3D9::ViewMatrix), shader->find("g_viewMatrix"));
    EXPECT_EQ(table.builtin(ConstantTableD3D9::ProjectionMatrix), nullptr);
    EXPECT_EQ(shader->find("g_worldMatrix")->builtin, ConstantTableD3D9::WorldMatrix);
    EXPECT_EQ(shader->find("G_worldMatrix"), nullptr);

    // Samplers have a register of their own kind and no room in the buffer.
    auto sampled = pixel(
        text("float4 t;\n"
             "sampler2D s; float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(s, uv) * t; }\n"));
    EXPECT_EQ(sampled->constants().stage(), ConstantTableD3D9::PixelStage);
    ASSERT_NE(sampled->find("s"), nullptr);
    EXPECT_EQ(sampled->find("s")->type, ConstantTableD3D9::TypeSampler);
    EXPECT_EQ(sampled->find("s")->data, nullptr);
    EXPECT_EQ(sampled->constants().registerCount(), sampled->find("t")->registerIndex + 1);
}

TEST_F(ShaderD3D9Test, MatricesAreWrittenByColumns) {
    auto shader = vertex(
        text("float4x4 m4; float3x3 m3; float4 bones[6];\n"
                       "float4 main(float4 p : POSITION) : POSITION {"
                       " return mul(m4, p) + float4(mul(m3, p.xyz), 0) + bones[(int)p.x]; }\n"));
    ConstantTableD3D9& table = shader->constants();
    engine::Mat4 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m[r][c] = float(r * 10 + c);
    table.setMatrix(*shader->find("m4"), m);
    const float* m4 = shader->find("m4")->data;
    for (int i = 0; i < 4; ++i)
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(m4[i * 4 + r], float(r * 10 + i)) << "register " << i << " component " << r;

    engine::Mat3 m3{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
    table.setMatrix(*shader->find("m3"), m3);
    const float* r3 = shader->find("m3")->data;
    const float expected3[3][3] = {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}};
    for (int i = 0; i < 3; ++i)
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(r3[i * 4 + r], expected3[i][r]);

    // Three registers per bone; bones beyond the array's room are left out.
    std::vector<engine::Mat4x3> bones(3);
    bones[1].rot = m3;
    bones[1].pos = {10, 11, 12};
    bones[2].pos = {99, 99, 99};
    const ConstantTableD3D9::Constant& array = *shader->find("bones");
    ASSERT_EQ(array.registerCount, 6);
    table.setSkinningMatrices(array, bones);
    const float expectedBone1[3][4] = {{1, 4, 7, 10}, {2, 5, 8, 11}, {3, 6, 9, 12}};
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(array.data[12 + j * 4 + k], expectedBone1[j][k]);
    for (int i = 0; i < table.registerCount() * 4; ++i)
        EXPECT_NE(table.registers()[i], 99.0f) << i;
}

// The whole way from an engine matrix to a shaded pixel: the program computes
// what the engine's row vector times matrix computes.
TEST_F(ShaderD3D9Test, ProgramsTransformLikeTheEngine) {
    auto vs = vertex(
        text("float4x4 g_m;\n"
                       "void main(float4 p : POSITION, out float4 o : POSITION, out float4 c : COLOR0) {\n"
                       "  o = p; c = mul(g_m, float4(1, 2, 3, 1)); }\n"));
    auto ps = pixel(text(passThroughPixel));
    engine::Mat4 m;
    const float rows[4][4] = {{0.05f, 0.1f, 0, 0}, {0, 0.1f, 0.05f, 0}, {0, 0, 0.1f, 0}, {0.2f, 0.1f, 0.1f, 1}};
    std::memcpy(m.m, rows, sizeof rows); // (1, 2, 3, 1) x m = (0.25, 0.4, 0.5, 1)
    vs->constants().setMatrix(*vs->find("g_m"), m);

    IDirect3DDevice9* dev = device_->get();
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    const unsigned char black[4] = {0, 0, 0, 255};
    device_->setRenderTarget(0);
    device_->clear(black, d3d::Device::ClearTarget | d3d::Device::ClearDepth);
    const float quad[4][4] = {{-1, -1, 0.5f, 1}, {-1, 1, 0.5f, 1}, {1, -1, 0.5f, 1}, {1, 1, 0.5f, 1}};
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    dev->SetVertexDeclaration(declaration);
    dev->SetVertexShader(vs->vertexShader());
    dev->SetPixelShader(ps->pixelShader());
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    vs->upload(dev);
    ps->upload(dev);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
    dev->EndScene();
    dev->SetVertexShader(nullptr);
    dev->SetPixelShader(nullptr);
    dev->SetVertexDeclaration(nullptr);
    declaration->Release();

    uint32_t pixel = backBufferPixel(8, 8);
    EXPECT_NEAR(int((pixel >> 16) & 255), 64, 1);
    EXPECT_NEAR(int((pixel >> 8) & 255), 102, 1);
    EXPECT_NEAR(int(pixel & 255), 128, 1);
}

class ShaderCacheD3D9Test : public ShaderD3D9Test {
protected:
    void SetUp() override {
        ShaderD3D9Test::SetUp();
        std::filesystem::create_directories("shaders/d3d9");
        TempDirectory::write(source, "#include \"common.hlsl\"\n"
                                     "float4 g_tint;\n"
                                     "float4 main(float4 c : COLOR0) : COLOR { return c * g_tint * SCALE; }\n");
        TempDirectory::write("shaders/d3d9/common.hlsl", "#define SCALE 2\n");
    }
    // A compile of the source with two macros; true when it ran the compiler.
    bool load() {
        int before = ShaderD3D9::compileCount();
        auto shader = pixel(file(source, "main", {"NORMAL_MAP", "SKINNING"}));
        EXPECT_NE(shader->find("g_tint"), nullptr);
        return ShaderD3D9::compileCount() != before;
    }
    std::string cacheContent() {
        std::unique_ptr<core::File> in = core::openFile(cache);
        std::string content(size_t(in->getLength()), '\0');
        in->read(content.data(), int64_t(content.size()));
        return content;
    }

    TempDirectory folder_;
    const std::string source = "shaders/d3d9/tint.hlsl";
    const std::string cache = "shaders/d3d9/tint_main_normal_map_skinning.d3d9_shader";
};

TEST_F(ShaderCacheD3D9Test, WrittenThenReusedWhileTheSourceKeepsItsTime) {
    EXPECT_EQ(ShaderD3D9::cacheFileName("shaders/d3d9/mesh.hlsl", "main", {"SKINNING", "NORMAL_MAP"}),
              "shaders/d3d9/mesh_main_skinning_normal_map.d3d9_shader");
    EXPECT_TRUE(load());
    ASSERT_TRUE(core::fileExists(cache));
    EXPECT_EQ(core::fileDate(cache), core::fileDate(source));
    EXPECT_FALSE(load());
    EXPECT_FALSE(load());

    // Any other time of the source, older as well, compiles again and rewrites the cache.
    core::setFileDate(source, core::fileDate(source) - 10000000);
    EXPECT_TRUE(load());
    EXPECT_EQ(core::fileDate(cache), core::fileDate(source));
    EXPECT_FALSE(load());
}

TEST_F(ShaderCacheD3D9Test, DamagedCacheFilesAreCompiledAgain) {
    ASSERT_TRUE(load());
    const std::string good = cacheContent();
    struct Case {
        const char* what;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"cut short", good.substr(0, good.size() / 2)},
        {"one byte changed", [&] { std::string s = good; s[s.size() / 2] ^= 0x10; return s; }()},
        {"without its trailer", good.substr(0, good.size() - 8)},
        {"text", std::string(64, 'x')},
    };
    for (const Case& c : cases) {
        core::FileTime time = core::fileDate(source);
        TempDirectory::write(cache, c.content);
        core::setFileDate(cache, time);
        EXPECT_TRUE(load()) << c.what;
        EXPECT_EQ(cacheContent(), good) << c.what;
        EXPECT_FALSE(load()) << c.what;
    }
}

TEST_F(ShaderCacheD3D9Test, BuiltInSourcesAreCompiledOnce) {
    // No fog.hlsl on disk here: the text built into the host is compiled, and
    // its code kept outside the game's folders, by an earlier run or this one.
    auto loadFog = [&] {
        int before = ShaderD3D9::compileCount();
        EXPECT_TRUE(pixel(file("shaders/d3d9/fog.hlsl", "fog_ps")));
        return ShaderD3D9::compileCount() != before;
    };
    loadFog();
    EXPECT_FALSE(loadFog());
    EXPECT_FALSE(core::fileExists("shaders/d3d9/fog_fog_ps.d3d9_shader"));
}

TEST_F(ShaderCacheD3D9Test, IncludesAndMissingFiles) {
    // Next to the including file first, then shaders/d3d9.
    std::filesystem::create_directories("other");
    TempDirectory::write("other/a.hlsl", "#include \"common.hlsl\"\n#include \"local.hlsl\"\n"
                                         "float4 main() : COLOR { return SCALE * LOCAL; }\n");
    TempDirectory::write("other/local.hlsl", "#define LOCAL 3\n");
    TempDirectory::write("shaders/d3d9/local.hlsl", "#error the local file was passed over\n");
    EXPECT_TRUE(pixel(file("other/a.hlsl")));
    EXPECT_TRUE(core::fileExists("other/a_main.d3d9_shader"));

    EXPECT_EQ(messageOf([&] { ShaderD3D9::createPixelShader(*device_, file("shaders/d3d9/none.hlsl")); }),
              "File not found: shaders/d3d9/none.hlsl");
    TempDirectory::write("other/bad.hlsl", "#include \"nowhere.hlsl\"\nfloat4 main() : COLOR { return 1; }\n");
    EXPECT_NE(messageOf([&] { ShaderD3D9::createPixelShader(*device_, file("other/bad.hlsl")); }), "");
    EXPECT_FALSE(core::fileExists("other/bad_main.d3d9_shader"));
}

} // namespace
#endif
