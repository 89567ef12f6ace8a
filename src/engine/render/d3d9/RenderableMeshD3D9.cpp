#include "engine/render/d3d9/RenderableMeshD3D9.h"

#include "core/Exception.h"
#include "engine/render/d3d9/RenderContextD3D9.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

using Decl = d3d::VertexDeclaration;

// Quads have no Direct3D 9 primitive: they are drawn as two triangles each.
D3DPRIMITIVETYPE primitiveType(int32_t type)
{
    switch (PrimitiveType(type)) {
    case PrimitiveType::Points:
        return D3DPT_POINTLIST;
    case PrimitiveType::Lines:
        return D3DPT_LINELIST;
    default:
        return D3DPT_TRIANGLELIST;
    }
}

} // namespace

RenderableMeshD3D9::~RenderableMeshD3D9() = default;

void RenderableMeshD3D9::init(const Mesh& mesh, bool keepSourceData)
{
    if (!d3d::Device::current())
        throw core::Exception("Renderer not initialized");
    checkMeshIndices(mesh);

    const float* positions = mesh.floatArray(PositionSlot, 3);
    const float* normals = mesh.floatArray(NormalSlot, 3);
    const float* tangents = mesh.floatArray(TangentSlot, 3);
    const float* bitangents = mesh.floatArray(BitangentSlot, 3);
    const float* texcoords = mesh.floatArray(TexcoordSlot, 2);
    int bones = bonesPerVertex(mesh);

    auto declaration = std::make_unique<Decl>();
    declaration->add(0, Decl::Float3, Decl::Position);
    if (normals)
        declaration->add(0, Decl::Float3, Decl::Normal);
    if (tangents)
        declaration->add(0, Decl::Float3, Decl::Tangent);
    if (bitangents)
        declaration->add(0, Decl::Float3, Decl::Binormal);
    if (texcoords)
        declaration->add(0, Decl::Float2, Decl::TexCoord);
    if (bones > 0) {
        declaration->add(0, Decl::UByte4, Decl::BlendIndices);
        declaration->add(0, Decl::UByte4N, Decl::BlendWeight);
    }
    declaration->finish();
    int stride = declaration->size(0);
    int count = mesh.getVertexCount();

    // Buffers of the right size are refilled in place.
    int bytes = std::max(count * stride, stride);
    if (!m_vertices || m_vertices->size() != bytes)
        m_vertices = std::make_unique<d3d::VertexBuffer>(bytes, 0);
    auto* out = static_cast<uint8_t*>(m_vertices->lock());
    const auto* boneIndices = reinterpret_cast<const int32_t*>(mesh.getVertexArray(BoneIndexSlot).data.data());
    const float* boneWeights = mesh.floatArray(BoneWeightSlot, mesh.getVertexArray(BoneWeightSlot).components);
    int indexComponents = mesh.getVertexArray(BoneIndexSlot).components;
    int weightComponents = mesh.getVertexArray(BoneWeightSlot).components;
    auto put = [&out](const float* array, size_t i, int components) {
        if (!array)
            return;
        std::memcpy(out, array + size_t(components) * i, size_t(components) * 4);
        out += components * 4;
    };
    for (size_t i = 0; i < size_t(count); ++i) {
        if (positions)
            put(positions, i, 3);
        else
            std::memset(out, 0, 12), out += 12;
        put(normals, i, 3);
        put(tangents, i, 3);
        put(bitangents, i, 3);
        put(texcoords, i, 2);
        if (bones > 0) {
            const int32_t* vertexBones = boneIndices + i * size_t(indexComponents);
            for (int k = 0; k < 4; ++k)
                out[k] = k < bones ? uint8_t(vertexBones[k]) : 0;
            packBoneWeights(boneWeights + i * size_t(weightComponents), std::min(bones, 4), out + 4);
            out += 8;
        }
    }
    m_vertices->unlock();

    // Segments reach into one index list; quads become two triangles each,
    // which moves the segments after them.
    const std::vector<int32_t>& source = mesh.getIndices();
    std::vector<int32_t> indices;
    std::vector<Segment> segments;
    bool hasQuads = std::any_of(mesh.getSegments().begin(), mesh.getSegments().end(),
                                [](const MeshSegment& s) { return PrimitiveType(s.type) == PrimitiveType::Quads; });
    if (!hasQuads)
        indices = source;
    for (const MeshSegment& segment : mesh.getSegments()) {
        int primitives = mesh.primitivesInList(segment);
        Segment out{segment.material, primitiveType(segment.type), segment.firstIndex, primitives};
        if (PrimitiveType(segment.type) == PrimitiveType::Quads) {
            out.firstIndex = int(indices.size());
            out.count = 2 * primitives;
            for (int q = 0; q < primitives; ++q) {
                const int32_t* quad = source.data() + segment.firstIndex + 4 * q;
                for (int corner : {0, 1, 2, 0, 2, 3})
                    indices.push_back(quad[corner]);
            }
        } else if (hasQuads) {
            int per = out.type == D3DPT_POINTLIST ? 1 : out.type == D3DPT_LINELIST ? 2 : 3;
            out.firstIndex = int(indices.size());
            indices.insert(indices.end(), source.begin() + segment.firstIndex,
                           source.begin() + segment.firstIndex + per * primitives);
        }
        segments.push_back(out);
    }

    bool use32 = count > 65535;
    int indexCount = std::max<int>(int(indices.size()), 1);
    if (!m_indices || m_indices->count() != indexCount || m_indices->is32Bit() != use32)
        m_indices = std::make_unique<d3d::IndexBuffer>(indexCount, 0, use32);
    void* data = m_indices->lock();
    if (use32) {
        std::memcpy(data, indices.data(), indices.size() * 4);
    } else {
        auto* shorts = static_cast<uint16_t*>(data);
        for (size_t i = 0; i < indices.size(); ++i)
            shorts[i] = uint16_t(indices[i]);
    }
    m_indices->unlock();

    m_declaration = std::move(declaration);
    m_segments = std::move(segments);
    m_normalMap = tangents && bitangents;
    m_skinned = bones > 0;
    m_vertexCount = count;
    m_stride = stride;
    m_box = mesh.getBoundingBox();
    m_source = keepSourceData ? core::CountedRef<Mesh>(new Mesh(mesh)) : core::CountedRef<Mesh>();
}

std::vector<Material*> RenderableMeshD3D9::getMaterials() const
{
    std::vector<Material*> materials;
    for (const Segment& segment : m_segments)
        materials.push_back(segment.material.get());
    return materials;
}

void RenderableMeshD3D9::bind(RenderContextD3D9& context) const
{
    context.bindDeclaration(m_declaration.get());
    context.device().setStreamSource(0, m_vertices.get(), 0, m_stride);
    context.bindIndices(m_indices.get());
}

void RenderableMeshD3D9::drawSegment(RenderContextD3D9& context, size_t index) const
{
    const Segment& segment = m_segments.at(index);
    if (segment.count <= 0 || m_vertexCount <= 0)
        return;
    context.device().drawIndexedPrimitive(segment.type, 0, 0, m_vertexCount, segment.firstIndex, segment.count);
}

} // namespace engine
