#include "engine/assets/AssimpImporter.h"

#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Path.h"
#include "engine/assets/AssimpGltfCheck.h"
#include "engine/assets/MeshFile.h"
#include "engine/assets/MeshGeometry.h"

#include <assimp/DefaultLogger.hpp>
#include <assimp/GltfMaterial.h>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

namespace engine {

namespace {

// Meshes split so that none needs more bones than the renderers take; the
// four heaviest influences of each vertex are picked while they are copied. The mirror into quill's space is
// done while the data is copied (see Mirror below): assimp's own passes over
// every vertex would cost as much as reading the file. The builder checks
// every index it copies, which is what assimp's validation would add.
constexpr unsigned BaseSteps = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals |
                               aiProcess_SplitByBoneCount | aiProcess_GlobalScale;

// assimp repairs some broken input and says so only in its log: faces whose
// indices pass the vertices are dropped. A model missing faces is a wrong
// model, so those warnings fail the conversion.
class RepairWatch : public Assimp::LogStream {
public:
    void write(const char* message) override {
        if (std::strstr(message, "out-of-range"))
            repaired = true;
    }
    bool repaired = false;
};

RepairWatch& repairWatch() {
    static RepairWatch* watch = [] {
        Assimp::DefaultLogger::create("", Assimp::Logger::NORMAL, 0);
        auto* stream = new RepairWatch;  // the logger owns it for the life of the process
        Assimp::DefaultLogger::get()->attachStream(stream, Assimp::Logger::Warn);
        return stream;
    }();
    return *watch;
}

// assimp reads through quill's file system, so that a model and the files
// it names are found in the data archive and on the search paths as well as
// on disk. Nothing is ever written through it.
class FileStream : public Assimp::IOStream {
public:
    explicit FileStream(std::unique_ptr<core::File> file) : m_file(std::move(file)), m_length(size_t(m_file->getLength())) {}

    size_t Read(void* buffer, size_t size, size_t count) override {
        if (size == 0)
            return 0;
        size_t items = std::min(count, (m_length - m_position) / size);
        m_file->read(buffer, int64_t(items * size));
        m_position += items * size;
        return items;
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        size_t base = origin == aiOrigin_CUR ? m_position : origin == aiOrigin_END ? m_length : 0;
        if (origin == aiOrigin_END ? offset > base : offset > m_length - base)
            return aiReturn_FAILURE;
        m_position = origin == aiOrigin_END ? base - offset : base + offset;
        m_file->seek(int64_t(m_position));
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return m_position; }
    size_t FileSize() const override { return m_length; }
    void Flush() override {}

private:
    std::unique_ptr<core::File> m_file;
    size_t m_length;
    size_t m_position = 0;
};

class QuillFiles : public Assimp::IOSystem {
public:
    bool Exists(const char* path) const override { return core::fileExists(path); }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* path, const char* mode) override {
        if (std::strchr(mode, 'w') || std::strchr(mode, 'a') || !core::fileExists(path))
            return nullptr;
        try {
            std::unique_ptr<core::File> file = core::openFile(path);
            return file ? new FileStream(std::move(file)) : nullptr;
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    void Close(Assimp::IOStream* file) override { delete file; }
};

const aiScene* readScene(Assimp::Importer& importer, const std::string& path, unsigned steps) {
    checkGltfStructure(path);
    importer.SetIOHandler(new QuillFiles);  // the importer owns it
    RepairWatch& watch = repairWatch();
    watch.repaired = false;
    // One bone of each mesh is kept for vertices that no bone moves.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBBC_MAX_BONES, MaxBonesPerMesh - 1);
    importer.SetPropertyInteger(AI_CONFIG_PP_LBW_MAX_WEIGHTS, 4);
    // FBX files keep their own unit (often centimetres); quill's is the metre.
    importer.SetPropertyBool(AI_CONFIG_FBX_CONVERT_TO_M, true);
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, 0);
    // glTF and FBX files are indexed already; Collada's corners are not.
    if (core::getFileExtension(path) == "dae")
        steps |= aiProcess_JoinIdenticalVertices;
    const aiScene* scene = importer.ReadFile(path, steps);
    if (!scene) {
        std::string reason = importer.GetErrorString();
        if (reason.find("No suitable reader") != std::string::npos)
            throw core::Exception("Unknown file format: %s", path.c_str());
        if (reason.empty())
            reason = "unreadable";
        throw core::Exception("Could not import %s: %s", path.c_str(), reason.c_str());
    }
    if (watch.repaired)
        throw core::Exception("Could not import %s: %s", path.c_str(), "faces name vertices that do not exist");
    if (!scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE))
        throw core::Exception("Could not import %s: %s", path.c_str(), "the file holds no complete scene");
    return scene;
}

// assimp's space is right-handed; quill's is its mirror along Z, where front
// faces wind clockwise rather than counter-clockwise and texture rows count
// from the top.
Vec3 mirrored(const aiVector3D& v) {
    return {v.x, v.y, -v.z};
}

// Column vectors to row vectors (the rows of quill's rotation are the columns
// of assimp's, the translation its last column), mirrored: S·M·S with S the
// mirror, which flips the signs of the entries that mix Z with X or Y.
Mat4x3 toMat4x3(const aiMatrix4x4& m) {
    Mat4x3 t;
    for (int r = 0; r < 3; ++r)
        t.rot.row[r] = {m[0][r], m[1][r], m[2][r]};
    t.pos = {m.a4, m.b4, -m.c4};
    t.rot.row[0].z = -t.rot.row[0].z;
    t.rot.row[1].z = -t.rot.row[1].z;
    t.rot.row[2].x = -t.rot.row[2].x;
    t.rot.row[2].y = -t.rot.row[2].y;
    return t;
}

// A turn about axis a becomes a turn by the same angle about the mirrored
// axis with its sign flipped (the mirror reverses orientation).
Quat mirrored(const aiQuaternion& q) {
    return {-q.x, -q.y, q.z, q.w};
}

std::string nameOf(const aiString& name) {
    return std::string(name.C_Str(), name.length);
}

// The material library holds names and file names between double quotes and
// knows no escapes.
std::string quotable(std::string text) {
    for (char& c : text)
        if (c == '"' || c == '\n' || c == '\r')
            c = '_';
    return text;
}

// --- materials ---

struct MaterialInfo {
    std::string name;  // as segments and the library name it
    std::string diffuse, normal, specular;
    bool alphaTest = false;
    bool blend = false;
    bool doubleSided = false;
    bool defined = false;  // false: the shared "default" material
};

class MaterialReader {
public:
    MaterialReader(const aiScene& scene, const std::string& path, ImportedModel& out)
        : m_scene(scene), m_path(path), m_out(out), m_stem(core::stripPath(core::stripExtension(path))) {}

