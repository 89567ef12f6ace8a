// Models and clips from glTF files written here, converted through assimp.

#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "core/FileSystem.h"
#include "core/Path.h"
#include "engine/assets/AnimationController.h"
#include "engine/assets/AssimpImporter.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/assets/Model.h"
#include "engine/assets/ModelFile.h"
#include "engine/render/MeshEntity.h"
#include "GltfSheet.h"
#include "support/ExceptionMessage.h"
#include "support/SceneWindow.h"
#include "support/TempDirectory.h"

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace engine;

namespace {

constexpr core::Image::Rgba Red{255, 0, 0, 255}, Green{0, 255, 0, 255}, Blue{0, 0, 255, 255},
    White{255, 255, 255, 255};

std::string quote(const std::string& text) {
    return "\"" + text + "\"";
}

// A 4 × 4 quad standing in glTF's z = 0 plane, facing +Z (quill's -Z: the
// test camera), from y = -1.5 to 2.5, its texture corners glTF's (v down).
int addQuad(gltf::Writer& file, const std::vector<uint32_t>& indices = {0, 2, 3, 0, 3, 1}) {
    int position = file.floats({-2, 2.5f, 0, 2, 2.5f, 0, -2, -1.5f, 0, 2, -1.5f, 0}, "VEC3", true);
    int normal = file.floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, "VEC3");
    int uv = file.floats({0, 0, 1, 0, 0, 1, 1, 1}, "VEC2");
    int index = file.indices(indices);
    file.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(position) +
                          ",\"NORMAL\":" + std::to_string(normal) + ",\"TEXCOORD_0\":" + std::to_string(uv) +
                          "},\"indices\":" + std::to_string(index) + ",\"material\":0}]}");
    return int(file.meshes.size()) - 1;
}

// Four colours, one to a quarter: red top left, green top right, blue
// bottom left, white bottom right.
core::Image quarters() {
    core::Image image(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, y < 16 ? (x < 16 ? Red : Green) : (x < 16 ? Blue : White));
    return image;
}

// Rendered colours are a little darker than the texture's.
testing::AssertionResult shows(const core::Image::Rgba& pixel, const core::Image::Rgba& colour) {
    auto close = [](uint8_t got, uint8_t want) { return want ? got > 150 : got < 50; };
    if (close(pixel.red, colour.red) && close(pixel.green, colour.green) && close(pixel.blue, colour.blue))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel " << int(pixel.red) << "," << int(pixel.green) << ","
                                       << int(pixel.blue);
}

