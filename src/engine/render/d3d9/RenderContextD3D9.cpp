#include "engine/render/d3d9/RenderContextD3D9.h"

#include "core/Exception.h"
#include "engine/assets/Material.h"
#include "engine/assets/Skeleton.h"
#include "engine/render/MeshEntity.h"
#include "engine/render/d3d9/RenderableMeshD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "engine/scene/Node.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace engine {

RenderContextD3D9::RenderContextD3D9(HWND window, int width, int height, bool windowed, int flags)
    : m_device(std::make_unique<d3d::Device>(window, width, height, D3DMULTISAMPLE_NONE, flags)), m_width(width),
      m_height(height), m_windowed(windowed), m_window(window)
{
    m_stream = std::make_unique<d3d::VertexBuffer>(StreamBytes, d3d::Dynamic);

    m_quadIndices = std::make_unique<d3d::IndexBuffer>(QuadIndexCount, 0, false);
    auto* index = static_cast<uint16_t*>(m_quadIndices->lock());
    for (uint32_t k = 0; k < QuadIndexCount / 6; ++k) {
        const uint32_t corners[6] = {4 * k, 4 * k + 1, 4 * k + 2, 4 * k, 4 * k + 2, 4 * k + 3};
        for (uint32_t corner : corners)
            *index++ = uint16_t(corner);
    }
    m_quadIndices->unlock();

    m_quadDeclaration = std::make_unique<d3d::VertexDeclaration>();
    m_quadDeclaration->add(0, d3d::VertexDeclaration::Float2, d3d::VertexDeclaration::Position);
    m_quadDeclaration->finish();
    m_quadVertices = std::make_unique<d3d::VertexBuffer>(32, 0);
    const float corners[8] = {-1, 1, 1, 1, 1, -1, -1, -1};
    std::memcpy(m_quadVertices->lock(), corners, sizeof corners);
    m_quadVertices->unlock();
}

// The buffers go before the device they were made on.
RenderContextD3D9::~RenderContextD3D9()
{
    m_quadVertices.reset();
    m_quadDeclaration.reset();
    m_quadIndices.reset();
    m_stream.reset();
    m_device.reset();
}

void RenderContextD3D9::beginScene()
{
    m_device->get()->BeginScene();
    clearCaches();
}

void RenderContextD3D9::endScene() { m_device->get()->EndScene(); }

void RenderContextD3D9::setViewport(int x, int y, int width, int height)
{
    m_device->setViewport(x, y, width, height);
    m_viewport = {x, y, width, height};
}

void RenderContextD3D9::clearCaches()
{
    m_declaration = nullptr;
    m_indices = nullptr;
    m_vertexShader = nullptr;
    m_pixelShader = nullptr;
    m_vertexProgram = nullptr;
    m_pixelProgram = nullptr;
}

void RenderContextD3D9::bindShaders(ShaderD3D9* vertex, ShaderD3D9* pixel)
{
    bindVertexShader(vertex ? vertex->vertexShader() : nullptr);
    bindPixelShader(pixel ? pixel->pixelShader() : nullptr);
    m_vertexProgram = vertex;
    m_pixelProgram = pixel;
}

void RenderContextD3D9::setSampler(const char* name, const d3d::SamplerDesc& sampler)
{
    if (!m_pixelProgram)
        return;
    if (const ConstantTableD3D9::Constant* constant = m_pixelProgram->find(name))
        sampler.apply(constant->registerIndex);
}

void RenderContextD3D9::setConstant(const char* name, const float* values, int count)
{
    for (ShaderD3D9* program : {m_vertexProgram, m_pixelProgram})
        if (program)
            if (const ConstantTableD3D9::Constant* constant = program->find(name))
                program->constants().setFloats(*constant, values, count);
}

void RenderContextD3D9::setConstant(const char* name, const Mat4& matrix)
{
    for (ShaderD3D9* program : {m_vertexProgram, m_pixelProgram})
        if (program)
            if (const ConstantTableD3D9::Constant* constant = program->find(name))
                program->constants().setMatrix(*constant, matrix);
}

void RenderContextD3D9::uploadConstants()
{
    for (ShaderD3D9* program : {m_vertexProgram, m_pixelProgram})
        if (program)
            program->upload(m_device->get());
}

void RenderContextD3D9::bindDeclaration(d3d::VertexDeclaration* declaration)
{
    if (declaration == m_declaration)
        return;
    m_device->setVertexDeclaration(declaration);
    m_declaration = declaration;
}

void RenderContextD3D9::bindIndices(d3d::IndexBuffer* indices)
{
    if (indices == m_indices)
        return;
    m_device->setIndices(indices);
    m_indices = indices;
}

void RenderContextD3D9::bindVertexShader(IDirect3DVertexShader9* shader)
{
    if (shader == m_vertexShader)
        return;
    m_device->setVertexShader(shader);
    m_vertexShader = shader;
}

