#include "engine/assets/Animation.h"

#include "core/Exception.h"
#include "core/FileStreams.h"
#include "core/InputStream.h"
#include "core/OutputStream.h"
#include "core/Path.h"
#include "engine/assets/AssetProcessor.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace engine {

namespace {

std::vector<Animation*>& registry() {
    static auto* animations = new std::vector<Animation*>;
    return *animations;
}

struct TrackNameTable {
    std::vector<std::string> names;
    std::unordered_map<std::string, int32_t> indices;
};

TrackNameTable& trackNames() {
    static auto* table = new TrackNameTable;
    return *table;
}

// The smallest track: an empty name and a key count. Counts are checked
// against what the stream still holds, so a short file cannot make the reader
// allocate for tracks or keys it does not have.
constexpr int64_t MinTrackSize = 4 + 4;
constexpr int64_t KeySize = 40;

[[noreturn]] void invalid(core::InputStream& stream) {
    throw core::InvalidFileFormatException(stream.getFilename().c_str());
}

} // namespace

int32_t internTrackName(const std::string& name) {
    TrackNameTable& table = trackNames();
    auto [entry, added] = table.indices.try_emplace(name, int32_t(table.names.size()));
    if (added)
        table.names.push_back(name);
    return entry->second;
}

int32_t trackNameCount() {
    return int32_t(trackNames().names.size());
}

Animation::Animation() {
    registry().push_back(this);
}

Animation::~Animation() {
    auto& animations = registry();
    animations.erase(std::find(animations.begin(), animations.end(), this));
}

Animation* Animation::find(const std::string& fileName) {
    for (Animation* animation : registry())
        if (animation->m_fileName == fileName)
            return animation;
    return nullptr;
}

Animation* Animation::load(const std::string& fileName) {
    // Animations made in memory have no file name: an empty name must not hand out one of them.
    if (Animation* animation = fileName.empty() ? nullptr : find(fileName))
        return animation;
    std::string source = fileName, clip;
    size_t name = core::stripPath(fileName).size();
    size_t hash = fileName.find('#', fileName.size() - name);
    if (hash != std::string::npos && fileName.find('.', fileName.size() - name) < hash) {
        source = fileName.substr(0, hash);
        clip = fileName.substr(hash + 1);
    }
    AssetProcessor& processor = findAssetProcessor(AssetProcessor::Animation, source);
    processor.processFile(source);
    std::string native = processor.nativeFileName(source);
    if (!clip.empty())
        native = clipFileName(native, clip);
    core::FileInputStream stream(native, core::ByteOrder::LittleEndian);
    std::unique_ptr<Animation> animation = readAnimation(stream);
    animation->setFileName(fileName);
    return animation.release();
}

std::string clipFileName(const std::string& nativeFileName, const std::string& clip) {
    std::string safe = clip;
    for (char& c : safe)
        if (std::strchr("/\\:*?\"<>|", c) || static_cast<unsigned char>(c) < 32)
            c = '_';
    return core::stripExtension(nativeFileName) + "#" + safe + "." + core::getFileExtension(nativeFileName);
}

void Animation::addTrack(const std::string& nodeName, std::vector<AnimationKey> keys) {
    m_tracks.push_back({nodeName, internTrackName(nodeName), std::move(keys)});
}

void Animation::addEvent(float time, const std::string& name) {
    for (const AnimationEvent& event : m_events)
        if (event.time == time && event.name == name)
            return;
    m_events.push_back({name, time});
}

std::unique_ptr<Animation> readAnimation(core::InputStream& stream) {
    if (stream.readInt() != AnimationMagic)
        invalid(stream);
    int32_t version = stream.readSignedInt();
    if (version != AnimationVersion)
        throw core::InvalidFileVersionException(AnimationVersion, version, stream.getFilename().c_str());

    auto animation = std::make_unique<Animation>();
    animation->setName(stream.readString());
    animation->setFramesPerSecond(stream.readFloat());
    int32_t frameCount = stream.readSignedInt();
    if (frameCount < 0)
        invalid(stream);
    animation->setFrameCount(frameCount);
    int32_t trackCount = stream.readSignedInt();
    if (trackCount < 0 || trackCount > stream.availableBytes() / MinTrackSize)
        invalid(stream);
    for (int32_t t = 0; t < trackCount; ++t) {
        std::string nodeName = stream.readString();
        int32_t keyCount = stream.readSignedInt();
        if (keyCount < 0 || keyCount > stream.availableBytes() / KeySize)
            invalid(stream);
        std::vector<AnimationKey> keys(static_cast<size_t>(keyCount));
        for (AnimationKey& key : keys) {
            stream.readFloats(&key.position.x, 3);
            stream.readFloats(&key.rotation.x, 4);
            stream.readFloats(&key.scale.x, 3);
        }
        animation->addTrack(nodeName, std::move(keys));
    }
    return animation;
}

void writeAnimation(core::OutputStream& stream, const Animation& animation) {
    stream.writeInt(AnimationMagic);
    stream.writeSignedInt(AnimationVersion);
    stream.writeString(animation.name());
    stream.writeFloat(animation.framesPerSecond());
    stream.writeSignedInt(animation.frameCount());
    stream.writeSignedInt(int32_t(animation.tracks().size()));
    for (const AnimationTrack& track : animation.tracks()) {
        stream.writeString(track.nodeName);
        stream.writeSignedInt(int32_t(track.keys.size()));
        for (const AnimationKey& key : track.keys) {
            stream.writeFloats(&key.position.x, 3);
            stream.writeFloats(&key.rotation.x, 4);
            stream.writeFloats(&key.scale.x, 3);
        }
    }
}

} // namespace engine