std::string fileText(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    std::string text;
    char chunk[4096];
    for (size_t n; file && (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, n);
    if (file)
        fclose(file);
    return text;
}

// glTF's space is quill's mirrored along Z: a box from the shapes moves
// across with z negated and its triangles wound the other way.
void addBox(float height, float lift, std::vector<float>& positions, std::vector<float>& normals,
            std::vector<uint32_t>& indices) {
    auto vertexBase = uint32_t(positions.size() / 3);
    std::unique_ptr<Mesh> box = createBox(1, height, 1);
    const Vec3* p = box->vec3Array(PositionSlot);
    const Vec3* n = box->vec3Array(NormalSlot);
    for (int v = 0; v < box->getVertexCount(); ++v) {
        positions.insert(positions.end(), {p[v].x, p[v].y + lift, -p[v].z});
        normals.insert(normals.end(), {n[v].x, n[v].y, -n[v].z});
    }
    const std::vector<int32_t>& list = box->getIndices();
    for (size_t i = 0; i + 2 < list.size(); i += 3)
        indices.insert(indices.end(), {vertexBase + uint32_t(list[i]), vertexBase + uint32_t(list[i + 2]),
                                       vertexBase + uint32_t(list[i + 1])});
}

class AssimpWindow : public test::SceneWindow {
protected:
    TempDirectory folder;

    void TearDown() override {
        for (Model* model : models)
            delete model;
        models.clear();
        test::SceneWindow::TearDown();
    }

    Model* load(const std::string& name) {
        Model* model = Model::load(name, false);
        models.push_back(model);
        return model;
    }

    // One frame of the scene on black, saved; its pixels are read with
    // framePixelAt.
    void render(const std::string& name) {
        renderer->clearColor = {0, 0, 0, 255};
        renderer->beginRender();
        renderer->renderScene(scene.get(), camera.get(), nullptr);
        renderer->saveScreenShot(test::testOutputDirectory() + "/" + name + "-frame.png");
        renderer->endRender();
    }

    // The camera looks straight down +Z at the quads.
    void faceTheQuad() {
        camera->setPosition({0, 0.5f, -8});
        camera->lookAt({0, 0.5f, 0});
    }

    std::vector<Model*> models;
};

// The texture shows the right way round whether the file names it or holds
// it, and the material of the file's name carries it: the quad's top left is
// red, its bottom right white. The image becomes a DDS file beside the model.
TEST_F(AssimpWindow, ATexturedQuadShowsItsTextureFromAFileOrFromInside) {
    struct Case {
        const char* model;
        bool embedded;
        const char* texture;
    };
    for (const Case& c : {Case{"framed.gltf", false, "paint.png"}, Case{"inlaid.gltf", true, "inlaid_embedded0.png"},
                          Case{"boxed.glb", false, "paint.png"}}) {
        SCOPED_TRACE(c.model);
        gltf::Writer file;
        int mesh = addQuad(file);
        file.nodes.push_back("{\"name\":\"quad\",\"mesh\":" + std::to_string(mesh) + "}");
        std::string material = std::string(c.model) + ".paint";
        file.materials.push_back("{\"name\":" + quote(material) +
                                 ",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
        file.textures.push_back("{\"source\":0,\"sampler\":0}");
        quarters().save("paint.png", true);
        if (c.embedded) {
            std::string png = fileText("paint.png");
            file.images.push_back("{\"uri\":\"data:image/png;base64," +
                                  gltf::base64(reinterpret_cast<const uint8_t*>(png.data()), png.size()) + "\"}");
        } else {
            file.images.push_back("{\"uri\":\"paint.png\"}");
        }
        bool binary = core::getFileExtension(c.model) == "glb";
        ASSERT_TRUE(file.save(c.model, binary ? file.glb() : file.json()));

        Model* model = load(c.model);
        ASSERT_TRUE(model);
        Material* paint = findMaterial(material);
        ASSERT_TRUE(paint);
        ASSERT_TRUE(paint->diffuseMap);
        EXPECT_EQ(paint->diffuseMap->getName(), c.texture);
        EXPECT_TRUE(core::fileExists(core::stripExtension(c.texture) + ".dds"));

        Node* quad = model->instantiate(*scene);
        ASSERT_TRUE(quad);
        addLight(LightEntity::Ambient, {1, 1, 1});
        faceTheQuad();
        render("assimp-quad");
        EXPECT_TRUE(shows(framePixelAt("assimp-quad", {-1, 1.5f, 0}), Red));
        EXPECT_TRUE(shows(framePixelAt("assimp-quad", {1, 1.5f, 0}), Green));
        EXPECT_TRUE(shows(framePixelAt("assimp-quad", {-1, -0.5f, 0}), Blue));
        EXPECT_TRUE(shows(framePixelAt("assimp-quad", {1, -0.5f, 0}), White));
        scene.reset(Scene::createSimple());
    }
}

// Names, parents and local transforms arrive in quill's axes: a turn about
// glTF's Y maps X to -Z there and to +Z here; translations mirror their z.
TEST_F(AssimpWindow, TheNodeHierarchyKeepsNamesParentsAndMirroredTransforms) {
    gltf::Writer file;
    int mesh = addQuad(file);
    file.materials.push_back("{\"name\":\"plain\"}");
    float s = std::sqrt(0.5f);
    file.nodes = {
        "{\"name\":\"body\",\"children\":[1,2],\"translation\":[0,1,0]}",
        "{\"name\":\"arm\",\"children\":[3],\"translation\":[1,2,3],\"rotation\":[0," + std::to_string(s) + ",0," +
            std::to_string(s) + "]}",
        "{\"name\":\"head\",\"mesh\":" + std::to_string(mesh) + ",\"scale\":[2,2,2]}",
        "{\"name\":\"hand\",\"translation\":[0,0,-1]}",
    };
    ASSERT_TRUE(file.save("figure.gltf"));

    core::CountedRef<Mesh> merged = Mesh::load("figure.gltf");
    ASSERT_TRUE(merged);
    core::FileInputStream stream("figure.model", core::ByteOrder::LittleEndian);
    std::vector<ModelNodeRecord> records = readModelRecords(stream);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].name, "body");
    EXPECT_EQ(records[0].parent, -1);
    EXPECT_EQ(records[0].transform.pos, (Vec3{0, 1, 0}));
    EXPECT_EQ(records[1].name, "arm");
    EXPECT_EQ(records[1].parent, 0);
    const Mat4x3& arm = records[1].transform;
    EXPECT_NEAR(arm.pos.z, -3, 1e-5f);
    EXPECT_NEAR(arm.pos.x, 1, 1e-5f);
    EXPECT_NEAR(arm.rot.row[0].z, 1, 1e-5f);  // X turns to +Z
    EXPECT_NEAR(arm.rot.row[2].x, -1, 1e-5f);
    EXPECT_EQ(records[2].name, "hand");
    EXPECT_EQ(records[2].parent, 1);
    EXPECT_NEAR(records[2].transform.pos.z, 1, 1e-5f);
    EXPECT_EQ(records[3].name, "head");
    EXPECT_EQ(records[3].parent, 0);
    EXPECT_NEAR(records[3].transform.rot.row[1].y, 2, 1e-5f);
    ASSERT_EQ(records[3].entityType, MeshEntityRecord);
    EXPECT_EQ(records[3].mesh.mesh->getSegments().at(0).material->getName(), "plain");
    EXPECT_TRUE(records[3].mesh.mesh->getVertexArray(TexcoordSlot).present);

    Model* model = load("figure.gltf");
    Node* hand = model->root()->findNode("hand");
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->parent()->name(), "arm");
}