void RenderContextD3D9::bindPixelShader(IDirect3DPixelShader9* shader)
{
    if (shader == m_pixelShader)
        return;
    m_device->setPixelShader(shader);
    m_pixelShader = shader;
}

void RenderContextD3D9::drawFullScreenQuad()
{
    bindDeclaration(m_quadDeclaration.get());
    m_device->setStreamSource(0, m_quadVertices.get(), 0, 8);
    m_device->drawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

void RenderContextD3D9::drawMesh(const RenderableMeshD3D9& mesh)
{
    if (mesh.segments().empty())
        return;
    mesh.bind(*this);
    mesh.drawSegment(*this, 0);
}

void* RenderContextD3D9::lockStream(int bytes) { return m_stream->allocate(bytes); }

void RenderContextD3D9::drawStream(int primitiveType, int count)
{
    m_stream->unlock();
    if (count <= 0)
        return;
    int stride = m_declaration ? m_declaration->size(0) : 0;
    m_device->setStreamSource(0, m_stream.get(), m_stream->lastOffset(), stride);
    if (primitiveType == Quads) {
        if (count > MaxQuadsPerDraw)
            throw core::Exception("Too many quads in one draw (%d, at most %d)", count, MaxQuadsPerDraw);
        bindIndices(m_quadIndices.get());
        m_device->drawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4 * count, 0, 2 * count);
    } else {
        m_device->drawPrimitive(D3DPRIMITIVETYPE(primitiveType), 0, count);
    }
}

void RenderContextD3D9::setSkinningMatrices(const MeshEntity& entity, const RenderableMeshD3D9& mesh)
{
    // One array for the process, identity bones until a skeleton fills it.
    static std::vector<Mat4x3> bones(MaxSkinningBones);
    // Reused, so that a frame of skinned draws allocates nothing.
    static std::vector<Mat4x3> posed;
    if (mesh.isSkinned() && entity.skeleton() && entity.node()) {
        entity.skeleton()->skinningMatrices(entity.node()->worldInverse(), posed);
        if (posed.size() > size_t(MaxSkinningBones))
            throw core::Exception("Too many bones for skinning (%d, at most %d)", int(posed.size()), MaxSkinningBones);
        std::copy(posed.begin(), posed.end(), bones.begin());
    }
    if (!m_vertexProgram)
        return;
    if (const ConstantTableD3D9::Constant* constant = m_vertexProgram->find("g_skinningMatrices"))
        m_vertexProgram->constants().setSkinningMatrices(*constant, bones);
}

void RenderContextD3D9::applyMaterialParameters(const Material& material)
{
    for (int i = 0; i < material.getParameterCount(); ++i) {
        const ShaderParameter& parameter = material.getParameter(i);
        if (parameter.type == ShaderParameter::Texture) {
            auto* texture = dynamic_cast<const RenderableTextureD3D9*>(parameter.texture.get());
            if (!texture || !texture->texture())
                continue;
            int filter = std::clamp(int(parameter.textureFilter), int(d3d::SamplerDesc::Nearest),
                                    int(d3d::SamplerDesc::Anisotropic));
            int address = parameter.textureAddress == int32_t(TextureAddressMode::Clamp) ? d3d::SamplerDesc::Clamp
                                                                                           : d3d::SamplerDesc::Wrap;
            setSampler(parameter.name.c_str(), {texture->texture(), filter, address, texture->srgb()});
        } else if (parameter.type >= ShaderParameter::Float1 && parameter.type <= ShaderParameter::Float4) {
            setConstant(parameter.name.c_str(), parameter.value.data(), int(parameter.type));
        }
    }
}

void RenderContextD3D9::showBuffer(const d3d::BaseTexture& texture)
{
    m_device->setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->setRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_device->setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_device->setRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    m_device->setRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    m_device->setRenderState(D3DRS_STENCILENABLE, FALSE);
    if (!m_showVertexShader) {
        m_showVertexShader = ShaderD3D9::createVertexShader(
            *m_device, {"float4 main( float4 pos : POSITION ) : POSITION { return pos; }", "main", {}, false, ""});
        m_showPixelShader = ShaderD3D9::createPixelShader(
            *m_device, {"sampler2D g_tex; float2 g_bufferSize; float4 main( float4 vpos : VPOS ) : COLOR { return "
                        "tex2D(g_tex, (vpos + 0.5f) / g_bufferSize); }",
                        "main", {}, false, ""});
    }
    bindShaders(m_showVertexShader.get(), m_showPixelShader.get());
    const float size[2] = {float(m_width), float(m_height)};
    setConstant("g_bufferSize", size, 2);
    setSampler("g_tex", {&texture, d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
    uploadConstants();
    drawFullScreenQuad();
}

} // namespace engine
