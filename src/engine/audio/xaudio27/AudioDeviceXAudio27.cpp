// The voice calls on XAudio2 2.7 (through COM) and X3DAudio 1.7, as the
// DirectX End-User Runtime installs them.
#include "engine/audio/AudioDevice.h"

#include "core/DebugLog.h"
#include "engine/audio/AudioEngineXA2.h"
#include "engine/audio/xaudio27/X3DAudio.h"

#include <initguid.h>
#include <xaudio2.h>

#include <cfloat>
#include <map>

namespace engine {

namespace {

IXAudio27Voice* native(AudioVoice* voice) {
    return reinterpret_cast<IXAudio27Voice*>(voice);
}

IXAudio27SourceVoice* nativeSource(AudioVoice* voice) {
    return reinterpret_cast<IXAudio27SourceVoice*>(voice);
}

X3DAUDIO_VECTOR vector(const Vec3& v) {
    return {v.x, v.y, v.z};
}

// Hands a source voice's finished buffers to its owner, on the mixer's thread.
class SourceCallback final : public IXAudio2VoiceCallback {
public:
    explicit SourceCallback(AudioBufferReturn* target) : m_target(target) {}
    virtual ~SourceCallback() = default;

    void STDMETHODCALLTYPE OnBufferEnd(void* context) override { m_target->bufferEnded(context); }
    void STDMETHODCALLTYPE OnVoiceProcessingPassStart(UINT32) override {}
    void STDMETHODCALLTYPE OnVoiceProcessingPassEnd() override {}
    void STDMETHODCALLTYPE OnStreamEnd() override {}
    void STDMETHODCALLTYPE OnBufferStart(void*) override {}
    void STDMETHODCALLTYPE OnLoopEnd(void*) override {}
    void STDMETHODCALLTYPE OnVoiceError(void*, HRESULT) override {}

private:
    AudioBufferReturn* m_target;
};

class AudioDeviceXAudio27 final : public AudioDevice {
public:
    AudioDeviceXAudio27() {
        HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_comStarted = SUCCEEDED(com);
        // Holding the class keeps the library loaded for as long as the engine lives.
        if (FAILED(CoGetClassObject(CLSID_XAudio27, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                    reinterpret_cast<void**>(&m_factory)))) {
            m_factory = nullptr;
            core::debugLog("XAudio2UnloadedWorkaround failed\n");
        }
        try {
            if (FAILED(CoCreateInstance(CLSID_XAudio27, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio27,
                                        reinterpret_cast<void**>(&m_audio)))) {
                m_audio = nullptr;
                throw Exception_XA2Error("XAudio2Create");
            }
            if (FAILED(m_audio->Initialize(0, XAUDIO2_DEFAULT_PROCESSOR)))
                throw Exception_XA2Error("XAudio2Create");
            // Without an output device, making the mastering voice can take the
            // process down instead of failing: ask first.
            UINT32 devices = 0;
            if (FAILED(m_audio->GetDeviceCount(&devices)) || devices == 0)
                throw Exception_XA2Error("CreateMasteringVoice");
            IXAudio2MasteringVoice* master = nullptr;
            if (FAILED(m_audio->CreateMasteringVoice(&master, XAUDIO2_DEFAULT_CHANNELS, XAUDIO2_DEFAULT_SAMPLERATE, 0,
                                                     0, nullptr)))
                throw Exception_XA2Error("CreateMasteringVoice");
            m_master = reinterpret_cast<IXAudio27MasteringVoice*>(master);
            XAUDIO27_VOICE_DETAILS details{};
            m_master->GetVoiceDetails(&details);
            m_channelCount = details.InputChannels;
            XAUDIO2_DEVICE_DETAILS device{};
            if (FAILED(m_audio->GetDeviceDetails(0, &device)))
                throw Exception_XA2Error("GetDeviceDetails");
            X3DAudioInitialize(device.OutputFormat.dwChannelMask, 343.5f, m_3d);
        } catch (...) {
            release();
            throw;
        }
    }

    ~AudioDeviceXAudio27() override { release(); }

    uint32_t channelCount() const override { return m_channelCount; }

    AudioVoice* createSubmix(uint32_t channels, uint32_t sampleRate) override {
        IXAudio2SubmixVoice* voice = nullptr;
        if (FAILED(m_audio->CreateSubmixVoice(&voice, channels, sampleRate, 0, 0, nullptr, nullptr)))
            throw Exception_XA2Error("CreateSubmixVoice");
        return reinterpret_cast<AudioVoice*>(voice);
    }

