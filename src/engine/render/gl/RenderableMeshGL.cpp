#include "engine/render/gl/RenderableMeshGL.h"

#include "core/Exception.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

enum AttributeLocation { PositionAttribute, NormalAttribute, TangentAttribute, BitangentAttribute,
                         TexcoordAttribute, ColorAttribute, BoneIndexAttribute, BoneWeightAttribute,
                         AttributeCount = 10 };

// Quads go to the compatibility profile's own quad mode, as the full-screen
// quad does; nothing else of the pipeline needs them triangulated.
GLenum primitiveMode(int32_t type) {
    switch (PrimitiveType(type)) {
    case PrimitiveType::Points:
        return GL_POINTS;
    case PrimitiveType::Lines:
        return GL_LINES;
    case PrimitiveType::Triangles:
        return GL_TRIANGLES;
    case PrimitiveType::Quads:
        return GL_QUADS;
    }
    return GL_POINTS;
}

int verticesPerPrimitive(GLenum mode) {
    switch (mode) {
    case GL_LINES:
        return 2;
    case GL_TRIANGLES:
        return 3;
    case GL_QUADS:
        return 4;
    default:
        return 1;
    }
}

void* offsetPointer(intptr_t offset) {
    return reinterpret_cast<void*>(offset);
}

} // namespace

RenderableMeshGL::~RenderableMeshGL() {
    releaseBuffers();
}

// Buffers of a context that is gone went with it; deleting their names now
// could delete another context's objects.
void RenderableMeshGL::releaseBuffers() {
    if (m_generation != 0 && m_generation == RenderContextGL::liveGeneration()) {
        gl().glDeleteBuffers(1, &m_vertexBuffer);
        gl().glDeleteBuffers(1, &m_indexBuffer);
    }
    m_vertexBuffer = m_indexBuffer = 0;
    m_generation = 0;
}

void RenderableMeshGL::init(const Mesh& mesh, bool keepSourceData) {
    if (RenderContextGL::liveGeneration() == 0)
        throw core::Exception("Renderer not initialized");
    checkMeshIndices(mesh);
    releaseBuffers();
    m_generation = RenderContextGL::liveGeneration();

    const float* positions = mesh.floatArray(PositionSlot, 3);
    const float* normals = mesh.floatArray(NormalSlot, 3);
    const float* tangents = mesh.floatArray(TangentSlot, 3);
    const float* bitangents = mesh.floatArray(BitangentSlot, 3);
    const float* texcoords = mesh.floatArray(TexcoordSlot, 2);
    int bones = bonesPerVertex(mesh);

    VertexLayoutGL layout;
    layout.vertexCount = mesh.getVertexCount();
    int stride = 12;
    auto place = [&stride](const void* array, int bytes) {
        if (!array)
            return -1;
        int offset = stride;
        stride += bytes;
        return offset;
    };
    layout.normal = place(normals, 12);
    layout.tangent = place(tangents, 12);
    layout.bitangent = place(bitangents, 12);
    layout.texcoord = place(texcoords, 8);
    m_skinned = bones > 0;
    if (m_skinned) {
        layout.boneIndices = place(&bones, 4);
        layout.boneWeights = place(&bones, 4);
    }
    layout.stride = stride;
    m_layout = layout;

    const GLEntryPoints& f = gl();
    size_t count = size_t(layout.vertexCount);
    f.glGenBuffers(1, &m_vertexBuffer);
    f.glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    f.glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count * size_t(stride)), nullptr, GL_STATIC_DRAW);
    if (count > 0) {
        auto* out = static_cast<uint8_t*>(f.glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
        if (!out)
            throw core::Exception("Could not map the vertex buffer of a mesh of %d vertices", layout.vertexCount);
        const auto* boneIndices = reinterpret_cast<const int32_t*>(mesh.getVertexArray(BoneIndexSlot).data.data());
        const float* boneWeights = mesh.floatArray(BoneWeightSlot, mesh.getVertexArray(BoneWeightSlot).components);
        int indexComponents = mesh.getVertexArray(BoneIndexSlot).components;
        int weightComponents = mesh.getVertexArray(BoneWeightSlot).components;
        for (size_t i = 0; i < count; ++i, out += stride) {
            if (positions)
                std::memcpy(out, positions + 3 * i, 12);
            else
                std::memset(out, 0, 12);
            if (normals)
                std::memcpy(out + layout.normal, normals + 3 * i, 12);
            if (tangents)
                std::memcpy(out + layout.tangent, tangents + 3 * i, 12);
            if (bitangents)
                std::memcpy(out + layout.bitangent, bitangents + 3 * i, 12);
            if (texcoords)
                std::memcpy(out + layout.texcoord, texcoords + 2 * i, 8);
            if (m_skinned) {
                const int32_t* vertexBones = boneIndices + i * size_t(indexComponents);
                for (int k = 0; k < 4; ++k)
                    out[layout.boneIndices + k] = k < bones ? uint8_t(vertexBones[k]) : 0;
                packBoneWeights(boneWeights + i * size_t(weightComponents), std::min(bones, 4),
                                out + layout.boneWeights);
            }
        }
        f.glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    f.glBindBuffer(GL_ARRAY_BUFFER, 0);

    const std::vector<int32_t>& indices = mesh.getIndices();
    m_indexSize = layout.vertexCount < 65536 ? 2 : 4;
    f.glGenBuffers(1, &m_indexBuffer);
    f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    if (m_indexSize == 2) {
        std::vector<uint16_t> shortIndices(indices.begin(), indices.end());
        f.glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(shortIndices.size() * 2), shortIndices.data(),
                       GL_STATIC_DRAW);
    } else {
        f.glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 4), indices.data(), GL_STATIC_DRAW);
    }
    f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    // A segment reaching past the index list draws only the primitives inside it.
    m_segments.clear();
    for (const MeshSegment& segment : mesh.getSegments())
        m_segments.push_back({segment.material, primitiveMode(segment.type), segment.firstIndex,
                              mesh.primitivesInList(segment)});

    m_box = mesh.getBoundingBox();
    m_source = keepSourceData ? core::CountedRef<Mesh>(new Mesh(mesh)) : core::CountedRef<Mesh>();
}

