#include "engine/render/d3d9/RenderableShaderD3D9.h"

#include <vector>

namespace engine {

const char* const RenderableShaderD3D9::defaultVertexPath = "shaders/d3d9/mesh.hlsl";
const char* const RenderableShaderD3D9::defaultGeometryPath = "shaders/d3d9/mesh_geometry.hlsl";
const char* const RenderableShaderD3D9::defaultMaterialPath = "shaders/d3d9/mesh_material.hlsl";
const char* const RenderableShaderD3D9::defaultUnlitPath = "shaders/d3d9/mesh_unlit.hlsl";
const char* const RenderableShaderD3D9::defaultShadowPath = "shaders/d3d9/mesh_shadow.hlsl";

RenderableShaderD3D9::RenderableShaderD3D9(d3d::Device& device) : m_device(device) {}

RenderableShaderD3D9::~RenderableShaderD3D9() = default;

void RenderableShaderD3D9::loadSurfaceShader(const std::string& vertexPath, const std::string& geometryPath,
                                             const std::string& materialPath, const std::string& unlitPath,
                                             const std::string& shadowPath) {
    auto orDefault = [](const std::string& path, const char* fallback) {
        return path.empty() ? std::string(fallback) : path;
    };
    const std::string vertex = orDefault(vertexPath, defaultVertexPath);
    const std::string geometry = orDefault(geometryPath, defaultGeometryPath);
    const std::string material = orDefault(materialPath, defaultMaterialPath);
    const std::string unlit = orDefault(unlitPath, defaultUnlitPath);
    const std::string shadow = orDefault(shadowPath, defaultShadowPath);

    using Defines = std::vector<std::string>;
    const Defines none, skinning{"SKINNING"}, normalMapSkinning{"NORMAL_MAP", "SKINNING"}, alphaTest{"ALPHA_TEST"},
        normalMap{"NORMAL_MAP"}, normalMapAlphaTest{"NORMAL_MAP", "ALPHA_TEST"};
    struct Program {
        bool pixel;
        const std::string& file;
        const char* entry;
        const Defines& defines;
    };
    const Program programs[] = {
        {false, vertex, "main", none},                          // 3
        {false, vertex, "main", skinning},                      // 4
        {false, vertex, "main", normalMap},                     // 5
        {false, vertex, "main", normalMapSkinning},             // 6
        {true, geometry, "main", none},                         // 7
        {true, geometry, "main", alphaTest},                    // 8
        {true, geometry, "main", normalMap},                    // 9
        {true, geometry, "main", normalMapAlphaTest},           // 10
        {true, material, "main", none},                         // 11
        {true, material, "main", alphaTest},                    // 12
        {true, unlit, "main", none},                            // 13
        {true, unlit, "main", alphaTest},                       // 14
        {false, shadow, "shadow_vs", none},                     // 15
        {false, shadow, "shadow_vs", skinning},                 // 16
        {true, shadow, "shadow_ps", none},                      // 17
        {true, shadow, "shadow_ps", alphaTest},                 // 18
        {true, shadow, "shadow_dirlight_ps", none},             // 19
        {true, shadow, "shadow_dirlight_ps", alphaTest},        // 20
    };

    // Compiled aside first: a failing program leaves the shader as it was.
    Slots compiled;
    int number = 3;
    for (const Program& program : programs) {
        ShaderSourceD3D9 source{program.file, program.entry, program.defines, true, ""};
        compiled[size_t(number++)] = program.pixel ? ShaderD3D9::createPixelShader(m_device, source)
                                                   : ShaderD3D9::createVertexShader(m_device, source);
    }
    for (int i = 3; i <= SlotCount; ++i)
        m_slots[size_t(i)] = std::move(compiled[size_t(i)]);
}

void RenderableShaderD3D9::loadPostProcessShader(const std::string& path) {
    auto vs = ShaderD3D9::createVertexShader(m_device, {path, "main_vs", {}, true, ""});
    auto ps = ShaderD3D9::createPixelShader(m_device, {path, "main_ps", {}, true, ""});
    m_slots[1] = std::move(vs);
    m_slots[2] = std::move(ps);
}

void RenderableShaderD3D9::loadPostProcessShaderFromText(const std::string& vertexText,
                                                         const std::string& pixelText) {
    auto vs = ShaderD3D9::createVertexShader(m_device, {vertexText, "main", {}, false, ""});
    auto ps = ShaderD3D9::createPixelShader(m_device, {pixelText, "main", {}, false, ""});
    m_slots[1] = std::move(vs);
    m_slots[2] = std::move(ps);
}

ShaderD3D9* RenderableShaderD3D9::slot(int number) const {
    return number >= 1 && number <= SlotCount ? m_slots[size_t(number)].get() : nullptr;
}

int RenderableShaderD3D9::vertexSlot(Pass pass, bool skinned, bool normalMapped) {
    switch (pass) {
    case GeometryPass:
        return normalMapped ? (skinned ? 6 : 5) : (skinned ? 4 : 3);
    case MaterialPass:
    case TransparentPass:
        return skinned ? 4 : 3;
    case PointShadowPass:
    case DirectionalShadowPass:
        return skinned ? 16 : 15;
    }
    return 0;
}

int RenderableShaderD3D9::pixelSlot(Pass pass, bool normalMapped, bool alphaTest, bool lit) {
    switch (pass) {
    case GeometryPass:
        return normalMapped ? (alphaTest ? 10 : 9) : (alphaTest ? 8 : 7);
    case MaterialPass:
        return lit ? (alphaTest ? 12 : 11) : (alphaTest ? 14 : 13);
    case TransparentPass:
        return 13;
    case PointShadowPass:
        return alphaTest ? 18 : 17;
    case DirectionalShadowPass:
        return alphaTest ? 20 : 19;
    }
    return 0;
}

} // namespace engine
