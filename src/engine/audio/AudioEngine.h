#pragma once

// The audio model: one engine for the process, worlds of sources mixed under
// one volume, listeners that are scene nodes, sources that are node
// components, and samples loaded once and shared by file name.

#include "core/RefRegistry.h"
#include "engine/scene/Component.h"
#include "engine/scene/Node.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum class AudioEngineKind { Null = 0, Fmod = 1, OpenAL = 2, XAudio2 = 3 };

class AudioWorld;
class AudioListener;
class SoundSource;
class Sample;

class AudioEngine {
public:
    // The engine of the process, made by createAudioEngine; null before that.
    static AudioEngine* current();

    AudioEngine();
    virtual ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    virtual AudioWorld* createWorld() = 0;
    virtual AudioListener* createListener() = 0;
    // An empty sample of this engine's kind, already in the sample registry.
    virtual Sample* createSample() = 0;

    // Once per frame: beginFrame, render for every world heard this frame, endFrame.
    virtual void beginFrame() = 0;
    virtual void render(AudioWorld& world, AudioListener& listener) = 0;
    virtual void endFrame() = 0;
};

// Builds the engine of the kind and makes it current; throws core::Exception
// "Invalid audio engine" for a kind without a backend.
AudioEngine* createAudioEngine(AudioEngineKind kind);

// A new engine of the XAudio2 backend, beside the backend itself; throws
// core::Exception when it cannot start.
AudioEngine* createAudioEngineXA2();

class AudioWorld {
public:
    virtual ~AudioWorld() = default;
    virtual SoundSource* createSoundSource() = 0;
    virtual void setVolume(float volume) = 0;
    virtual float getVolume() = 0;
};

// The ears: a scene node whose world transform places them.
class AudioListener : public Node {
public:
    virtual void setVolume(float volume) = 0;
    virtual float getVolume() = 0;
};

class SoundSource : public Component {
public:
    SoundSource() : Component(SoundSourceKind) {}

    virtual void play(Sample& sample, bool is3D) = 0;
    virtual void playStream(const char* fileName) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() = 0;
    virtual void setVolume(float volume) = 0;
    virtual void setMute(bool mute) = 0;
    virtual void setMinDistance(float distance) = 0;
    virtual void setMaxDistance(float distance) = 0;
    virtual void setLoop(bool loop) = 0;
    virtual float getVolume() = 0;
    virtual bool getMute() = 0;
    virtual float getMinDistance() = 0;
    virtual float getMaxDistance() = 0;
    // In sample frames.
    virtual uint32_t getSamplePosition() = 0;
    virtual bool getLoop() = 0;

protected:
    // The sample last played, kept alive while the source may still use it.
    core::CountedRef<Sample> m_sample;
};

// A sound file in memory. Every live sample is in the sample registry, where
// loads by file name find it.
class Sample {
public:
    Sample();
    virtual ~Sample();
    Sample(const Sample&) = delete;
    Sample& operator=(const Sample&) = delete;

    // Reads the file; throws core::Exception when it cannot.
    virtual void load(const char* fileName) = 0;
    void reload() { load(m_fileName.c_str()); }

    const std::string& fileName() const { return m_fileName; }
    void setFileName(const std::string& fileName) { m_fileName = fileName; }

    // The first registered sample whose name is exactly this (case matters), or null.
    static Sample* find(const std::string& fileName);
    // The registered sample of that name, or a new one from the current engine,
    // loaded and named. A failed load leaves nothing registered.
    static Sample* load(AudioEngine& engine, const std::string& fileName);

private:
    std::string m_fileName;  // empty until a load through the registry succeeds
};

// --- the null backend: accepts everything, plays nothing ---

class AudioWorldNull final : public AudioWorld {
public:
    SoundSource* createSoundSource() override;
    void setVolume(float) override {}
    float getVolume() override { return 0.0f; }
};

class AudioListenerNull final : public AudioListener {
public:
    void setVolume(float) override {}
    float getVolume() override { return 0.0f; }
};

class SoundSourceNull final : public SoundSource {
public:
    void play(Sample&, bool) override {}
    void playStream(const char*) override {}
    void stop() override {}
    bool isPlaying() override { return false; }
    void setVolume(float) override {}
    void setMute(bool) override {}
    void setMinDistance(float) override {}
    void setMaxDistance(float) override {}
    void setLoop(bool) override {}
    float getVolume() override { return 0.0f; }
    bool getMute() override { return false; }
    float getMinDistance() override { return 0.0f; }
    float getMaxDistance() override { return 0.0f; }
    uint32_t getSamplePosition() override { return 0; }
    bool getLoop() override { return false; }
};

class SampleNull final : public Sample {
public:
    void load(const char*) override {}
};

class AudioEngineNull final : public AudioEngine {
public:
    AudioWorld* createWorld() override { return new AudioWorldNull; }
    AudioListener* createListener() override { return new AudioListenerNull; }
    Sample* createSample() override { return new SampleNull; }
    void beginFrame() override {}
    void render(AudioWorld&, AudioListener&) override {}
    void endFrame() override {}
};

} // namespace engine