// An arm of two boxes on two bones, with two clips that turn the elbow a
// quarter turn each way (seen from the front: "bend" to the left). The
// first clip is also the file's plain name.
void writeArm(const std::string& path) {
    gltf::Writer file;
    std::vector<float> positions, normals;
    std::vector<uint32_t> indices;
    addBox(2, 1, positions, normals, indices);
    int lowerCount = int(positions.size() / 3);
    addBox(2, 3, positions, normals, indices);
    int count = int(positions.size() / 3);
    std::vector<uint16_t> joints;
    std::vector<float> weights;
    for (int v = 0; v < count; ++v) {
        joints.insert(joints.end(), {uint16_t(v < lowerCount ? 0 : 1), 0, 0, 0});
        weights.insert(weights.end(), {1, 0, 0, 0});
    }
    int position = file.floats(positions, "VEC3", true);
    int normal = file.floats(normals, "VEC3");
    int joint = file.joints(joints);
    int weight = file.floats(weights, "VEC4");
    int index = file.indices(indices);
    file.meshes.push_back("{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(position) +
                          ",\"NORMAL\":" + std::to_string(normal) + ",\"JOINTS_0\":" + std::to_string(joint) +
                          ",\"WEIGHTS_0\":" + std::to_string(weight) + "},\"indices\":" + std::to_string(index) +
                          "}]}");
    int binds = file.floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,  //
                             1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -2, 0, 1},
                            "MAT4");
    file.nodes = {
        "{\"name\":\"figure\",\"children\":[1,2]}",
        "{\"name\":\"arm\",\"mesh\":0,\"skin\":0}",
        "{\"name\":\"hips\",\"children\":[3]}",
        "{\"name\":\"elbow\",\"translation\":[0,2,0]}",
    };
    file.skins.push_back("{\"joints\":[2,3],\"skeleton\":2,\"inverseBindMatrices\":" + std::to_string(binds) + "}");
    int times = file.floats({0, 1}, "SCALAR", true);
    float s = std::sqrt(0.5f);
    int bend = file.floats({0, 0, 0, 1, 0, 0, s, s}, "VEC4");
    int wave = file.floats({0, 0, 0, 1, 0, 0, -s, s}, "VEC4");
    auto clip = [&](const char* name, int output) {
        return std::string("{\"name\":\"") + name + "\",\"channels\":[{\"sampler\":0,\"target\":{\"node\":3," +
               "\"path\":\"rotation\"}}],\"samplers\":[{\"input\":" + std::to_string(times) +
               ",\"output\":" + std::to_string(output) + "}]}";
    };
    file.animations = {clip("bend", bend), clip("wave", wave)};
    ASSERT_TRUE(file.save(path));
}