    std::vector<MaterialInfo> readAll() {
        std::vector<MaterialInfo> infos;
        for (unsigned i = 0; i < m_scene.mNumMaterials; ++i)
            infos.push_back(read(*m_scene.mMaterials[i], i));
        return infos;
    }

private:
    MaterialInfo read(const aiMaterial& material, unsigned index) {
        MaterialInfo info;
        info.name = quotable(nameOf(material.GetName()));
        info.diffuse = texture(material, aiTextureType_DIFFUSE);
        if (info.diffuse.empty())
            info.diffuse = texture(material, aiTextureType_BASE_COLOR);
        info.normal = texture(material, aiTextureType_NORMALS);
        info.specular = texture(material, aiTextureType_SPECULAR);
        aiString alphaMode;
        if (material.Get(AI_MATKEY_GLTF_ALPHAMODE, alphaMode) == AI_SUCCESS) {
            info.alphaTest = std::strcmp(alphaMode.C_Str(), "MASK") == 0;
            info.blend = std::strcmp(alphaMode.C_Str(), "BLEND") == 0;
        } else {
            float opacity = 1;
            if (material.Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS && opacity < 1)
                info.blend = true;
        }
        int twoSided = 0;
        if (material.Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS)
            info.doubleSided = twoSided != 0;
        bool plain = info.diffuse.empty() && info.normal.empty() && info.specular.empty() && !info.alphaTest &&
                     !info.blend && !info.doubleSided;
        // assimp's stand-in for meshes without a material is quill's default.
        if (info.name == AI_DEFAULT_MATERIAL_NAME && plain) {
            info.name = "default";
            return info;
        }
        if (info.name.empty() || info.name == "default")
            info.name = m_stem + ".material" + std::to_string(index);
        info.defined = true;
        return info;
    }

    // The texture's name relative to the model's folder; textures inside the
    // file are written out beside it.
    std::string texture(const aiMaterial& material, aiTextureType type) {
        aiString path;
        if (material.GetTextureCount(type) == 0 || material.GetTexture(type, 0, &path) != AI_SUCCESS)
            return {};
        std::string name = nameOf(path);
        if (const aiTexture* embedded = m_scene.GetEmbeddedTexture(path.C_Str()))
            return embeddedFile(*embedded, name);
        std::replace(name.begin(), name.end(), '\\', '/');
        if (name.rfind("./", 0) == 0)
            name.erase(0, 2);
        return quotable(name);
    }

    std::string embeddedFile(const aiTexture& texture, const std::string& reference) {
        auto known = m_embedded.find(reference);
        if (known != m_embedded.end())
            return known->second;
        std::string hint = texture.achFormatHint;
        // Only compressed images (a PNG or JPEG file's bytes) are taken;
        // anything else has no texture source to become.
        if (texture.mHeight != 0 || !texture.pcData || (hint != "png" && hint != "jpg" && hint != "jpeg"))
            throw core::Exception("Could not import %s: %s", m_path.c_str(), "unsupported embedded texture");
        if (hint == "jpeg")
            hint = "jpg";
        std::string name = m_stem + "_embedded" + std::to_string(m_out.textures.size()) + "." + hint;
        const auto* bytes = reinterpret_cast<const uint8_t*>(texture.pcData);
        m_out.textures.push_back({name, std::vector<uint8_t>(bytes, bytes + texture.mWidth)});
        m_embedded[reference] = name;
        return name;
    }

