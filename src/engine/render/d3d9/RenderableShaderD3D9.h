#pragma once

// The Direct3D 9 surface and post-process shader: twenty program slots,
// numbered 1 to 20, each compiled from one entry point of one file with a
// fixed set of macros. Passes pick a slot pair with vertexSlot / pixelSlot.

#include "engine/render/RenderableShader.h"
#include "engine/render/d3d9/ShaderD3D9.h"

#include <array>
#include <memory>
#include <string>

namespace d3d {
class Device;
}

namespace engine {

class RenderableShaderD3D9 : public RenderableShader {
public:
    static constexpr int SlotCount = 20;

    enum Pass {
        GeometryPass,
        MaterialPass,
        TransparentPass,
        PointShadowPass, // point and spot lights
        DirectionalShadowPass,
    };

    // All twenty slots empty; the renderer's factory makes them this way.
    explicit RenderableShaderD3D9(d3d::Device& device);
    ~RenderableShaderD3D9() override;

    // Slots 3 to 20; empty paths take the files of "shaders/d3d9/". Either
    // every slot is replaced or, when one program fails, none is.
    void loadSurfaceShader(const std::string& vertexPath, const std::string& geometryPath,
                           const std::string& materialPath, const std::string& unlitPath,
                           const std::string& shadowPath) override;
    // Slots 1 and 2 from the file's "main_vs" and "main_ps".
    void loadPostProcessShader(const std::string& path) override;
    // Slots 1 and 2 from HLSL text, entry point "main" in both.
    void loadPostProcessShaderFromText(const std::string& vertexText, const std::string& pixelText);

    // The program of slot 1 to 20, or null when the slot is empty.
    ShaderD3D9* slot(int number) const;

    // The slots a pass draws with. The material pass ignores normal mapping
    // and the transparent pass alpha testing; lit matters only to the material pass.
    static int vertexSlot(Pass pass, bool skinned, bool normalMapped);
    static int pixelSlot(Pass pass, bool normalMapped, bool alphaTest, bool lit);

    static const char* const defaultVertexPath;
    static const char* const defaultGeometryPath;
    static const char* const defaultMaterialPath;
    static const char* const defaultUnlitPath;
    static const char* const defaultShadowPath;

private:
    using Slots = std::array<std::unique_ptr<ShaderD3D9>, SlotCount + 1>; // index 0 unused

    d3d::Device& m_device;
    Slots m_slots;
};

} // namespace engine