int brightness(const core::Image::Rgba& c) {
    return int(c.red) + int(c.green) + int(c.blue);
}

TEST_F(AssimpWindow, ASkinnedArmBendsWithItsClipAndEachClipHasItsName) {
    writeArm("arm.gltf");
    Animation* first = Animation::load("arm.gltf");
    Animation* bend = Animation::load("arm.gltf#bend");
    Animation* wave = Animation::load("arm.gltf#wave");
    EXPECT_EQ(first->name(), "bend");
    EXPECT_EQ(bend->name(), "bend");
    EXPECT_EQ(wave->name(), "wave");
    EXPECT_EQ(wave->fileName(), "arm.gltf#wave");
    EXPECT_NE(bend, wave);
    EXPECT_NEAR(bend->length(), 1.0f + 1.0f / bend->framesPerSecond(), 1e-4f);
    EXPECT_EQ(messageOf([] { Animation::load("arm.gltf#run"); }), "File not found: arm#run.animation");

    Model* model = load("arm.gltf");
    Node* arm = model->root()->findNode("arm");
    ASSERT_TRUE(arm);
    const MeshEntity* entity = static_cast<const MeshEntity*>(arm->meshEntity());
    ASSERT_TRUE(entity && entity->skeleton());
    EXPECT_EQ(entity->skeleton()->bones().size(), 2u);

    Node* figure = model->instantiate(*scene);
    addLight(LightEntity::Ambient, {0.9f, 0.9f, 0.9f});
    faceTheQuad();
    render("assimp-arm-bind");
    // Upright, the upper box stands above the elbow.
    EXPECT_GT(brightness(framePixelAt("assimp-arm-bind", {0, 3.5f, -0.5f})), 200);
    EXPECT_LT(brightness(framePixelAt("assimp-arm-bind", {-1.5f, 2, -0.5f})), 30);

    AnimationController controller(figure);
    AnimationState* state = controller.addClip(bend, "bend");
    controller.addClip(wave, "wave");
    ASSERT_TRUE(controller.play("bend", false, 0));
    state->time = 1;
    controller.sample();
    render("assimp-arm-bent");
    EXPECT_LT(brightness(framePixelAt("assimp-arm-bent", {0, 3.5f, -0.5f})), 30);
    EXPECT_GT(brightness(framePixelAt("assimp-arm-bent", {-1.5f, 2, -0.5f})), 200);
    EXPECT_GT(brightness(framePixelAt("assimp-arm-bent", {0, 1, -0.5f})), 200);

    ASSERT_TRUE(controller.play("wave", false, 0));
    controller.findState("wave")->time = 1;
    controller.sample();
    render("assimp-arm-waved");
    EXPECT_GT(brightness(framePixelAt("assimp-arm-waved", {1.5f, 2, -0.5f})), 200);
    EXPECT_LT(brightness(framePixelAt("assimp-arm-waved", {-1.5f, 2, -0.5f})), 30);
}