    const aiScene& m_scene;
    const std::string& m_path;
    ImportedModel& m_out;
    std::string m_stem;
    std::map<std::string, std::string> m_embedded;
};

std::string libraryText(const std::vector<MaterialInfo>& materials) {
    std::string text = "-- Made from the model's source at each conversion; edits are lost.\n";
    std::vector<std::string> written;
    for (const MaterialInfo& m : materials) {
        if (!m.defined || std::find(written.begin(), written.end(), m.name) != written.end())
            continue;
        written.push_back(m.name);
        text += "material {\n    Name = \"" + m.name + "\",\n";
        if (!m.diffuse.empty())
            text += "    DiffuseMap = \"" + m.diffuse + "\",\n";
        if (!m.normal.empty())
            text += "    NormalMap = \"" + m.normal + "\",\n";
        if (!m.specular.empty())
            text += "    SpecularMap = \"" + m.specular + "\",\n";
        text += "    Lighting = true,\n    Glossiness = 20,\n";
        if (m.alphaTest)
            text += "    AlphaTest = true,\n";
        if (m.blend)
            text += "    BlendMode = 3,\n";  // translucent
        if (m.doubleSided)
            text += "    DoubleSided = true,\n";
        text += "}\n";
    }
    return text;
}

// --- meshes ---

int32_t primitiveTypeOf(const aiMesh& mesh) {
    if (mesh.mPrimitiveTypes & aiPrimitiveType_POINT)
        return int32_t(PrimitiveType::Points);
    if (mesh.mPrimitiveTypes & aiPrimitiveType_LINE)
        return int32_t(PrimitiveType::Lines);
    return int32_t(PrimitiveType::Triangles);
}

// Vertex data goes to the file through one small buffer, converted on its
// way out: a model of a million triangles is never held a second time.
class SliceWriter {
public:
    // A buffer of about `bytes` (the part of a mesh's arrays it expects),
    // within sizes that keep the writes few and the buffer in the cache.
    SliceWriter(core::OutputStream& stream, size_t bytes)
        : m_stream(stream), m_size(std::clamp(bytes, MinBytes, MaxBytes)), m_buffer(new uint8_t[m_size]) {}

    template <class T>
    void push(const T& value) {
        static_assert(sizeof(T) <= MinBytes);
        if (m_used + sizeof(T) > m_size)
            flush();
        std::memcpy(m_buffer.get() + m_used, &value, sizeof(T));
        m_used += sizeof(T);
    }
    // Before anything is written to the stream directly.
    void flush() {
        if (m_used > 0)
            m_stream.writeBytes(m_buffer.get(), int64_t(m_used));
        m_used = 0;
    }

private:
    static constexpr size_t MinBytes = 4096, MaxBytes = size_t(1) << 20;
    core::OutputStream& m_stream;
    size_t m_size;
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_used = 0;
};

struct Uv {
    float u, v;
};

// The meshes of a node that become one mesh entity, and the arrays it has.
struct EntityPlan {
    int32_t node = -1;
    std::vector<const aiMesh*> meshes;
    size_t vertexCount = 0;
    bool normals = false, tangents = true, colors = false, texcoords = false, bumpy = false, skinned = false;
};

class ModelBuilder {
public:
    ModelBuilder(const aiScene& scene, const std::string& path, std::vector<MaterialInfo> materials)
        : m_scene(scene), m_path(path), m_materials(std::move(materials)) {}

    // The node records, with the mesh entities planned but not yet built.
    void plan() {
        addNode(*m_scene.mRootNode, -1);
        for (size_t i = 0; i < m_sources.size(); ++i)
            if (m_sources[i])
                m_byName.emplace(m_nodes[i].name, int32_t(i));  // the first of a name wins
        for (size_t i = 0; i < m_sources.size(); ++i)
            if (m_sources[i] && m_sources[i]->mNumMeshes > 0)
                addMeshes(int32_t(i));
        addLights();
    }

    // The model file, each mesh entity built as it is written.
    void write(core::OutputStream& stream) {
        std::vector<const EntityPlan*> planOf(m_nodes.size(), nullptr);
        for (const EntityPlan& plan : m_plans)
            planOf[size_t(plan.node)] = &plan;
        writeModelHead(stream, m_nodes.size());
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            ModelNodeRecord& record = m_nodes[i];
            writeNodeRecordHead(stream, record);
            if (record.entityType == MeshEntityRecord) {
                writeEntity(stream, record, *planOf[i]);
                writeMeshEntityTail(stream, record.mesh);
            } else if (record.entityType == LightEntityRecord) {
                writeLightEntity(stream, record.light);
            }
        }
    }

private:
    // Depth first, so every node comes after its parent. Nodes are walked
    // with a stack of their own: a deep hierarchy must not exhaust the host's.
    void addNode(const aiNode& root, int32_t parent) {
        std::vector<std::pair<const aiNode*, int32_t>> pending{{&root, parent}};
        while (!pending.empty()) {
            auto [node, parentIndex] = pending.back();
            pending.pop_back();
            auto index = int32_t(m_nodes.size());
            ModelNodeRecord record;
            record.name = nameOf(node->mName);
            record.transform = toMat4x3(node->mTransformation);
            record.parent = parentIndex;
            m_nodes.push_back(std::move(record));
            m_sources.push_back(node);
            for (unsigned i = node->mNumChildren; i-- > 0;)
                pending.push_back({node->mChildren[i], index});
        }
    }

    int32_t nodeNamed(const std::string& name) const {
        auto found = m_byName.find(name);
        return found != m_byName.end() ? found->second : -1;
    }