    AudioVoice* createSource(const AudioFormat& format, AudioVoice* submix, AudioBufferReturn* target) override {
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = format.channels;
        wave.nSamplesPerSec = format.sampleRate;
        wave.nAvgBytesPerSec = format.averageBytesPerSecond;
        wave.nBlockAlign = format.blockAlign;
        wave.wBitsPerSample = format.bitsPerSample;
        XAUDIO2_SEND_DESCRIPTOR send{0, reinterpret_cast<IXAudio2Voice*>(submix)};
        XAUDIO2_VOICE_SENDS sends{1, &send};

        std::unique_ptr<SourceCallback> callback;
        if (target)
            callback = std::make_unique<SourceCallback>(target);
        IXAudio2SourceVoice* voice = nullptr;
        if (FAILED(m_audio->CreateSourceVoice(&voice, &wave, 0, 2.0f, callback.get(), &sends, nullptr)))
            throw Exception_XA2Error("CreateSourceVoice");
        auto* handle = reinterpret_cast<AudioVoice*>(voice);
        if (callback)
            m_callbacks[handle] = std::move(callback);
        return handle;
    }

    void destroyVoice(AudioVoice* voice) override {
        native(voice)->DestroyVoice();
        m_callbacks.erase(voice);
    }

    bool setVolume(AudioVoice* voice, float volume, uint32_t operationSet) override {
        return SUCCEEDED(native(voice)->SetVolume(volume, operationSet));
    }

    bool setOutputMatrix(AudioVoice* source, AudioVoice* submix, uint32_t sourceChannels, uint32_t submixChannels,
                         const float* coefficients, uint32_t operationSet) override {
        return SUCCEEDED(native(source)->SetOutputMatrix(reinterpret_cast<IXAudio2Voice*>(submix), sourceChannels,
                                                         submixChannels, coefficients, operationSet));
    }

    bool start(AudioVoice* source, uint32_t operationSet) override {
        return SUCCEEDED(nativeSource(source)->Start(0, operationSet));
    }

    bool stop(AudioVoice* source, uint32_t operationSet) override {
        return SUCCEEDED(nativeSource(source)->Stop(0, operationSet));
    }

    bool flush(AudioVoice* source) override { return SUCCEEDED(nativeSource(source)->FlushSourceBuffers()); }

    bool submit(AudioVoice* source, const AudioBuffer& buffer) override {
        XAUDIO2_BUFFER native{};
        native.Flags = buffer.flags;
        native.AudioBytes = buffer.audioBytes;
        native.pAudioData = buffer.audioData;
        native.PlayBegin = buffer.playBegin;
        native.PlayLength = buffer.playLength;
        native.LoopBegin = buffer.loopBegin;
        native.LoopLength = buffer.loopLength;
        native.LoopCount = buffer.loopCount;
        native.pContext = buffer.context;
        return SUCCEEDED(nativeSource(source)->SubmitSourceBuffer(&native, nullptr));
    }

    // 2.7 always counts the played samples.
    AudioVoiceState state(AudioVoice* source, bool) override {
        XAUDIO2_VOICE_STATE native{};
        nativeSource(source)->GetState(&native);
        return {native.pCurrentBufferContext, native.BuffersQueued, native.SamplesPlayed};
    }

    void commit(uint32_t operationSet) override { m_audio->CommitChanges(operationSet); }

    void panMono(const AudioPose& ears, const AudioPose& place, float* coefficients) override {
        X3DAUDIO_LISTENER listener{};
        listener.OrientFront = vector(ears.front);
        listener.OrientTop = vector(ears.top);
        listener.Position = vector(ears.position);
        X3DAUDIO_EMITTER emitter{};
        emitter.OrientFront = vector(place.front);
        emitter.OrientTop = vector(place.top);
        emitter.Position = vector(place.position);
        emitter.ChannelCount = 1;
        // The largest float turns the library's own attenuation off.
        emitter.CurveDistanceScaler = FLT_MAX;
        emitter.DopplerScaler = 0.0f;
        X3DAUDIO_DSP_SETTINGS settings{};
        settings.SrcChannelCount = 1;
        settings.DstChannelCount = m_channelCount;
        settings.pMatrixCoefficients = coefficients;
        X3DAudioCalculate(m_3d, &listener, &emitter, X3DAUDIO_CALCULATE_MATRIX, &settings);
    }

private:
    void release() {
        if (m_master)
            m_master->DestroyVoice();
        m_master = nullptr;
        if (m_audio)
            m_audio->Release();
        m_audio = nullptr;
        if (m_factory)
            m_factory->Release();
        m_factory = nullptr;
        if (m_comStarted)
            CoUninitialize();
        m_comStarted = false;
    }

    bool m_comStarted = false;
    IClassFactory* m_factory = nullptr;
    IXAudio27* m_audio = nullptr;
    IXAudio27MasteringVoice* m_master = nullptr;
    uint32_t m_channelCount = 0;
    X3DAUDIO_HANDLE m_3d{};
    std::map<AudioVoice*, std::unique_ptr<SourceCallback>> m_callbacks;
};

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::open() {
    return std::make_unique<AudioDeviceXAudio27>();
}

} // namespace engine
