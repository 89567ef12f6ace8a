#pragma once

// A baked clip: for each animated node name one key (position, rotation,
// scale) per frame, and events that scripts place at times along the clip.
// Clips are shared by file name through a process-wide registry. Track names
// are interned in one process-wide table, so that a controller maps a track
// to its node with one array lookup.

#include "engine/scene/Vector.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace core {
class InputStream;
class OutputStream;
} // namespace core

namespace engine {

constexpr uint32_t AnimationMagic = 0x4D494E41;  // "ANIM"
constexpr int32_t AnimationVersion = 1;

// As the file stores it: 3 + 4 + 3 floats.
struct AnimationKey {
    Vec3 position;
    Quat rotation;
    Vec3 scale{1, 1, 1};
};
static_assert(sizeof(AnimationKey) == 40);

struct AnimationTrack {
    std::string nodeName;
    int32_t nameIndex = -1;  // in the track name table
    std::vector<AnimationKey> keys;
};

struct AnimationEvent {
    std::string name;
    float time = 0;  // seconds
};

// The index of the name in the process-wide track name table, appended when
// new. Names compare byte for byte.
int32_t internTrackName(const std::string& name);
int32_t trackNameCount();

class Animation {
public:
    Animation();
    ~Animation();
    Animation(const Animation&) = delete;
    Animation& operator=(const Animation&) = delete;

    // The registered animation loaded under that exact file name, or null.
    static Animation* find(const std::string& fileName);
    // The registered animation of that file name, or one read from the native
    // file after the animation asset processor has had its say. A source of
    // several clips names one as "<source>#<clip>" (the source's own name
    // has an extension before the "#"). Throws core::Exception when it
    // cannot be loaded.
    static Animation* load(const std::string& fileName);

    const std::string& fileName() const { return m_fileName; }
    void setFileName(std::string fileName) { m_fileName = std::move(fileName); }
    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    float framesPerSecond() const { return m_framesPerSecond; }
    void setFramesPerSecond(float fps) { m_framesPerSecond = fps; }
    int32_t frameCount() const { return m_frameCount; }
    void setFrameCount(int32_t count) { m_frameCount = count; }
    // Seconds: frame count / frames per second.
    float length() const { return float(m_frameCount) / m_framesPerSecond; }

    const std::vector<AnimationTrack>& tracks() const { return m_tracks; }
    // Interns the node name.
    void addTrack(const std::string& nodeName, std::vector<AnimationKey> keys);

    const std::vector<AnimationEvent>& events() const { return m_events; }
    // Appends the event unless one with exactly that time and name exists.
    void addEvent(float time, const std::string& name);

private:
    std::string m_fileName;
    std::string m_name;
    float m_framesPerSecond = 30;
    int32_t m_frameCount = 0;
    std::vector<AnimationTrack> m_tracks;
    std::vector<AnimationEvent> m_events;
};

// The native file of one clip of a source: "walk" of "a/robot.animation" is
// "a/robot#walk.animation". Characters a file name cannot hold become "_".
std::string clipFileName(const std::string& nativeFileName, const std::string& clip);

// Reads an ANIM file: "Invalid file format: <stream>" for a wrong magic or
// counts the stream cannot hold, "Invalid file version (expected v1, got
// v<n>): <stream>" for another version. Events are not stored in the file.
std::unique_ptr<Animation> readAnimation(core::InputStream& stream);
// Writes the animation as ANIM; each track stores the keys it has.
void writeAnimation(core::OutputStream& stream, const Animation& animation);

} // namespace engine