std::vector<Material*> RenderableMeshGL::getMaterials() const {
    std::vector<Material*> materials;
    for (const Segment& segment : m_segments)
        materials.push_back(segment.material.get());
    return materials;
}

void RenderableMeshGL::bind() const {
    const GLEntryPoints& f = gl();
    f.glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    GLsizei stride = m_layout.stride;
    f.glEnableVertexAttribArray(PositionAttribute);
    f.glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    struct {
        GLuint location;
        int offset;
        int components;
    } const floats[] = {
        {NormalAttribute, m_layout.normal, 3},
        {TangentAttribute, m_layout.tangent, 3},
        {BitangentAttribute, m_layout.bitangent, 3},
        {TexcoordAttribute, m_layout.texcoord, 2},
    };
    for (const auto& attribute : floats) {
        if (attribute.offset < 0) {
            f.glDisableVertexAttribArray(attribute.location);
            continue;
        }
        f.glEnableVertexAttribArray(attribute.location);
        f.glVertexAttribPointer(attribute.location, attribute.components, GL_FLOAT, GL_FALSE, stride,
                                offsetPointer(attribute.offset));
    }
    // Colours are not in the buffer; a pointer left by other drawing must not be read.
    f.glDisableVertexAttribArray(ColorAttribute);
    if (m_skinned) {
        f.glEnableVertexAttribArray(BoneIndexAttribute);
        f.glVertexAttribPointer(BoneIndexAttribute, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride,
                                offsetPointer(m_layout.boneIndices));
        f.glEnableVertexAttribArray(BoneWeightAttribute);
        f.glVertexAttribPointer(BoneWeightAttribute, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride,
                                offsetPointer(m_layout.boneWeights));
    } else {
        f.glDisableVertexAttribArray(BoneIndexAttribute);
        f.glDisableVertexAttribArray(BoneWeightAttribute);
    }
    f.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
}

void RenderableMeshGL::drawSegment(size_t index) const {
    const Segment& segment = m_segments.at(index);
    if (segment.count <= 0)
        return;
    glDrawElements(segment.mode, segment.count * verticesPerPrimitive(segment.mode),
                   m_indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                   offsetPointer(intptr_t(segment.firstIndex) * m_indexSize));
}

void RenderableMeshGL::draw() const {
    bind();
    for (size_t i = 0; i < m_segments.size(); ++i)
        drawSegment(i);
    unbind();
}

void RenderableMeshGL::unbind() {
    for (GLuint location = 0; location < AttributeCount; ++location)
        gl().glDisableVertexAttribArray(location);
    gl().glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl().glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

} // namespace engine
