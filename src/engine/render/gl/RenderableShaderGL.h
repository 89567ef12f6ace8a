#pragma once

// The GL surface shader: one program per combination of skinning, normal
// mapping, alpha test and pass; or, for a post-process shader, slot 0 alone.

#include "engine/render/RenderableShader.h"
#include "engine/render/gl/ShaderProgramGL.h"
#include "engine/scene/Matrix.h"

#include <array>
#include <memory>
#include <vector>

namespace engine {

class Material;
class RenderContextGL;

class RenderableShaderGL final : public RenderableShader {
public:
    // Slot bits.
    enum : int { Skinning = 1, NormalMap = 2, AlphaTest = 4, MaterialPass = 8, UnlitPass = 16, ShadowPass = 32 };
    static constexpr int SlotCount = 38;

    static constexpr const char* DefaultVertexPath = "shaders/gl/Mesh.vsh";
    static constexpr const char* DefaultGeometryPath = "shaders/gl/MeshGeometry.fsh";
    static constexpr const char* DefaultMaterialPath = "shaders/gl/MeshMaterial.fsh";
    static constexpr const char* DefaultUnlitPath = "shaders/gl/MeshUnlit.fsh";
    static constexpr const char* DefaultShadowPath = "shaders/gl/MeshShadow.fsh";
    static constexpr const char* PostProcessVertexPath = "shaders/gl/PostProcess.vsh";

    void loadSurfaceShader(const std::string& vertexPath, const std::string& geometryPath,
                           const std::string& materialPath, const std::string& unlitPath,
                           const std::string& shadowPath) override;
    void loadPostProcessShader(const std::string& fragmentPath) override;

    // The program of a slot, or null when the slot is empty.
    ShaderProgramGL* program(int slot) const {
        return slot >= 0 && slot < SlotCount ? m_programs[size_t(slot)].get() : nullptr;
    }

private:
    std::array<std::unique_ptr<ShaderProgramGL>, SlotCount> m_programs;
};

// Applies the material's shader parameters to the current program, after the
// pass has bound its own textures: textures take the next texture units,
// floats go to the uniforms of their names.
void applyShaderParameters(RenderContextGL& context, const Material& material);

// Bones the skinning uniform array holds (three Vec4 each).
constexpr int MaxSkinningBones = 64;

// Uploads the bone matrices (bone space to the entity's local space) to the
// program's skinningMatrices array as three columns each. More than
// MaxSkinningBones throws "Too many bones for skinning (%d, at most 64)".
void setSkinningMatrices(const ShaderProgramGL& program, const std::vector<Mat4x3>& bones);

} // namespace engine
