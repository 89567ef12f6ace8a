#pragma once

// HLSL vertex and pixel programs compiled with D3DX, from "shaders/d3d9/"
// files through the file systems (with compiled code cached next to the
// source) or from text. Each owns its constant table.

#include "engine/render/d3d9/ConstantTableD3D9.h"

#include <d3d9.h>
#include <d3dx9shader.h>

#include <memory>
#include <string>
#include <vector>

namespace d3d {
class Device;
}

namespace engine {

// What to compile: a file path (fromFile) or HLSL text, the entry point, the
// macros (each defined as "1", in list order) and the directory includes are
// looked for first (the source file's own folder when empty).
struct ShaderSourceD3D9 {
    std::string source;
    std::string entryPoint;
    std::vector<std::string> defines;
    bool fromFile = true;
    std::string includeDirectory;
};

// Resolves #include for the compiler: the include directory first, then
// "shaders/d3d9/"; files come through the file systems (or the built-in set).
class IncludeHandler : public ID3DXInclude {
public:
    explicit IncludeHandler(std::string directory) : m_directory(std::move(directory)) {}
    virtual ~IncludeHandler() = default;
    STDMETHOD(Open)(D3DXINCLUDE_TYPE type, LPCSTR name, LPCVOID parent, LPCVOID* data, UINT* bytes) override;
    STDMETHOD(Close)(LPCVOID data) override;

private:
    std::string m_directory;
};

class ShaderD3D9 {
public:
    using Stage = ConstantTableD3D9::Stage;

    // Compile (through the cache when the source is a file) and create the
    // program with the device's best profile of the stage.
    static std::unique_ptr<ShaderD3D9> createVertexShader(d3d::Device& device, const ShaderSourceD3D9& source);
    static std::unique_ptr<ShaderD3D9> createPixelShader(d3d::Device& device, const ShaderSourceD3D9& source);

    ~ShaderD3D9();
    ShaderD3D9(const ShaderD3D9&) = delete;
    ShaderD3D9& operator=(const ShaderD3D9&) = delete;

    Stage stage() const { return m_constants->stage(); }
    IDirect3DVertexShader9* vertexShader() const { return m_vertexShader; }
    IDirect3DPixelShader9* pixelShader() const { return m_pixelShader; }
    ConstantTableD3D9& constants() { return *m_constants; }
    const ConstantTableD3D9& constants() const { return *m_constants; }
    const ConstantTableD3D9::Constant* find(const char* name) const { return m_constants->find(name); }
    // The register buffer into the device's constants of this shader's stage.
    void upload(IDirect3DDevice9* device) const { m_constants->upload(device); }

    // How many times this process has run the HLSL compiler (cache hits do not count).
    static int compileCount();

    // The cache file of a program: "<source without extension>_<entry><_define...>.d3d9_shader".
    static std::string cacheFileName(const std::string& resolvedSource, const std::string& entryPoint,
                                     const std::vector<std::string>& defines);

private:
    ShaderD3D9() = default;
    static std::unique_ptr<ShaderD3D9> create(d3d::Device& device, const ShaderSourceD3D9& source, Stage stage);

    IDirect3DVertexShader9* m_vertexShader = nullptr;
    IDirect3DPixelShader9* m_pixelShader = nullptr;
    std::unique_ptr<ConstantTableD3D9> m_constants;
};

} // namespace engine
