#include "engine/assets/Model.h"

#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/assets/ModelFile.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"
#include "engine/scene/Scene.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace engine {

namespace {

std::vector<Model*>& registry() {
    static auto* models = new std::vector<Model*>;
    return *models;
}

MeshEntity* meshEntityOf(const Node* node) {
    return static_cast<MeshEntity*>(node->meshEntity());
}

LightEntity* lightEntityOf(const Node* node) {
    return static_cast<LightEntity*>(node->lightEntity());
}

constexpr int RenderSlot = Component::RenderEntityKind;

// Uploads the mesh, hangs an entity of it on the node, then lets go of the mesh.
void buildMeshEntity(const Model& model, Node* node, ModelMeshRecord& record, bool keepSourceData) {
    auto* entity = new MeshEntity(RenderableMesh::create(*record.mesh, keepSourceData).release());
    node->setComponent(RenderSlot, entity);
    if (!record.bones.empty()) {
        std::vector<Bone> bones;
        for (const ModelBoneRecord& bone : record.bones)
            bones.push_back({bone.node >= 0 ? model.node(bone.node) : nullptr, bone.inverseBind});
        entity->setSkeleton(new Skeleton(std::move(bones)));
    }
    entity->setEmissiveColor(record.emissiveColor);
    entity->setFlag(MeshEntity::CastShadow, record.castShadow);
    record.mesh.reset();
}

LightEntity* buildLightEntity(const ModelLightRecord& record) {
    auto* light = new LightEntity(static_cast<LightEntity::LightType>(record.type));
    light->setLightColor(record.color);
    light->setLightRange(record.range);
    light->setSpotAngle(record.spotAngle);
    light->setSpotSharpness(record.spotSharpness);
    light->setCastShadow(record.castShadow);
    return light;
}

} // namespace

Model::Model() {
    registry().push_back(this);
}

Model::~Model() {
    auto& models = registry();
    models.erase(std::find(models.begin(), models.end(), this));
    // A skeleton may outlive the model (a script holds its entity or the
    // skeleton itself); its bones must not keep pointing at the nodes.
    std::unordered_set<const Node*> own;
    for (const auto& node : m_nodes)
        own.insert(node.get());
    for (const auto& node : m_nodes)
        if (MeshEntity* entity = meshEntityOf(node.get()); entity && entity->skeleton())
            for (Bone& bone : entity->skeleton()->bones())
                if (own.count(bone.node))
                    bone.node = nullptr;
    // A destroyed node turns its children into roots, so the order does not matter.
    m_nodes.clear();
}

Model* Model::find(const std::string& name) {
    for (Model* model : registry())
        if (model->m_name == name)
            return model;
    return nullptr;
}

Model* Model::load(const std::string& name, bool keepSourceData) {
    // Unnamed models are not loaded ones: an empty name must not hand out one of them.
    if (Model* model = name.empty() ? nullptr : find(name))
        return model;
    AssetProcessor& processor = findAssetProcessor(AssetProcessor::Model, name);
    processor.processFile(name);
    core::FileInputStream stream(processor.nativeFileName(name), core::ByteOrder::LittleEndian);
    std::unique_ptr<Model> model = readModel(stream, keepSourceData);
    model->setName(name);
    return model.release();
}

Node* Model::addNode() {
    m_nodes.push_back(std::make_unique<Node>());
    Node* node = m_nodes.back().get();
    if (m_nodes.size() > 1)
        node->addTo(root());
    return node;
}

