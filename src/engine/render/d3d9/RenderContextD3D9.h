#pragma once

// The Direct3D 9 device and what every pass draws through: binding caches for
// declarations, indices and shaders, the streaming vertex buffer with the
// shared quad index buffer, and the full-screen quad.

#include "engine/render/d3d9/D3DResources.h"
#include "engine/scene/Matrix.h"

#include <memory>

namespace engine {

class Camera;
class Material;
class MeshEntity;
class RenderableMeshD3D9;
class Scene;
class ShaderD3D9;

class RenderContextD3D9 {
public:
    static constexpr int StreamBytes = 1048576;
    static constexpr int QuadIndexCount = 393216;
    // drawStream's primitive type for quads through the quad index buffer.
    static constexpr int Quads = 0xFFFF;
    // One draw through the quad index buffer: its values wrap at 65536.
    static constexpr int MaxQuadsPerDraw = 16384;

    // Makes the device on the window; flags as d3d::Device takes them.
    RenderContextD3D9(HWND window, int width, int height, bool windowed, int flags);
    ~RenderContextD3D9();
    RenderContextD3D9(const RenderContextD3D9&) = delete;
    RenderContextD3D9& operator=(const RenderContextD3D9&) = delete;

    d3d::Device& device() { return *m_device; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool windowed() const { return m_windowed; }
    HWND window() const { return m_window; }

    Scene* currentScene = nullptr;
    Camera* currentCamera = nullptr;

    void beginScene();
    void endScene();
    void setViewport(int x, int y, int width, int height);
    const RECT& viewport() const { return m_viewport; } // left, top, width, height

    void bindDeclaration(d3d::VertexDeclaration* declaration);
    void bindIndices(d3d::IndexBuffer* indices);
    void bindVertexShader(IDirect3DVertexShader9* shader);
    void bindPixelShader(IDirect3DPixelShader9* shader);
    // Binds both programs; their constant tables are what setSampler,
    // setConstant and uploadConstants reach. Null unbinds a stage.
    void bindShaders(ShaderD3D9* vertex, ShaderD3D9* pixel);
    ShaderD3D9* vertexShader() const { return m_vertexProgram; }
    ShaderD3D9* pixelShader() const { return m_pixelProgram; }
    // The sampler of the pixel program's constant of that name; nothing without one.
    void setSampler(const char* name, const d3d::SamplerDesc& sampler);
    // Into the constant of that name of each bound program that has one.
    void setConstant(const char* name, const float* values, int count);
    void setConstant(const char* name, const Mat4& matrix);
    // Both programs' register buffers into the device.
    void uploadConstants();
    // Forgets what the caches hold (after a device reset or foreign binds).
    void clearCaches();
    d3d::VertexDeclaration* boundDeclaration() const { return m_declaration; }

    void drawFullScreenQuad();
    // The mesh's first segment (the light volumes).
    void drawMesh(const RenderableMeshD3D9& mesh);
    // Room for the bytes in the streaming buffer; null when they do not fit in it.
    void* lockStream(int bytes);
    // Unlocks the stream and draws count primitives from it with the bound
    // declaration's stride; Quads draws count quads of four vertices.
    void drawStream(int primitiveType, int count);

    // Bones the skinning constant holds at most.
    static constexpr int MaxSkinningBones = 64;
    // The entity's skeleton as it now stands into the bound vertex program's
    // "g_skinningMatrices", three registers (columns) per bone, as many as it
    // has room for. More than 64 bones throw "Too many bones for skinning".
    void setSkinningMatrices(const MeshEntity& entity, const RenderableMeshD3D9& mesh);
    // The material's shader parameters in slot order: textures into the
    // sampler of their name with the slot's filter and address mode, floats
    // into the constant of their name. Upload afterwards.
    void applyMaterialParameters(const Material& material);
    // Shows the texture pixel for pixel, unscaled, from the target's top-left
    // corner; its own programs stay bound.
    void showBuffer(const d3d::BaseTexture& texture);

private:
    std::unique_ptr<d3d::Device> m_device;
    int m_width;
    int m_height;
    bool m_windowed;
    HWND m_window;
    RECT m_viewport = {};
    d3d::VertexDeclaration* m_declaration = nullptr;
    d3d::IndexBuffer* m_indices = nullptr;
    IDirect3DVertexShader9* m_vertexShader = nullptr;
    IDirect3DPixelShader9* m_pixelShader = nullptr;
    ShaderD3D9* m_vertexProgram = nullptr;
    ShaderD3D9* m_pixelProgram = nullptr;
    std::unique_ptr<d3d::VertexBuffer> m_stream;
    std::unique_ptr<d3d::IndexBuffer> m_quadIndices;
    std::unique_ptr<d3d::VertexDeclaration> m_quadDeclaration;
    std::unique_ptr<d3d::VertexBuffer> m_quadVertices;
    std::unique_ptr<ShaderD3D9> m_showVertexShader;
    std::unique_ptr<ShaderD3D9> m_showPixelShader;
};

} // namespace engine