    // A node's meshes become one mesh entity with a segment each; skinned and
    // rigid meshes go to separate entities, and skinned ones are grouped so
    // that no entity has more bones than the renderers take. Entities past
    // the first hang on children of the node with an identity transform.
    void addMeshes(int32_t nodeIndex) {
        const aiNode& node = *m_sources[size_t(nodeIndex)];
        std::vector<std::vector<const aiMesh*>> groups;
        std::vector<const aiMesh*> rigid;
        std::vector<std::string> groupBones;
        std::vector<const aiMesh*> current;
        for (unsigned i = 0; i < node.mNumMeshes; ++i) {
            unsigned meshIndex = node.mMeshes[i];
            if (meshIndex >= m_scene.mNumMeshes)
                throw core::Exception("Could not import %s: %s", m_path.c_str(), "a node names a missing mesh");
            const aiMesh* mesh = m_scene.mMeshes[meshIndex];
            if (mesh->mNumBones == 0) {
                rigid.push_back(mesh);
                continue;
            }
            std::vector<std::string> bones = groupBones;
            for (unsigned b = 0; b < mesh->mNumBones; ++b) {
                std::string name = nameOf(mesh->mBones[b]->mName);
                if (std::find(bones.begin(), bones.end(), name) == bones.end())
                    bones.push_back(name);
            }
            // One more for vertices that no bone moves: they follow the node.
            if (int(bones.size()) + 1 > MaxBonesPerMesh && !current.empty()) {
                groups.push_back(std::move(current));
                current.clear();
                groupBones.clear();
                bones.clear();
                for (unsigned b = 0; b < mesh->mNumBones; ++b)
                    bones.push_back(nameOf(mesh->mBones[b]->mName));
            }
            if (int(bones.size()) + 1 > MaxBonesPerMesh)
                throw core::Exception("Could not import %s: a mesh of node \"%s\" needs %d bones, at most %d are allowed",
                                      m_path.c_str(), nameOf(node.mName).c_str(), int(bones.size()),
                                      MaxBonesPerMesh - 1);
            groupBones = std::move(bones);
            current.push_back(mesh);
        }
        if (!current.empty())
            groups.push_back(std::move(current));
        if (!rigid.empty())
            groups.insert(groups.begin(), std::move(rigid));

        for (size_t g = 0; g < groups.size(); ++g) {
            int32_t target = nodeIndex;
            if (g > 0) {
                ModelNodeRecord part;
                part.name = m_nodes[size_t(nodeIndex)].name + "#" + std::to_string(g);
                part.parent = nodeIndex;
                target = int32_t(m_nodes.size());
                m_nodes.push_back(std::move(part));
                m_sources.push_back(nullptr);
            }
            m_nodes[size_t(target)].entityType = MeshEntityRecord;
            m_plans.push_back(planEntity(target, std::move(groups[g])));
        }
    }

    EntityPlan planEntity(int32_t nodeIndex, std::vector<const aiMesh*> meshes) {
        EntityPlan plan;
        plan.node = nodeIndex;
        for (const aiMesh* mesh : meshes) {
            plan.vertexCount += mesh->mNumVertices;
            plan.normals |= mesh->HasNormals();
            plan.tangents &= mesh->HasTangentsAndBitangents();
            plan.colors |= mesh->HasVertexColors(0);
            plan.texcoords |= mesh->HasTextureCoords(0);
            plan.bumpy |=
                mesh->mMaterialIndex < m_materials.size() && !m_materials[mesh->mMaterialIndex].normal.empty();
        }
        if (plan.vertexCount > size_t(INT32_MAX / 64))
            throw core::Exception("Could not import %s: %s", m_path.c_str(), "a mesh is too large");
        plan.skinned = meshes.front()->mNumBones > 0;
        plan.meshes = std::move(meshes);
        return plan;
    }

    void writeEntity(core::OutputStream& stream, ModelNodeRecord& record, const EntityPlan& plan) {
        if (plan.tangents || !plan.bumpy || !plan.texcoords || !plan.normals) {
            writeMeshBlock(stream, record, plan);
            return;
        }
        // Tangents are worked out over the whole mesh: this one is made in
        // memory first.
        EntityPlan withoutTangents = plan;
        withoutTangents.tangents = false;
        core::ByteArrayOutputStream block(core::ByteOrder::LittleEndian);
        writeMeshBlock(block, record, withoutTangents);
        core::ByteArrayInputStream input(block.data(), int64_t(block.size()), false, core::ByteOrder::LittleEndian);
        std::unique_ptr<Mesh> mesh = readMesh(input);
        computeTangentVectors(*mesh);
        writeMesh(stream, *mesh);
    }

