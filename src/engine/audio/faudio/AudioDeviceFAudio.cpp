// The voice calls on FAudio, whose API mirrors XAudio2 and X3DAudio call for call.
#include "engine/audio/AudioDevice.h"

#include "engine/audio/AudioEngineXA2.h"

#include <F3DAudio.h>
#include <FAudio.h>

#include <cfloat>
#include <map>

namespace engine {

namespace {

FAudioVoice* native(AudioVoice* voice) {
    return reinterpret_cast<FAudioVoice*>(voice);
}

FAudioSourceVoice* nativeSource(AudioVoice* voice) {
    return reinterpret_cast<FAudioSourceVoice*>(voice);
}

F3DAUDIO_VECTOR vector(const Vec3& v) {
    return {v.x, v.y, v.z};
}

// Hands a source voice's finished buffers to its owner.
struct SourceCallback : FAudioVoiceCallback {
    AudioBufferReturn* target = nullptr;
};

void FAUDIOCALL bufferEnded(FAudioVoiceCallback* callback, void* context) {
    static_cast<SourceCallback*>(callback)->target->bufferEnded(context);
}
void FAUDIOCALL ignoreBuffer(FAudioVoiceCallback*, void*) {}
void FAUDIOCALL ignoreStreamEnd(FAudioVoiceCallback*) {}
void FAUDIOCALL ignoreError(FAudioVoiceCallback*, void*, uint32_t) {}
void FAUDIOCALL ignorePassEnd(FAudioVoiceCallback*) {}
void FAUDIOCALL ignorePassStart(FAudioVoiceCallback*, uint32_t) {}

class AudioDeviceFAudio final : public AudioDevice {
public:
    AudioDeviceFAudio() {
        // The 2.7 behaviour: a voice's played-samples counter runs from its creation.
        if (FAudioCOMConstructEXT(&m_audio, 7) != 0) {
            m_audio = nullptr;
            throw Exception_XA2Error("XAudio2Create");
        }
        try {
            if (FAudio_Initialize(m_audio, 0, FAUDIO_DEFAULT_PROCESSOR) != 0)
                throw Exception_XA2Error("XAudio2Create");
            uint32_t devices = 0;
            if (FAudio_GetDeviceCount(m_audio, &devices) != 0 || devices == 0)
                throw Exception_XA2Error("CreateMasteringVoice");
            if (FAudio_CreateMasteringVoice(m_audio, &m_master, FAUDIO_DEFAULT_CHANNELS, FAUDIO_DEFAULT_SAMPLERATE, 0,
                                            0, nullptr) != 0) {
                m_master = nullptr;
                throw Exception_XA2Error("CreateMasteringVoice");
            }
            FAudioVoiceDetails details{};
            FAudioVoice_GetVoiceDetails(m_master, &details);
            m_channelCount = details.InputChannels;
            FAudioDeviceDetails device{};
            if (FAudio_GetDeviceDetails(m_audio, 0, &device) != 0)
                throw Exception_XA2Error("GetDeviceDetails");
            F3DAudioInitialize(device.OutputFormat.dwChannelMask, 343.5f, m_3d);
        } catch (...) {
            if (m_master)
                FAudioVoice_DestroyVoice(m_master);
            FAudio_Release(m_audio);
            throw;
        }
    }

    ~AudioDeviceFAudio() override {
        FAudioVoice_DestroyVoice(m_master);
        FAudio_Release(m_audio);
    }

    uint32_t channelCount() const override { return m_channelCount; }

    AudioVoice* createSubmix(uint32_t channels, uint32_t sampleRate) override {
        FAudioSubmixVoice* voice = nullptr;
        if (FAudio_CreateSubmixVoice(m_audio, &voice, channels, sampleRate, 0, 0, nullptr, nullptr) != 0)
            throw Exception_XA2Error("CreateSubmixVoice");
        return reinterpret_cast<AudioVoice*>(voice);
    }

