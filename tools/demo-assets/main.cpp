// Writes the demo's generated content into a folder:
//   quill-demo-assets OUTDIR
// music.ogg    an eight-second loop of four soft chords (Ogg Vorbis, stereo)
// chime.wav    a short bell (16-bit mono PCM WAVE), for a 3D sound source
// waver.gltf, waver.bin, waver.png  a post with a two-part arm, skinned to
//              three bones, textured, and the arm waving (two seconds,
//              looping), as a modelling tool exports them
// waver_baked.model, waver_baked.animation  the same waver and clip already
//              converted, for builds that do not convert glTF files (under
//              other names: an archive keeps no file times, so beside the
//              glTF file they would always count as up to date)
// The same build always writes the same files.
#include "core/ByteArrayStreams.h"
#include "engine/assets/Animation.h"
#include "engine/assets/MeshGeometry.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/assets/ModelFile.h"

#include "GltfWriter.h"
#include "OggVorbisEncoder.h"

#include "core/Image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

using namespace engine;

namespace {

constexpr int Rate = 44100;
constexpr int MusicSeconds = 8;
constexpr double ChimeSeconds = 1.5;

bool writeFile(const std::string& path, const void* data, size_t size) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

double noteFrequency(int semitonesFromA4) {
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// One sample of the loop: C, A minor, F and G major, two seconds each, every
// chord swelling in and fading out so that the loop's end meets its start.
// The right channel's notes are a little detuned, which widens the sound.
double musicSample(int frame, int channel) {
    static const int chords[4][4] = {
        {-21, -9, -5, -2},   // C3 C4 E4 G4
        {-24, -12, -9, -5},  // A2 A3 C4 E4
        {-28, -16, -12, -9}, // F2 F3 A3 C4
        {-26, -14, -10, -7}, // G2 G3 B3 D4
    };
    double t = double(frame) / Rate;
    int chord = int(t / 2.0) % 4;
    double inChord = std::fmod(t, 2.0);
    double envelope = std::min(1.0, inChord / 0.15) * std::min(1.0, (2.0 - inChord) / 0.4);
    double detune = channel == 0 ? 1.0 : 1.002;
    double value = 0;
    for (int i = 0; i < 4; ++i) {
        double f = noteFrequency(chords[chord][i]) * detune;
        double phase = 2.0 * std::numbers::pi * f * t;
        // A soft tone: the fundamental and two quiet overtones.
        value += std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.1 * std::sin(3 * phase);
    }
    return 0.12 * envelope * value;
}

std::string encodeMusic() {
    return sound::encodeOggVorbis(MusicSeconds * Rate, 2, Rate, 0.3f,
                                  [](int frame, int channel) { return float(musicSample(frame, channel)); });
}

void put16(std::string& out, uint32_t v) {
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// A bell: an inharmonic set of partials, each dying away at its own pace.
std::string chimeWave() {
    static const double partials[][3] = {
        // frequency, loudness, decay per second
        {880.0, 0.5, 3.0}, {1760.0 * 1.19, 0.25, 5.0}, {880.0 * 2.76, 0.15, 7.0}, {880.0 * 5.40, 0.08, 10.0},
    };
    const int frames = int(ChimeSeconds * Rate);
    std::string data;
    for (int i = 0; i < frames; ++i) {
        double t = double(i) / Rate;
        double attack = std::min(1.0, t / 0.004);
        double value = 0;
        for (const auto& p : partials)
            value += p[1] * std::exp(-p[2] * t) * std::sin(2.0 * std::numbers::pi * p[0] * t);
        value *= attack * 0.8;
        put16(data, uint16_t(int16_t(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0))));
    }
    std::string format;
    put16(format, 1);         // PCM
    put16(format, 1);         // mono
    put32(format, Rate);
    put32(format, Rate * 2);  // bytes per second
    put16(format, 2);         // bytes per frame
    put16(format, 16);
    std::string chunks = "fmt ";
    put32(chunks, uint32_t(format.size()));
    chunks += format + "data";
    put32(chunks, uint32_t(data.size()));
    chunks += data;
    std::string out = "RIFF";
    put32(out, uint32_t(chunks.size() + 4));
    return out + "WAVE" + chunks;
}

// The waver's parts, bottom up: a post, an upper arm from the shoulder and a
// forearm with a ball for a hand from the elbow.
constexpr float ShoulderHeight = 2.0f;
constexpr float UpperArmLength = 1.4f;

std::unique_ptr<Mesh> waverMesh() {
    std::unique_ptr<Mesh> post = createBox(0.5f, ShoulderHeight, 0.5f);
    translate(*post, {0, ShoulderHeight / 2, 0});
    std::unique_ptr<Mesh> upper = createBox(0.3f, UpperArmLength, 0.3f);
    translate(*upper, {0, ShoulderHeight + UpperArmLength / 2, 0});
    std::unique_ptr<Mesh> lower = createBox(0.24f, 1.2f, 0.24f);
    translate(*lower, {0, ShoulderHeight + UpperArmLength + 0.6f, 0});
    std::unique_ptr<Mesh> hand = createSphere(2);
    transform(*hand, {Mat3{{{0.25f, 0, 0}, {0, 0.25f, 0}, {0, 0, 0.25f}}}, {0, ShoulderHeight + UpperArmLength + 1.3f, 0}});
    std::vector<const Mesh*> parts = {post.get(), upper.get(), lower.get(), hand.get()};
    std::unique_ptr<Mesh> mesh = mergeMeshes(parts);
    // Merging drops bone data, so each part's vertices get their bone here.
    std::vector<int32_t> bones;
    const int32_t boneOfPart[] = {0, 1, 2, 2};
    for (size_t i = 0; i < parts.size(); ++i)
        bones.insert(bones.end(), size_t(parts[i]->getVertexCount()), boneOfPart[i]);
    std::vector<float> weights(bones.size(), 1.0f);
    mesh->setVertexArray(BoneIndexSlot, int32_t(ElementType::Int), 1, bones.data());
    mesh->setVertexArray(BoneWeightSlot, int32_t(ElementType::Float), 1, weights.data());
    return mesh;
}

Mat4x3 at(const Vec3& position) {
    Mat4x3 m;
    m.pos = position;
    return m;
}

// Nodes: the waver (holding the mesh), its post bone, the shoulder on the
// post and the elbow on the shoulder.
std::vector<ModelNodeRecord> waverModel() {
    std::vector<ModelNodeRecord> records(4);
    const char* names[] = {"waver", "waver post", "waver shoulder", "waver elbow"};
    const Vec3 positions[] = {{0, 0, 0}, {0, 0, 0}, {0, ShoulderHeight, 0}, {0, UpperArmLength, 0}};
    for (int i = 0; i < 4; ++i) {
        records[size_t(i)].name = names[i];
        records[size_t(i)].transform = at(positions[i]);
        records[size_t(i)].parent = i - 1;
    }
    ModelNodeRecord& root = records[0];
    root.entityType = MeshEntityRecord;
    root.mesh.mesh = waverMesh();
    // Each bone's inverse bind moves the mesh into the bone's space as it stands at rest.
    root.mesh.bones = {
        {1, at({0, 0, 0})},
        {2, at({0, -ShoulderHeight, 0})},
        {3, at({0, -(ShoulderHeight + UpperArmLength), 0})},
    };
    return records;
}

Quat aboutZ(double angle) {
    return {0, 0, float(std::sin(angle / 2)), float(std::cos(angle / 2))};
}

// The upper arm leans out to one side and the forearm waves above it, trailing
// the upper arm's swing.
std::unique_ptr<Animation> waveClip() {
    const int frames = 24;
    auto clip = std::make_unique<Animation>();
    clip->setName("wave");
    clip->setFramesPerSecond(12);
    clip->setFrameCount(frames);
    std::vector<AnimationKey> shoulder(frames), elbow(frames);
    for (int i = 0; i < frames; ++i) {
        double phase = 2.0 * std::numbers::pi * i / frames;
        shoulder[size_t(i)].position = {0, ShoulderHeight, 0};
        shoulder[size_t(i)].rotation = aboutZ(0.8 + 0.2 * std::sin(phase));
        elbow[size_t(i)].position = {0, UpperArmLength, 0};
        elbow[size_t(i)].rotation = aboutZ(-0.9 + 0.55 * std::sin(phase - 0.8));
    }
    clip->addTrack("waver shoulder", std::move(shoulder));
    clip->addTrack("waver elbow", std::move(elbow));
    return clip;
}

// The waver in glTF's own terms: Z points the other way, front faces wind
// counter-clockwise and texture rows count from the bottom. One orange texel
// paints it.
bool writeWaverGltf(const std::string& dir) {
    std::unique_ptr<Mesh> mesh = waverMesh();
    auto n = size_t(mesh->getVertexCount());
    const float* position = mesh->floatArray(PositionSlot, 3);
    const float* normal = mesh->floatArray(NormalSlot, 3);
    const float* uv = mesh->floatArray(TexcoordSlot, 2);
    const auto* bone = reinterpret_cast<const int32_t*>(mesh->getVertexArray(BoneIndexSlot).data.data());
    std::vector<float> positions, normals, uvs, weights;
    std::vector<uint16_t> joints;
    for (size_t v = 0; v < n; ++v) {
        positions.insert(positions.end(), {position[v * 3], position[v * 3 + 1], -position[v * 3 + 2]});
        normals.insert(normals.end(), {normal[v * 3], normal[v * 3 + 1], -normal[v * 3 + 2]});
        uvs.insert(uvs.end(), {uv ? uv[v * 2] : 0.0f, uv ? 1 - uv[v * 2 + 1] : 0.0f});
        joints.insert(joints.end(), {uint16_t(bone[v]), 0, 0, 0});
        weights.insert(weights.end(), {1, 0, 0, 0});
    }
    std::vector<uint32_t> indices;
    const std::vector<int32_t>& corners = mesh->getIndices();
    for (size_t i = 0; i + 2 < corners.size(); i += 3)
        indices.insert(indices.end(), {uint32_t(corners[i]), uint32_t(corners[i + 2]), uint32_t(corners[i + 1])});

    gltf::Writer file;
    auto text = [](int accessor) { return std::to_string(accessor); };
    std::string attributes = "\"POSITION\":" + text(file.floats(positions, "VEC3", true)) +
                             ",\"NORMAL\":" + text(file.floats(normals, "VEC3")) +
                             ",\"TEXCOORD_0\":" + text(file.floats(uvs, "VEC2")) +
                             ",\"JOINTS_0\":" + text(file.joints(joints)) +
                             ",\"WEIGHTS_0\":" + text(file.floats(weights, "VEC4"));
    file.meshes.push_back("{\"primitives\":[{\"attributes\":{" + attributes + "},\"indices\":" +
                          text(file.indices(indices)) + ",\"material\":0}]}");
    // Each bone's inverse bind moves the mesh into its space at rest (column major).
    auto inverseBind = [](float height) {
        return std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -height, 0, 1};
    };
    std::vector<float> binds;
    for (float height : {0.0f, ShoulderHeight, ShoulderHeight + UpperArmLength}) {
        std::vector<float> m = inverseBind(height);
        binds.insert(binds.end(), m.begin(), m.end());
    }
    int bindAccessor = file.floats(binds, "MAT4");
    file.nodes = {
        "{\"name\":\"waver\",\"mesh\":0,\"skin\":0,\"children\":[1]}",
        "{\"name\":\"waver post\",\"children\":[2]}",
        "{\"name\":\"waver shoulder\",\"translation\":[0," + std::to_string(ShoulderHeight) + ",0],\"children\":[3]}",
        "{\"name\":\"waver elbow\",\"translation\":[0," + std::to_string(UpperArmLength) + ",0]}",
    };
    file.skins.push_back("{\"joints\":[1,2,3],\"inverseBindMatrices\":" + text(bindAccessor) + "}");
    file.materials.push_back("{\"name\":\"waver\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}");
    file.textures.push_back("{\"source\":0,\"sampler\":0}");
    file.images.push_back("{\"uri\":\"waver.png\"}");

    // The clip's keys, with the first repeated at the end to close the loop.
    // Turns about Z read the same in both spaces.
    std::unique_ptr<Animation> clip = waveClip();
    int frames = clip->frameCount();
    float fps = clip->framesPerSecond();
    std::vector<float> times;
    for (int i = 0; i <= frames; ++i)
        times.push_back(float(i) / fps);
    int timeAccessor = file.floats(times, "SCALAR", true);
    std::string samplers, channels;
    // The tracks are the shoulder's and the elbow's, nodes 2 and 3.
    for (int t = 0; t < 2; ++t) {
        const std::vector<AnimationKey>& keys = clip->tracks()[size_t(t)].keys;
        std::vector<float> rotations;
        for (int i = 0; i <= frames; ++i) {
            const Quat& q = keys[size_t(i % frames)].rotation;
            rotations.insert(rotations.end(), {q.x, q.y, q.z, q.w});
        }
        samplers += std::string(t ? "," : "") + "{\"input\":" + text(timeAccessor) +
                    ",\"output\":" + text(file.floats(rotations, "VEC4")) + "}";
        channels += std::string(t ? "," : "") + "{\"sampler\":" + text(t) +
                    ",\"target\":{\"node\":" + text(t + 2) + ",\"path\":\"rotation\"}}";
    }
    file.animations.push_back("{\"name\":\"wave\",\"samplers\":[" + samplers + "],\"channels\":[" + channels + "]}");

    core::Image paint(1, 1);
    paint.setPixel(0, 0, {235, 120, 40, 255});
    paint.save(dir + "/waver.png", true);
    return file.saveWithBin(dir + "/waver.gltf", "waver.bin");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    std::string music = encodeMusic();
    std::string chime = chimeWave();
    core::ByteArrayOutputStream model;
    writeModelRecords(model, waverModel());
    core::ByteArrayOutputStream animation;
    writeAnimation(animation, *waveClip());
    bool ok = writeFile(dir + "/music.ogg", music.data(), music.size()) &&
              writeFile(dir + "/chime.wav", chime.data(), chime.size()) &&
              writeFile(dir + "/waver_baked.model", model.data(), model.size()) &&
              writeFile(dir + "/waver_baked.animation", animation.data(), animation.size()) && writeWaverGltf(dir);
    return ok ? 0 : 1;
}