Node* Model::instantiate(Scene& scene) const {
    if (m_nodes.empty())
        return nullptr;
    // The copies by the model's nodes, so parents and bones find theirs;
    // nodes of other owners have none.
    std::unordered_map<const Node*, Node*> copies;
    for (const auto& node : m_nodes)
        copies[node.get()] = scene.addNode();
    auto copyOf = [&](const Node* node) -> Node* {
        auto found = copies.find(node);
        return found != copies.end() ? found->second : nullptr;
    };
    for (size_t j = 0; j < m_nodes.size(); ++j) {
        const Node* original = m_nodes[j].get();
        Node* copy = copyOf(original);
        copy->setName(original->name());
        copy->setTransform(original->transform());
        if (Node* parent = copyOf(original->parent()))
            copy->addTo(parent);
        if (MeshEntity* entity = meshEntityOf(original)) {
            MeshEntity* duplicate = entity->copy();
            if (Skeleton* skeleton = entity->skeleton()) {
                std::vector<Bone> bones = skeleton->bones();
                for (Bone& bone : bones)
                    bone.node = copyOf(bone.node);
                duplicate->setSkeleton(new Skeleton(std::move(bones)));
            }
            copy->setComponent(RenderSlot, duplicate);
        } else if (LightEntity* light = lightEntityOf(original)) {
            copy->setComponent(RenderSlot, light->copy());
        }
    }
    return copyOf(root());
}

std::unique_ptr<Model> readModel(core::InputStream& stream, bool keepSourceData) {
    std::vector<ModelNodeRecord> records = readModelRecords(stream);
    // Every node but the root hangs below the root, so a root with a parent
    // would close a loop.
    if (!records.empty() && records.front().parent != -1)
        throw core::InvalidFileFormatException(stream.getFilename().c_str());

    auto model = std::make_unique<Model>();
    for (size_t i = 0; i < records.size(); ++i)
        model->addNode();
    for (size_t i = 0; i < records.size(); ++i) {
        ModelNodeRecord& record = records[i];
        Node* node = model->node(int(i));
        node->setName(record.name);
        node->setTransform(record.transform);
        if (record.parent >= 0)
            node->addTo(model->node(record.parent));
        if (record.entityType == MeshEntityRecord)
            buildMeshEntity(*model, node, record.mesh, keepSourceData);
        else if (record.entityType == LightEntityRecord)
            node->setComponent(RenderSlot, buildLightEntity(record.light));
    }
    return model;
}

void writeModel(core::OutputStream& stream, const Model& model) {
    // Parents and bones are stored as indices; -1 for nodes of other owners.
    std::unordered_map<const Node*, int32_t> indices;
    for (int i = 0; i < model.nodeCount(); ++i)
        indices[model.node(i)] = i;
    auto indexOf = [&](const Node* node) {
        auto found = indices.find(node);
        return found != indices.end() ? found->second : -1;
    };
    std::vector<ModelNodeRecord> records(size_t(model.nodeCount()));
    for (int i = 0; i < model.nodeCount(); ++i) {
        const Node* node = model.node(i);
        ModelNodeRecord& record = records[size_t(i)];
        record.name = node->name();
        record.transform = node->transform();
        record.parent = indexOf(node->parent());
        if (const MeshEntity* entity = meshEntityOf(node)) {
            const Mesh* source = entity->mesh() ? entity->mesh()->getSourceData() : nullptr;
            if (!source)
                throw core::Exception("No source data");
            record.entityType = MeshEntityRecord;
            // The record owns its mesh; a copy keeps the renderable's intact.
            record.mesh.mesh = std::make_unique<Mesh>(*source);
            if (const Skeleton* skeleton = entity->skeleton())
                for (const Bone& bone : skeleton->bones())
                    record.mesh.bones.push_back({indexOf(bone.node), bone.inverseBind});
            record.mesh.emissiveColor = entity->emissiveColor();
            record.mesh.castShadow = entity->hasFlag(MeshEntity::CastShadow);
        } else if (const LightEntity* light = lightEntityOf(node)) {
            record.entityType = LightEntityRecord;
            record.light = {light->lightType(), light->lightColor(), light->lightRange(),
                            light->spotAngle(),  light->spotSharpness(), light->castShadow()};
        }
    }
    writeModelRecords(stream, records);
}

void saveModel(const Model& model, const std::string& path) {
    core::ByteArrayOutputStream buffer(core::ByteOrder::LittleEndian);
    writeModel(buffer, model);
    core::FileOutputStream file(path, core::ByteOrder::LittleEndian);
    file.writeBytes(buffer.data(), int64_t(buffer.size()));
}

} // namespace engine