    AudioVoice* createSource(const AudioFormat& format, AudioVoice* submix, AudioBufferReturn* target) override {
        FAudioWaveFormatEx wave{};
        wave.wFormatTag = FAUDIO_FORMAT_PCM;
        wave.nChannels = format.channels;
        wave.nSamplesPerSec = format.sampleRate;
        wave.nAvgBytesPerSec = format.averageBytesPerSecond;
        wave.nBlockAlign = format.blockAlign;
        wave.wBitsPerSample = format.bitsPerSample;
        FAudioSendDescriptor send{0, native(submix)};
        FAudioVoiceSends sends{1, &send};

        std::unique_ptr<SourceCallback> callback;
        if (target) {
            callback = std::make_unique<SourceCallback>();
            callback->OnBufferEnd = &bufferEnded;
            callback->OnBufferStart = &ignoreBuffer;
            callback->OnLoopEnd = &ignoreBuffer;
            callback->OnStreamEnd = &ignoreStreamEnd;
            callback->OnVoiceError = &ignoreError;
            callback->OnVoiceProcessingPassEnd = &ignorePassEnd;
            callback->OnVoiceProcessingPassStart = &ignorePassStart;
            callback->target = target;
        }
        FAudioSourceVoice* voice = nullptr;
        if (FAudio_CreateSourceVoice(m_audio, &voice, &wave, 0, 2.0f, callback.get(), &sends, nullptr) != 0)
            throw Exception_XA2Error("CreateSourceVoice");
        auto* handle = reinterpret_cast<AudioVoice*>(voice);
        if (callback)
            m_callbacks[handle] = std::move(callback);
        return handle;
    }

    void destroyVoice(AudioVoice* voice) override {
        FAudioVoice_DestroyVoice(native(voice));
        m_callbacks.erase(voice);
    }

    bool setVolume(AudioVoice* voice, float volume, uint32_t operationSet) override {
        return FAudioVoice_SetVolume(native(voice), volume, operationSet) == 0;
    }

    bool setOutputMatrix(AudioVoice* source, AudioVoice* submix, uint32_t sourceChannels, uint32_t submixChannels,
                         const float* coefficients, uint32_t operationSet) override {
        return FAudioVoice_SetOutputMatrix(native(source), native(submix), sourceChannels, submixChannels,
                                           coefficients, operationSet) == 0;
    }

    bool start(AudioVoice* source, uint32_t operationSet) override {
        return FAudioSourceVoice_Start(nativeSource(source), 0, operationSet) == 0;
    }

    bool stop(AudioVoice* source, uint32_t operationSet) override {
        return FAudioSourceVoice_Stop(nativeSource(source), 0, operationSet) == 0;
    }

    bool flush(AudioVoice* source) override { return FAudioSourceVoice_FlushSourceBuffers(nativeSource(source)) == 0; }

    bool submit(AudioVoice* source, const AudioBuffer& buffer) override {
        FAudioBuffer native{};
        native.Flags = buffer.flags;
        native.AudioBytes = buffer.audioBytes;
        native.pAudioData = buffer.audioData;
        native.PlayBegin = buffer.playBegin;
        native.PlayLength = buffer.playLength;
        native.LoopBegin = buffer.loopBegin;
        native.LoopLength = buffer.loopLength;
        native.LoopCount = buffer.loopCount;
        native.pContext = buffer.context;
        return FAudioSourceVoice_SubmitSourceBuffer(nativeSource(source), &native, nullptr) == 0;
    }

    AudioVoiceState state(AudioVoice* source, bool samplesPlayed) override {
        FAudioVoiceState native{};
        FAudioSourceVoice_GetState(nativeSource(source), &native, samplesPlayed ? 0 : FAUDIO_VOICE_NOSAMPLESPLAYED);
        return {native.pCurrentBufferContext, native.BuffersQueued, native.SamplesPlayed};
    }

    void commit(uint32_t operationSet) override { FAudio_CommitOperationSet(m_audio, operationSet); }

    void panMono(const AudioPose& ears, const AudioPose& place, float* coefficients) override {
        F3DAUDIO_LISTENER listener{};
        listener.OrientFront = vector(ears.front);
        listener.OrientTop = vector(ears.top);
        listener.Position = vector(ears.position);
        F3DAUDIO_EMITTER emitter{};
        emitter.OrientFront = vector(place.front);
        emitter.OrientTop = vector(place.top);
        emitter.Position = vector(place.position);
        emitter.ChannelCount = 1;
        // The largest float turns the library's own attenuation off.
        emitter.CurveDistanceScaler = FLT_MAX;
        emitter.DopplerScaler = 0.0f;
        F3DAUDIO_DSP_SETTINGS settings{};
        settings.SrcChannelCount = 1;
        settings.DstChannelCount = m_channelCount;
        settings.pMatrixCoefficients = coefficients;
        F3DAudioCalculate(m_3d, &listener, &emitter, F3DAUDIO_CALCULATE_MATRIX, &settings);
    }

private:
    FAudio* m_audio = nullptr;
    FAudioMasteringVoice* m_master = nullptr;
    uint32_t m_channelCount = 0;
    F3DAUDIO_HANDLE m_3d{};
    std::map<AudioVoice*, std::unique_ptr<SourceCallback>> m_callbacks;
};

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::open() {
    return std::make_unique<AudioDeviceFAudio>();
}

} // namespace engine