    // The entity's MESH block, converted from the source meshes as it is
    // written; the bones go to the record.
    void writeMeshBlock(core::OutputStream& stream, ModelNodeRecord& record, const EntityPlan& plan) {
        constexpr auto Float = int32_t(ElementType::Float);
        const std::vector<const aiMesh*>& meshes = plan.meshes;
        SliceWriter out(stream, plan.vertexCount * sizeof(Vec3));
        auto arrayHead = [&](bool present, int32_t type, int32_t components, size_t size) {
            out.flush();
            if (present)
                writeMeshArrayHead(stream, type, components, int32_t(size));
            else
                writeMeshArrayHead(stream, 0, 0, 0);
        };
        writeMeshHead(stream, int32_t(plan.vertexCount));

        BoundingBox box;
        arrayHead(true, Float, 3, sizeof(Vec3));
        for (const aiMesh* source : meshes)
            for (unsigned v = 0; v < source->mNumVertices; ++v) {
                Vec3 p = mirrored(source->mVertices[v]);
                box.add(p);
                out.push(p);
            }
        // Meshes without the array have zeros in it.
        auto vectors = [&](bool present, aiVector3D* aiMesh::*array) {
            arrayHead(present, Float, 3, sizeof(Vec3));
            if (present)
                for (const aiMesh* source : meshes) {
                    const aiVector3D* from = source->*array;
                    for (unsigned v = 0; v < source->mNumVertices; ++v)
                        out.push(from ? mirrored(from[v]) : Vec3{0, 0, 0});
                }
        };
        vectors(plan.normals, &aiMesh::mNormals);
        vectors(plan.tangents, &aiMesh::mTangents);
        vectors(plan.tangents, &aiMesh::mBitangents);
        arrayHead(plan.colors, int32_t(ElementType::UnsignedByte), 4, sizeof(Color));
        if (plan.colors)
            for (const aiMesh* source : meshes)
                for (unsigned v = 0; v < source->mNumVertices; ++v) {
                    aiColor4D c = source->mColors[0] ? source->mColors[0][v] : aiColor4D(1, 1, 1, 1);
                    auto byte = [](float f) { return static_cast<unsigned char>(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f); };
                    out.push(Color{byte(c.r), byte(c.g), byte(c.b), byte(c.a)});
                }
        arrayHead(plan.texcoords, Float, 2, sizeof(Uv));
        if (plan.texcoords)
            for (const aiMesh* source : meshes)
                for (unsigned v = 0; v < source->mNumVertices; ++v) {
                    aiVector3D t = source->mTextureCoords[0] ? source->mTextureCoords[0][v] : aiVector3D(0, 0, 0);
                    out.push(Uv{t.x, 1 - t.y});
                }
        for (int slot = TexcoordSlot + 1; slot < BoneIndexSlot; ++slot)
            arrayHead(false, 0, 0, 0);
        arrayHead(plan.skinned, int32_t(ElementType::Int), 4, 4 * sizeof(int32_t));
        if (plan.skinned)
            writeInfluences(stream, out, record, plan);
        else
            arrayHead(false, 0, 0, 0);

        // The index count comes first: faces of the wrong size, which only
        // broken input has after triangulation, are counted out beforehand.
        std::vector<MeshSegment> segments;
        size_t indexCount = 0;
        for (const aiMesh* source : meshes) {
            MeshSegment segment;
            segment.material = core::CountedRef<Material>(materialOf(*source));
            segment.type = primitiveTypeOf(*source);
            segment.firstIndex = int32_t(indexCount);
            int corners = indicesPerPrimitive(segment.type);
            for (unsigned f = 0; f < source->mNumFaces; ++f)
                if (int(source->mFaces[f].mNumIndices) == corners)
                    ++segment.count;
            indexCount += size_t(segment.count) * size_t(corners);
            segments.push_back(std::move(segment));
        }
        out.flush();
        stream.writeSignedInt(int32_t(indexCount));
        int32_t base = 0;
        for (const aiMesh* source : meshes) {
            unsigned n = source->mNumVertices;
            int corners = indicesPerPrimitive(primitiveTypeOf(*source));
            for (unsigned f = 0; f < source->mNumFaces; ++f) {
                const aiFace& face = source->mFaces[f];
                if (int(face.mNumIndices) != corners)
                    continue;
                if (corners == 3) {
                    // Triangles turn round: corners 0, 2, 1.
                    const unsigned* corner = face.mIndices;
                    if (corner[0] >= n || corner[1] >= n || corner[2] >= n)
                        throw core::Exception("Could not import %s: %s", m_path.c_str(), "a face names a missing vertex");
                    const int32_t triangle[3] = {base + int32_t(corner[0]), base + int32_t(corner[2]),
                                                 base + int32_t(corner[1])};
                    out.push(triangle);
                    continue;
                }
                for (int k = 0; k < corners; ++k) {
                    unsigned index = face.mIndices[k];
                    if (index >= n)
                        throw core::Exception("Could not import %s: %s", m_path.c_str(), "a face names a missing vertex");
                    out.push(base + int32_t(index));
                }
            }
            base += int32_t(n);
        }
        out.flush();
        writeMeshSegments(stream, segments);

        // The bounds a mesh works out from its positions.
        BoundingSphere sphere;
        if (plan.vertexCount == 0) {
            box = {{0, 0, 0}, {0, 0, 0}};
        } else {
            Vec3 center = box.center();
            float radiusSquared = 0;
            for (const aiMesh* source : meshes)
                for (unsigned v = 0; v < source->mNumVertices; ++v) {
                    Vec3 d = mirrored(source->mVertices[v]) - center;
                    radiusSquared = std::max(radiusSquared, dot(d, d));
                }
            sphere = {center, std::sqrt(radiusSquared)};
        }
        writeMeshBounds(stream, box, sphere);
    }

    // A vertex's four heaviest bones, heaviest first.
    struct Influence {
        int32_t bone[4];
        float weight[4];

