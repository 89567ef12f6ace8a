#pragma once

// The few voice calls the audible engine makes, one implementation per
// platform: faudio/ on Linux, xaudio27/ (XAudio2 2.7 and X3DAudio 1.7) on
// Windows. Everything above (the engine model, voices' bookkeeping, the
// distance curve, stream decoding) is written once against this.

#include "engine/scene/Vector.h"

#include <cstdint>
#include <memory>

namespace engine {

// A voice of the device: the mastering voice's input, a submix or a source.
struct AudioVoice;

// Interleaved PCM.
struct AudioFormat {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

// A stretch of sound handed to a source voice; positions are in frames.
struct AudioBuffer {
    static constexpr uint32_t EndOfStream = 0x40;
    static constexpr uint32_t LoopInfinite = 255;

    uint32_t flags = 0;
    uint32_t audioBytes = 0;
    const uint8_t* audioData = nullptr;
    uint32_t playBegin = 0;
    uint32_t playLength = 0;  // 0: to the end
    uint32_t loopBegin = 0;
    uint32_t loopLength = 0;
    uint32_t loopCount = 0;
    void* context = nullptr;  // handed back when the voice is done with the buffer
};

struct AudioVoiceState {
    void* currentBufferContext = nullptr;
    uint32_t buffersQueued = 0;
    uint64_t samplesPlayed = 0;
};

// Told, on the mixer's thread, when a source voice has played a buffer.
class AudioBufferReturn {
public:
    virtual void bufferEnded(void* context) = 0;

protected:
    ~AudioBufferReturn() = default;
};

// Where a listener or an emitter is and which way it faces.
struct AudioPose {
    Vec3 front;
    Vec3 top;
    Vec3 position;
};

// Formats a source voice can take; anything else would be refused by the voice.
bool playableFormat(const AudioFormat& format);

class AudioDevice {
public:
    // The engine and its mastering voice on the default output. Throws
    // Exception_XA2Error naming "XAudio2Create", "CreateMasteringVoice" or
    // "GetDeviceDetails"; no output device at all is "CreateMasteringVoice".
    static std::unique_ptr<AudioDevice> open();
    virtual ~AudioDevice() = default;

    // The mastering voice's inputs.
    virtual uint32_t channelCount() const = 0;

    // Throws Exception_XA2Error "CreateSubmixVoice".
    virtual AudioVoice* createSubmix(uint32_t channels, uint32_t sampleRate) = 0;
    // A source voice that sends to the submix; the callback may be null.
    // Throws Exception_XA2Error "CreateSourceVoice".
    virtual AudioVoice* createSource(const AudioFormat& format, AudioVoice* submix,
                                     AudioBufferReturn* callback) = 0;
    virtual void destroyVoice(AudioVoice* voice) = 0;

    // The calls below return false on failure. An operation set of 0 is at once;
    // any other waits for commit.
    virtual bool setVolume(AudioVoice* voice, float volume, uint32_t operationSet) = 0;
    virtual bool setOutputMatrix(AudioVoice* source, AudioVoice* submix, uint32_t sourceChannels,
                                 uint32_t submixChannels, const float* coefficients, uint32_t operationSet) = 0;
    virtual bool start(AudioVoice* source, uint32_t operationSet) = 0;
    virtual bool stop(AudioVoice* source, uint32_t operationSet) = 0;
    virtual bool flush(AudioVoice* source) = 0;
    virtual bool submit(AudioVoice* source, const AudioBuffer& buffer) = 0;
    // Reading the played-samples count costs more; leave it out when not needed.
    virtual AudioVoiceState state(AudioVoice* source, bool samplesPlayed) = 0;
    virtual void commit(uint32_t operationSet) = 0;

    // The panning of a mono emitter over the mastering voice's channels, before
    // any attenuation: the library's own distance curve is left out.
    virtual void panMono(const AudioPose& listener, const AudioPose& emitter, float* coefficients) = 0;
};

} // namespace engine