// A mesh's bone influences are gathered a few thousand vertices at a time; a
// source whose bones list their weights out of vertex order gives the same
// model file as one listing them in order.
TEST(AssimpModels, BoneWeightsOutOfVertexOrderGiveTheSameModel) {
    TempDirectory folder;
    ASSERT_TRUE(gltf::skinnedSheet(80).save("sheet.gltf"));  // 6,561 vertices
    // Each in a folder of its own: the material names come from the file's.
    auto modelFile = [](const std::string& folder, bool reversed) {
        std::string name = folder + "/sheet.assbin";
        core::createPath(folder);
        Assimp::Importer importer;
        if (!importer.ReadFile("sheet.gltf", 0))
            return std::string();
        std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
        size_t weights = 0;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m)
            for (unsigned b = 0; b < scene->mMeshes[m]->mNumBones; ++b) {
                aiBone& bone = *scene->mMeshes[m]->mBones[b];
                weights += bone.mNumWeights;
                if (reversed)
                    std::reverse(bone.mWeights, bone.mWeights + bone.mNumWeights);
            }
        EXPECT_GT(weights, 8u);
        Assimp::Exporter exporter;
        if (exporter.Export(scene.get(), "assbin", name) != AI_SUCCESS)
            return std::string();
        core::ByteArrayOutputStream file(core::ByteOrder::LittleEndian);
        AssimpModel(name).writeModel(file);
        return std::string(reinterpret_cast<const char*>(file.data()), file.size());
    };
    std::string inOrder = modelFile("in-order", false);
    ASSERT_FALSE(inOrder.empty());
    EXPECT_TRUE(inOrder == modelFile("reversed", true));
}

// A clip keeps its source's key rate: a frame falls on every key, and each
// frame holds the source's pose at its time (here x = 2t, keyed linearly).
// Keys off every grid up to 240 a second are sampled 24 times a second or more.
TEST(AssimpClips, AClipIsSampledAtItsOwnKeyRate) {
    struct Case {
        const char* name;
        std::vector<float> times;
        float framesPerSecond;
        int frames;
    };
    auto every = [](int count, float step) {
        std::vector<float> times;
        for (int i = 0; i < count; ++i)
            times.push_back(float(i) * step);
        return times;
    };
    const Case cases[] = {
        {"twelve", every(25, 1.0f / 12), 12, 25},
        {"sixty", every(7, 1.0f / 60), 60, 7},
        {"sparse", {0, 1, 3}, 1, 4},
        {"half-steps", {0, 0.5f, 1, 2}, 2, 5},
        {"uneven", {0, 0.3f, 1}, 10, 11},
        {"off-grid", {0, 0.37f, 1}, 24, 25},
    };
    TempDirectory folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gltf::Writer file;
        addQuad(file);
        file.materials.push_back("{}");
        file.nodes.push_back("{\"name\":\"slider\",\"mesh\":0}");
        std::vector<float> positions;
        for (float t : c.times)
            positions.insert(positions.end(), {2 * t, 0, 0});
        int input = file.floats(c.times, "SCALAR", true);
        int output = file.floats(positions, "VEC3");
        file.animations.push_back("{\"name\":\"slide\",\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,"
                                  "\"path\":\"translation\"}}],\"samplers\":[{\"input\":" +
                                  std::to_string(input) + ",\"output\":" + std::to_string(output) + "}]}");
        std::string path = std::string(c.name) + ".gltf";
        ASSERT_TRUE(file.save(path));
        std::vector<std::unique_ptr<Animation>> clips = importAssimpAnimations(path);
        ASSERT_EQ(clips.size(), 1u);
        const Animation& clip = *clips[0];
        EXPECT_FLOAT_EQ(clip.framesPerSecond(), c.framesPerSecond);
        ASSERT_EQ(clip.frameCount(), c.frames);
        ASSERT_EQ(clip.tracks().size(), 1u);
        const std::vector<AnimationKey>& keys = clip.tracks()[0].keys;
        for (int i = 0; i < c.frames; ++i)
            EXPECT_NEAR(keys[size_t(i)].position.x, 2 * std::min(i / c.framesPerSecond, c.times.back()), 1e-4f)
                << "frame " << i;
    }
}