        void add(int32_t index, float w) {
            int slot = 4;
            while (slot > 0 && weight[slot - 1] < w)
                --slot;
            if (slot == 4)
                return;
            for (int k = 3; k > slot; --k) {
                weight[k] = weight[k - 1];
                bone[k] = bone[k - 1];
            }
            weight[slot] = w;
            bone[slot] = index;
        }
    };

    // The weights of one source bone in vertex order, as importers write
    // them; others are sorted into a copy, keeping each vertex's own order.
    struct BoneWeights {
        int32_t index;  // in the entity's bones
        const aiVertexWeight* weights;
        unsigned count;
        std::vector<aiVertexWeight> sorted;
        unsigned next = 0;
    };

    // Bone indices, then bone weights, for every vertex of the entity, worked
    // out a slice of vertices at a time, so that a large skinned mesh needs
    // no per-vertex lists. Vertices that no bone moves follow the entity's
    // own node, which becomes its last bone.
    void writeInfluences(core::OutputStream& stream, SliceWriter& out, ModelNodeRecord& record, const EntityPlan& plan) {
        std::vector<std::string> boneNames;
        std::vector<Mat4x3> inverseBinds;
        std::vector<std::vector<BoneWeights>> sources;
        for (const aiMesh* source : plan.meshes) {
            std::vector<BoneWeights>& bones = sources.emplace_back();
            for (unsigned b = 0; b < source->mNumBones; ++b) {
                const aiBone& bone = *source->mBones[b];
                std::string name = nameOf(bone.mName);
                auto at = std::find(boneNames.begin(), boneNames.end(), name);
                auto index = int32_t(at - boneNames.begin());
                if (at == boneNames.end()) {
                    boneNames.push_back(name);
                    inverseBinds.push_back(toMat4x3(bone.mOffsetMatrix));
                }
                BoneWeights& weights = bones.emplace_back(BoneWeights{index, bone.mWeights, bone.mNumWeights, {}});
                auto byVertex = [](const aiVertexWeight& a, const aiVertexWeight& b) { return a.mVertexId < b.mVertexId; };
                if (!std::is_sorted(bone.mWeights, bone.mWeights + bone.mNumWeights, byVertex)) {
                    weights.sorted.assign(bone.mWeights, bone.mWeights + bone.mNumWeights);
                    std::stable_sort(weights.sorted.begin(), weights.sorted.end(), byVertex);
                    weights.weights = weights.sorted.data();
                }
            }
        }
        auto self = int32_t(boneNames.size());
        bool unbound = false;
        constexpr unsigned Slice = 4096;
        std::vector<Influence> slice(Slice);
        // The weights wait while the indices go out: half the size of both.
        std::unique_ptr<float[]> weights(new float[plan.vertexCount * 4]);
        float* nextWeights = weights.get();
        for (size_t m = 0; m < plan.meshes.size(); ++m) {
            unsigned n = plan.meshes[m]->mNumVertices;
            for (unsigned first = 0; first < n; first += Slice) {
                unsigned count = std::min(Slice, n - first), end = first + count;
                std::fill(slice.begin(), slice.begin() + count, Influence{});
                for (BoneWeights& bone : sources[m]) {
                    const aiVertexWeight* from = bone.weights;
                    unsigned next = bone.next;
                    for (; next < bone.count && from[next].mVertexId < end; ++next)
                        if (from[next].mWeight > 0)
                            slice[from[next].mVertexId - first].add(bone.index, from[next].mWeight);
                    bone.next = next;
                }
                for (unsigned v = 0; v < count; ++v) {
                    Influence& vertex = slice[v];
                    float sum = vertex.weight[0] + vertex.weight[1] + vertex.weight[2] + vertex.weight[3];
                    if (sum > 0)
                        for (float& w : vertex.weight)
                            w /= sum;
                    if (vertex.weight[0] == 0) {
                        vertex.bone[0] = self;
                        vertex.weight[0] = 1;
                        unbound = true;
                    }
                    out.push(vertex.bone);
                    std::memcpy(nextWeights, vertex.weight, sizeof vertex.weight);
                    nextWeights += 4;
                }
            }
        }
        out.flush();
        writeMeshArrayHead(stream, int32_t(ElementType::Float), 4, 4 * sizeof(float));
        stream.writeBytes(weights.get(), int64_t(plan.vertexCount * 4 * sizeof(float)));
        std::vector<ModelBoneRecord> bones;
        for (size_t b = 0; b < boneNames.size(); ++b)
            bones.push_back({nodeNamed(boneNames[b]), inverseBinds[b]});
        if (unbound)
            bones.push_back({plan.node, Mat4x3::identity()});
        record.mesh.bones = std::move(bones);
    }

    Material* materialOf(const aiMesh& mesh) {
        if (mesh.mMaterialIndex >= m_materials.size())
            return defaultMaterial();
        return getMaterial(m_materials[mesh.mMaterialIndex].name);
    }

