#pragma once

// The audible backend: one mastering voice, a submix voice per world, a
// source voice per playing source, 3D panning with the engine's own distance
// curve, and worlds that fall silent in frames where they are not rendered.
// The voices themselves are the platform's (AudioDevice).

#include "core/Exception.h"
#include "engine/audio/AudioDevice.h"
#include "engine/audio/AudioEngine.h"

#include <memory>
#include <vector>

namespace engine {

class AudioStreamXA2;
class AudioWorldXA2;
class SoundSourceXA2;

// "XAudio2 error in %s", naming the operation that failed.
class Exception_XA2Error : public core::Exception {
public:
    explicit Exception_XA2Error(const char* operation);
};

// The gain of the distance curve: full at the minimum distance, falling
// steeply and reaching almost nothing at the maximum.
double distanceGain(float distance, float minDistance, float maxDistance);

class AudioEngineXA2 final : public AudioEngine {
public:
    // Throws Exception_XA2Error naming "XAudio2Create", "CreateMasteringVoice"
    // or "GetDeviceDetails".
    AudioEngineXA2();
    // Worlds that outlive the engine fall silent and stay usable.
    ~AudioEngineXA2() override;

    AudioWorld* createWorld() override;
    AudioListener* createListener() override;
    Sample* createSample() override;
    void beginFrame() override;
    void render(AudioWorld& world, AudioListener& listener) override;
    void endFrame() override;

    uint32_t channelCount() const { return m_channelCount; }

private:
    friend class AudioWorldXA2;

    std::unique_ptr<AudioDevice> m_device;
    uint32_t m_channelCount = 0;  // the mastering voice's inputs, and every submix's
    std::vector<AudioWorldXA2*> m_worlds;
};

class AudioWorldXA2 final : public AudioWorld {
public:
    // Throws Exception_XA2Error "CreateSubmixVoice".
    explicit AudioWorldXA2(AudioEngineXA2& engine);
    // Stops every source and lets them outlive the world, silent.
    ~AudioWorldXA2() override;

    SoundSource* createSoundSource() override;
    void setVolume(float volume) override { m_volume = volume; }
    float getVolume() override { return m_volume; }

private:
    friend class AudioEngineXA2;
    friend class SoundSourceXA2;

    // Stops the sources and lets go of the voice; the engine is going away.
    void detachFromEngine();
    void remove(SoundSourceXA2* source);

    AudioEngineXA2* m_engine;
    AudioDevice* m_device;
    AudioVoice* m_submixVoice = nullptr;
    std::vector<SoundSourceXA2*> m_sources;  // in creation order
    bool m_renderedThisFrame = false;
    uint32_t m_channelCount;
    float m_volume = 1.0f;
};

class AudioListenerXA2 final : public AudioListener {
public:
    void setVolume(float volume) override { m_volume = volume; }
    float getVolume() override { return m_volume; }

private:
    float m_volume = 1.0f;
};

class SoundSourceXA2 final : public SoundSource, private AudioBufferReturn {
public:
    enum class PlayState { Stopped = 0, StartPending = 1, Playing = 2, Paused = 3 };

    explicit SoundSourceXA2(AudioWorldXA2& world);
    ~SoundSourceXA2() override;

    void play(Sample& sample, bool is3D) override;
    void playStream(const char* fileName) override;
    void stop() override;
    bool isPlaying() override { return m_state != PlayState::Stopped; }
    void setVolume(float volume) override;
    void setMute(bool mute) override;
    void setMinDistance(float distance) override { m_minDistance = distance; }
    void setMaxDistance(float distance) override { m_maxDistance = distance; }
    void setLoop(bool loop) override { m_loop = loop; }
    float getVolume() override { return m_volume; }
    bool getMute() override { return m_mute; }
    float getMinDistance() override { return m_minDistance; }
    float getMaxDistance() override { return m_maxDistance; }
    uint32_t getSamplePosition() override;
    bool getLoop() override { return m_loop; }

    PlayState state() const { return m_state; }
    // Where a paused sample resumes, in sample frames.
    uint32_t resumePosition() const { return m_resumePosition; }
    bool hasVoice() const { return m_voice != nullptr; }

private:
    friend class AudioEngineXA2;
    friend class AudioWorldXA2;

    // What a render hands to the sources of its world.
    struct RenderContext {
        const AudioPose& listener;
        uint32_t operationSet;
    };

    void start(const RenderContext& context);
    void update3D(const RenderContext& context);
    // Stops the voice in the operation set; a sample remembers where it was.
    void pause(uint32_t operationSet);
    // Whether everything given to the voice has been played.
    bool finished();
    void applyVolume();
    // Makes the voice that plays into the world's submix.
    void createVoice(const AudioFormat& format, AudioBufferReturn* callback);

    void bufferEnded(void* context) override;

    AudioVoice* m_voice = nullptr;
    uint32_t m_resumePosition = 0;
    PlayState m_state = PlayState::Stopped;
    AudioWorldXA2* m_world;
    std::unique_ptr<AudioStreamXA2> m_stream;
    bool m_is3D = false;
    float m_volume = 1.0f;
    bool m_mute = false;
    float m_minDistance = 1.0f;
    float m_maxDistance = 10.0f;
    bool m_loop = false;
    // The sound data the voice was given, kept while the voice may read it.
    std::shared_ptr<const std::vector<uint8_t>> m_playingData;
};

} // namespace engine