// No FBX exporter is at hand here, so assimp's own writes one from a glTF
// file: the FBX path carries the same hierarchy, mesh, material and texture.
TEST_F(AssimpWindow, AnFbxFileConvertsLikeAGltfFile) {
    gltf::Writer file;
    int mesh = addQuad(file);
    // The exporter takes the root for the FBX file's own root: the panel hangs below it.
    file.nodes.push_back("{\"name\":\"stage\",\"children\":[1]}");
    file.nodes.push_back("{\"name\":\"panel\",\"mesh\":" + std::to_string(mesh) + ",\"translation\":[0,0,1]}");
    file.materials.push_back("{\"name\":\"fbx.paint\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
    file.textures.push_back("{\"source\":0,\"sampler\":0}");
    file.images.push_back("{\"uri\":\"paint.png\"}");
    quarters().save("paint.png", true);
    ASSERT_TRUE(file.save("panel.gltf"));
    Assimp::Importer importer;
    const aiScene* source = importer.ReadFile("panel.gltf", 0);
    ASSERT_TRUE(source) << importer.GetErrorString();
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(source, "fbxa", "panel.fbx"), AI_SUCCESS) << exporter.GetErrorString();

    Model* model = load("panel.fbx");
    Node* panel = model->root()->findNode("panel");
    ASSERT_TRUE(panel);
    // assimp's exporter declares its unit the centimetre, so the metres of
    // the glTF file come back a hundredth of their size.
    EXPECT_NEAR(panel->transform().pos.z, -0.01f, 1e-6f);
    Material* paint = findMaterial("fbx.paint");
    ASSERT_TRUE(paint && paint->diffuseMap);
    EXPECT_EQ(paint->diffuseMap->getName(), "paint.png");

    const auto* entity = static_cast<const MeshEntity*>(panel->meshEntity());
    ASSERT_TRUE(entity);
    EXPECT_NEAR(entity->mesh()->getBoundingBox().max.y, 0.025f, 1e-6f);
}

// A binary glTF file whose JSON chunk claims the given length.
std::string glbWithChunk(std::string file, uint32_t length) {
    std::memcpy(file.data() + 12, &length, 4);
    return file;
}

// Broken files fail with a message that names them and leave no model file,
// so the next load tries again.
TEST_F(AssimpWindow, MalformedFilesFailCleanlyAndWriteNothing) {
    gltf::Writer quad;
    addQuad(quad);
    quad.materials.push_back("{}");
    quad.nodes.push_back("{\"mesh\":0}");
    std::string good = quad.json();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    gltf::Writer outOfRange;
    addQuad(outOfRange, {0, 2, 3, 0, 3, 9});
    outOfRange.materials.push_back("{}");
    outOfRange.nodes.push_back("{\"mesh\":0}");

    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"not-json.gltf", "{ \"asset\": "},
        {"empty.gltf", ""},
        {"index-out-of-range.gltf", outOfRange.json()},
        {"missing-buffer.gltf", quad.json("absent.bin")},
        {"short-buffer.gltf", replaced("\"byteLength\":", "\"byteLength\":1")},
        {"recursive-nodes.gltf", replaced("\"nodes\":[{\"mesh\":0}]", "\"nodes\":[{\"mesh\":0,\"children\":[1]},{\"children\":[0]}]")},
        {"wrong-accessor-type.gltf", replaced("\"type\":\"VEC3\"", "\"type\":\"VEC2\"")},
        {"no-mesh-accessor.gltf", replaced("\"POSITION\":0", "\"POSITION\":99")},
        {"junk.fbx", "Kaydara FBX Binary  \x00\x1a\x00 and then nothing"},
        {"short-json-chunk.glb", glbWithChunk(quad.glb(), 1 << 20)},
        {"binary-header-only.glb", quad.glb().substr(0, 14)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory::write(c.name, c.text);
        std::string message = messageOf([&] { load(c.name); });
        bool named = message == "Unknown file format: " + std::string(c.name) ||
                     message.rfind("Could not import " + std::string(c.name) + ": ", 0) == 0;
        EXPECT_TRUE(named) << message;
        std::string stem = core::stripExtension(c.name);
        EXPECT_FALSE(core::fileExists(stem + ".model"));
        EXPECT_FALSE(core::fileExists(stem + ".materials"));
    }
    // The unbroken file converts, so the cases above failed for their fault.
    ASSERT_TRUE(quad.save("unbroken.gltf", good));
    EXPECT_TRUE(load("unbroken.gltf"));
}

} // namespace