    void addLights() {
        for (unsigned i = 0; i < m_scene.mNumLights; ++i) {
            const aiLight& light = *m_scene.mLights[i];
            int32_t type;
            switch (light.mType) {
            case aiLightSource_AMBIENT: type = 0; break;
            case aiLightSource_DIRECTIONAL: type = 1; break;
            case aiLightSource_POINT: type = 2; break;
            case aiLightSource_SPOT: type = 3; break;
            default: continue;
            }
            int32_t node = nodeNamed(nameOf(light.mName));
            if (node < 0)
                continue;
            // A node with a mesh keeps it; its light goes on a child.
            if (m_nodes[size_t(node)].entityType != NoEntity) {
                ModelNodeRecord child;
                child.name = m_nodes[size_t(node)].name + "#light";
                child.parent = node;
                node = int32_t(m_nodes.size());
                m_nodes.push_back(std::move(child));
                m_sources.push_back(nullptr);
            }
            ModelNodeRecord& record = m_nodes[size_t(node)];
            record.entityType = LightEntityRecord;
            record.light.type = type;
            record.light.color = {light.mColorDiffuse.r, light.mColorDiffuse.g, light.mColorDiffuse.b};
            // Inverse-square falloff has no end; the range is where it has
            // fallen to one percent.
            float q = light.mAttenuationQuadratic, l = light.mAttenuationLinear;
            record.light.range = q > 0 ? std::sqrt(100.0f / q) : l > 0 ? 100.0f / l : 10.0f;
            record.light.spotAngle = light.mAngleOuterCone * 2.0f;
            float inner = light.mAngleInnerCone, outer = light.mAngleOuterCone;
            record.light.spotSharpness = outer > 0 ? std::clamp(inner / outer, 0.0f, 1.0f) : 0.0f;
            record.light.castShadow = false;
        }
    }

    const aiScene& m_scene;
    const std::string& m_path;
    std::vector<MaterialInfo> m_materials;
    std::vector<ModelNodeRecord> m_nodes;
    std::vector<const aiNode*> m_sources;  // null for nodes made here
    std::unordered_map<std::string, int32_t> m_byName;
    std::vector<EntityPlan> m_plans;
};

// --- clips ---

template <class Key>
double keyTime(const Key& key) {
    return key.mTime;
}

// The key pair around time t (in ticks) and the blend between them.
template <class Key>
void bracket(const Key* keys, unsigned count, double t, unsigned& a, unsigned& b, float& f) {
    auto after = std::upper_bound(keys, keys + count, t, [](double time, const Key& key) { return time < key.mTime; });
    b = unsigned(after - keys);
    if (b == 0) {
        a = b = 0;
        f = 0;
        return;
    }
    if (b >= count) {
        a = b = count - 1;
        f = 0;
        return;
    }
    a = b - 1;
    double span = keys[b].mTime - keys[a].mTime;
    f = span > 0 ? float((t - keys[a].mTime) / span) : 0.0f;
}

aiVector3D vectorAt(const aiVectorKey* keys, unsigned count, double t, const aiVector3D& rest) {
    if (count == 0)
        return rest;
    unsigned a, b;
    float f;
    bracket(keys, count, t, a, b, f);
    return keys[a].mValue + (keys[b].mValue - keys[a].mValue) * f;
}

aiQuaternion rotationAt(const aiQuatKey* keys, unsigned count, double t, const aiQuaternion& rest) {
    if (count == 0)
        return rest;
    unsigned a, b;
    float f;
    bracket(keys, count, t, a, b, f);
    aiQuaternion q;
    aiQuaternion::Interpolate(q, keys[a].mValue, keys[b].mValue, f);
    return q.Normalize();
}

// The clip's own key rate: the slowest rate whose frames fall on every key,
// found from the closest pair of keys (a clip keyed at 12 or 60 frames a
// second keeps 12 or 60). Keys off any such grid are sampled at least 24
// times a second instead.
template <class Key>
void closestKeys(const Key* keys, unsigned count, double& smallest) {
    for (unsigned i = 1; i < count; ++i) {
        double d = keys[i].mTime - keys[i - 1].mTime;
        if (d > 0 && d < smallest)
            smallest = d;
    }
}

template <class Key>
bool onGrid(const Key* keys, unsigned count, double framesPerTick) {
    for (unsigned i = 0; i < count; ++i) {
        double frame = keys[i].mTime * framesPerTick;
        if (std::abs(frame - std::round(frame)) > 1e-3)
            return false;
    }
    return true;
}

constexpr double MaxFramesPerSecond = 240;

double keyRate(const aiAnimation& clip, double ticksPerSecond) {
    double smallest = 1e30;
    for (unsigned c = 0; c < clip.mNumChannels; ++c) {
        const aiNodeAnim& channel = *clip.mChannels[c];
        closestKeys(channel.mPositionKeys, channel.mNumPositionKeys, smallest);
        closestKeys(channel.mRotationKeys, channel.mNumRotationKeys, smallest);
        closestKeys(channel.mScalingKeys, channel.mNumScalingKeys, smallest);
    }
    if (!(smallest < 1e30))
        return 24;  // one key a channel: any rate holds it
    double base = ticksPerSecond / smallest;
    for (int multiple = 1; multiple <= 16 && base * multiple <= MaxFramesPerSecond; ++multiple) {
        double rate = base * multiple;
        // Times stored as float seconds put 12 a second at 12.0000x.
        if (std::abs(rate - std::round(rate)) < 1e-4 * rate)
            rate = std::round(rate);
        double framesPerTick = rate / ticksPerSecond;
        bool fits = true;
        for (unsigned c = 0; c < clip.mNumChannels && fits; ++c) {
            const aiNodeAnim& channel = *clip.mChannels[c];
            fits = onGrid(channel.mPositionKeys, channel.mNumPositionKeys, framesPerTick) &&
                   onGrid(channel.mRotationKeys, channel.mNumRotationKeys, framesPerTick) &&
                   onGrid(channel.mScalingKeys, channel.mNumScalingKeys, framesPerTick);
        }
        if (fits)
            return rate;
    }
    return std::clamp(std::round(base), 24.0, MaxFramesPerSecond);
}

std::unique_ptr<Animation> sampleClip(const aiScene& scene, const aiAnimation& clip, unsigned index,
                                      const std::string& path) {
    double ticksPerSecond = clip.mTicksPerSecond > 0 ? clip.mTicksPerSecond : 25.0;
    double end = 0;
    for (unsigned c = 0; c < clip.mNumChannels; ++c) {
        const aiNodeAnim& channel = *clip.mChannels[c];
        if (channel.mNumPositionKeys)
            end = std::max(end, channel.mPositionKeys[channel.mNumPositionKeys - 1].mTime);
        if (channel.mNumRotationKeys)
            end = std::max(end, channel.mRotationKeys[channel.mNumRotationKeys - 1].mTime);
        if (channel.mNumScalingKeys)
            end = std::max(end, channel.mScalingKeys[channel.mNumScalingKeys - 1].mTime);
    }
    double rate = keyRate(clip, ticksPerSecond);
    double seconds = std::max(end, clip.mDuration) / ticksPerSecond;
    if (!std::isfinite(seconds) || seconds < 0 || seconds * rate > 1e6)
        throw core::Exception("Could not import %s: %s", path.c_str(), "a clip is too long");
    auto frames = int32_t(std::lround(seconds * rate)) + 1;

    auto animation = std::make_unique<Animation>();
    std::string name = nameOf(clip.mName);
    animation->setName(name.empty() ? std::to_string(index + 1) : name);
    animation->setFramesPerSecond(float(rate));
    animation->setFrameCount(frames);
    for (unsigned c = 0; c < clip.mNumChannels; ++c) {
        const aiNodeAnim& channel = *clip.mChannels[c];
        // Parts a channel leaves out keep the node's own pose.
        aiVector3D restScale(1, 1, 1), restPosition;
        aiQuaternion restRotation;
        if (const aiNode* node = scene.mRootNode->FindNode(channel.mNodeName))
            node->mTransformation.Decompose(restScale, restRotation, restPosition);
        std::vector<AnimationKey> keys(static_cast<size_t>(frames));
        for (int32_t i = 0; i < frames; ++i) {
            double t = double(i) / rate * ticksPerSecond;
            aiVector3D p = vectorAt(channel.mPositionKeys, channel.mNumPositionKeys, t, restPosition);
            aiQuaternion q = rotationAt(channel.mRotationKeys, channel.mNumRotationKeys, t, restRotation);
            aiVector3D s = vectorAt(channel.mScalingKeys, channel.mNumScalingKeys, t, restScale);
            keys[size_t(i)] = {mirrored(p), mirrored(q), {s.x, s.y, s.z}};
        }
        animation->addTrack(nameOf(channel.mNodeName), std::move(keys));
    }
    return animation;
}

} // namespace

struct AssimpModel::State {
    explicit State(const std::string& source) : path(source) {}
    std::string path;
    Assimp::Importer importer;
    ImportedModel extras;
    std::unique_ptr<ModelBuilder> builder;
};

AssimpModel::AssimpModel(const std::string& path) : m_state(std::make_unique<State>(path)) {
    const aiScene* scene = readScene(m_state->importer, path, BaseSteps);
    std::vector<MaterialInfo> materials = MaterialReader(*scene, m_state->path, m_state->extras).readAll();
    m_state->extras.materials = libraryText(materials);
    m_state->builder = std::make_unique<ModelBuilder>(*scene, m_state->path, std::move(materials));
    m_state->builder->plan();
}

AssimpModel::~AssimpModel() = default;

const std::string& AssimpModel::materials() const {
    return m_state->extras.materials;
}

const std::vector<ImportedFile>& AssimpModel::textures() const {
    return m_state->extras.textures;
}

void AssimpModel::writeModel(core::OutputStream& stream) {
    m_state->builder->write(stream);
}

ImportedModel importAssimpModel(const std::string& path) {
    AssimpModel source(path);
    core::ByteArrayOutputStream file(core::ByteOrder::LittleEndian);
    source.writeModel(file);
    core::ByteArrayInputStream input(file.data(), int64_t(file.size()), false, core::ByteOrder::LittleEndian);
    ImportedModel model;
    model.nodes = readModelRecords(input);
    model.materials = source.materials();
    model.textures = source.textures();
    return model;
}

std::vector<std::unique_ptr<Animation>> importAssimpAnimations(const std::string& path) {
    Assimp::Importer importer;
    // Only the hierarchy and the clips matter here: no mesh steps.
    const aiScene* scene = readScene(importer, path, aiProcess_GlobalScale);
    std::vector<std::unique_ptr<Animation>> clips;
    for (unsigned i = 0; i < scene->mNumAnimations; ++i)
        clips.push_back(sampleClip(*scene, *scene->mAnimations[i], i, path));
    return clips;
}

} // namespace engine
