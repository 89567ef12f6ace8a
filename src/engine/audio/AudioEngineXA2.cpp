#include "engine/audio/AudioEngineXA2.h"

#include "engine/audio/AudioStreamXA2.h"
#include "engine/audio/SampleXA2.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace engine {

namespace {

// Starts, output matrices and the stops of endFrame go to this set and take
// effect together when a render or endFrame commits it.
constexpr uint32_t DeferredSet = 1;

F3DAUDIO_VECTOR vector(const Vec3& v) {
    return {v.x, v.y, v.z};
}

// Formats a voice can take; anything else would be refused by the voice.
bool playable(const FAudioWaveFormatEx& format) {
    bool bits = format.wBitsPerSample == 8 || format.wBitsPerSample == 16 || format.wBitsPerSample == 24 ||
                format.wBitsPerSample == 32;
    return bits && format.nChannels >= 1 && format.nChannels <= FAUDIO_MAX_AUDIO_CHANNELS &&
           format.nSamplesPerSec >= FAUDIO_MIN_SAMPLE_RATE && format.nSamplesPerSec <= FAUDIO_MAX_SAMPLE_RATE &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

void FAUDIOCALL ignoreBuffer(FAudioVoiceCallback*, void*) {}
void FAUDIOCALL ignoreStreamEnd(FAudioVoiceCallback*) {}
void FAUDIOCALL ignoreError(FAudioVoiceCallback*, void*, uint32_t) {}
void FAUDIOCALL ignorePassEnd(FAudioVoiceCallback*) {}
void FAUDIOCALL ignorePassStart(FAudioVoiceCallback*, uint32_t) {}

} // namespace

Exception_XA2Error::Exception_XA2Error(const char* operation) {
    setMessage("XAudio2 error in %s", operation);
}

double distanceGain(float distance, float minDistance, float maxDistance) {
    double t;
    if (maxDistance == minDistance)
        t = distance > minDistance ? 1.0 : 0.0;  // a step instead of a division by zero
    else
        t = (double(distance) - minDistance) / (double(maxDistance) - minDistance);
    t = t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0;  // NaN counts as near
    double gain = (1.0 / (16.0 * t + 1.0) - 0.0588) * 1.0588;
    return gain > 0.0 ? (gain < 1.0 ? gain : 1.0) : 0.0;
}

// --- engine ---

AudioEngine* createAudioEngineXA2() {
    return new AudioEngineXA2;
}

AudioEngineXA2::AudioEngineXA2() {
    // The 2.7 behaviour: a voice's played-samples counter runs from its creation.
    if (FAudioCOMConstructEXT(&m_audio, 7) != 0) {
        m_audio = nullptr;
        throw Exception_XA2Error("XAudio2Create");
    }
    try {
        if (FAudio_Initialize(m_audio, 0, FAUDIO_DEFAULT_PROCESSOR) != 0)
            throw Exception_XA2Error("XAudio2Create");
        if (FAudio_CreateMasteringVoice(m_audio, &m_masteringVoice, FAUDIO_DEFAULT_CHANNELS,
                                        FAUDIO_DEFAULT_SAMPLERATE, 0, 0, nullptr) != 0) {
            m_masteringVoice = nullptr;
            throw Exception_XA2Error("CreateMasteringVoice");
        }
        FAudioVoiceDetails details{};
        FAudioVoice_GetVoiceDetails(m_masteringVoice, &details);
        m_channelCount = details.InputChannels;
        FAudioDeviceDetails device{};
        if (FAudio_GetDeviceDetails(m_audio, 0, &device) != 0)
            throw Exception_XA2Error("GetDeviceDetails");
        F3DAudioInitialize(device.OutputFormat.dwChannelMask, 343.5f, m_3d);
    } catch (...) {
        if (m_masteringVoice)
            FAudioVoice_DestroyVoice(m_masteringVoice);
        FAudio_Release(m_audio);
        throw;
    }
}

AudioEngineXA2::~AudioEngineXA2() {
    std::vector<AudioWorldXA2*> worlds;
    worlds.swap(m_worlds);
    for (AudioWorldXA2* world : worlds)
        world->detachFromEngine();
    FAudioVoice_DestroyVoice(m_masteringVoice);
    FAudio_Release(m_audio);
}

AudioWorld* AudioEngineXA2::createWorld() {
    return new AudioWorldXA2(*this);
}

AudioListener* AudioEngineXA2::createListener() {
    return new AudioListenerXA2;
}

Sample* AudioEngineXA2::createSample() {
    return new SampleXA2;
}

void AudioEngineXA2::beginFrame() {
    for (AudioWorldXA2* world : m_worlds)
        world->m_renderedThisFrame = false;
}

void AudioEngineXA2::render(AudioWorld& audioWorld, AudioListener& audioListener) {
    auto* world = dynamic_cast<AudioWorldXA2*>(&audioWorld);
    if (!world || world->m_engine != this)
        return;
    world->m_renderedThisFrame = true;

    const Mat4x3& ears = audioListener.worldTransform();
    F3DAUDIO_LISTENER listener{};
    listener.OrientFront = vector(ears.rot.row[2]);
    listener.OrientTop = vector(ears.rot.row[1]);
    listener.Position = vector(ears.pos);
    FAudioVoice_SetVolume(world->m_submixVoice, audioListener.getVolume() * world->m_volume, FAUDIO_COMMIT_NOW);

    SoundSourceXA2::RenderContext context{m_3d, listener, DeferredSet};
    for (SoundSourceXA2* source : world->m_sources) {
        switch (source->m_state) {
        case SoundSourceXA2::PlayState::StartPending:
        case SoundSourceXA2::PlayState::Paused:
            source->start(context);
            break;
        case SoundSourceXA2::PlayState::Playing:
            if (source->m_voice) {
                source->update3D(context);
                if (source->finished())
                    source->m_state = SoundSourceXA2::PlayState::Stopped;
            }
            break;
        case SoundSourceXA2::PlayState::Stopped:
            break;
        }
    }
    FAudio_CommitOperationSet(m_audio, DeferredSet);
}

void AudioEngineXA2::endFrame() {
    for (AudioWorldXA2* world : m_worlds) {
        if (world->m_renderedThisFrame)
            continue;
        for (SoundSourceXA2* source : world->m_sources) {
            if (source->m_state == SoundSourceXA2::PlayState::StartPending ||
                source->m_state == SoundSourceXA2::PlayState::Playing)
                source->pause(DeferredSet);
        }
    }
    FAudio_CommitOperationSet(m_audio, DeferredSet);
}

// --- world ---

AudioWorldXA2::AudioWorldXA2(AudioEngineXA2& engine)
    : m_engine(&engine), m_audio(engine.m_audio), m_channelCount(engine.m_channelCount) {
    if (FAudio_CreateSubmixVoice(m_audio, &m_submixVoice, m_channelCount, 44100, 0, 0, nullptr, nullptr) != 0)
        throw Exception_XA2Error("CreateSubmixVoice");
    engine.m_worlds.push_back(this);
}

AudioWorldXA2::~AudioWorldXA2() {
    for (SoundSourceXA2* source : m_sources) {
        source->stop();
        source->m_world = nullptr;
    }
    if (m_engine) {
        auto& worlds = m_engine->m_worlds;
        auto found = std::find(worlds.begin(), worlds.end(), this);
        if (found != worlds.end())
            worlds.erase(found);
    }
    if (m_submixVoice)
        FAudioVoice_DestroyVoice(m_submixVoice);
}

void AudioWorldXA2::detachFromEngine() {
    for (SoundSourceXA2* source : m_sources)
        source->stop();
    if (m_submixVoice)
        FAudioVoice_DestroyVoice(m_submixVoice);
    m_submixVoice = nullptr;
    m_engine = nullptr;
}

SoundSource* AudioWorldXA2::createSoundSource() {
    auto* source = new SoundSourceXA2(*this);
    m_sources.push_back(source);
    return source;
}

void AudioWorldXA2::remove(SoundSourceXA2* source) {
    auto found = std::find(m_sources.begin(), m_sources.end(), source);
    if (found != m_sources.end())
        m_sources.erase(found);
}

// --- source ---

SoundSourceXA2::SoundSourceXA2(AudioWorldXA2& world) : FAudioVoiceCallback(), m_world(&world) {
    OnBufferEnd = &onBufferEnd;
    OnBufferStart = &ignoreBuffer;
    OnLoopEnd = &ignoreBuffer;
    OnStreamEnd = &ignoreStreamEnd;
    OnVoiceError = &ignoreError;
    OnVoiceProcessingPassEnd = &ignorePassEnd;
    OnVoiceProcessingPassStart = &ignorePassStart;
}

SoundSourceXA2::~SoundSourceXA2() {
    stop();
    if (m_world)
        m_world->remove(this);
}

void FAUDIOCALL SoundSourceXA2::onBufferEnd(FAudioVoiceCallback* callback, void* context) {
    auto* source = static_cast<SoundSourceXA2*>(callback);
    if (source->m_stream)
        source->m_stream->returnBuffer(context);
}

FAudioVoiceSends SoundSourceXA2::sends(FAudioSendDescriptor& send) const {
    send = FAudioSendDescriptor{0, m_world->m_submixVoice};
    return FAudioVoiceSends{1, &send};
}

void SoundSourceXA2::play(Sample& sample, bool is3D) {
    stop();
    m_is3D = is3D;
    m_sample = core::CountedRef<Sample>(&sample);
    auto* wave = dynamic_cast<SampleXA2*>(&sample);
    if (is3D && wave && wave->format().nChannels > 1)
        throw core::Exception("Trying to play non-mono 3D sound: %s", sample.fileName().c_str());
    // A sample of another engine, or a source whose world is gone, has nothing to play on.
    if (!wave || wave->frameCount() == 0 || !m_world || !m_world->m_submixVoice)
        return;
    if (!playable(wave->format()))
        throw Exception_XA2Error("CreateSourceVoice");

    FAudioSendDescriptor send;
    FAudioVoiceSends sendList = sends(send);
    if (FAudio_CreateSourceVoice(m_world->m_audio, &m_voice, &wave->format(), 0, 2.0f, nullptr, &sendList,
                                 nullptr) != 0) {
        m_voice = nullptr;
        throw Exception_XA2Error("CreateSourceVoice");
    }
    m_state = PlayState::StartPending;
}

void SoundSourceXA2::playStream(const char* fileName) {
    stop();
    m_is3D = false;
    m_sample.reset();
    auto stream = std::make_unique<AudioStreamXA2>(fileName, true);
    if (!m_world || !m_world->m_submixVoice)
        return;

    FAudioWaveFormatEx format{};
    format.wFormatTag = FAUDIO_FORMAT_PCM;
    format.nChannels = stream->channels();
    format.nSamplesPerSec = stream->sampleRate();
    format.nBlockAlign = uint16_t(2 * stream->channels());
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.wBitsPerSample = 16;
    if (!playable(format))
        throw Exception_XA2Error("CreateSourceVoice");

    FAudioSendDescriptor send;
    FAudioVoiceSends sendList = sends(send);
    FAudioSourceVoice* voice = nullptr;
    // The callback is set before the voice exists, so it never sees a half-made source.
    m_stream = std::move(stream);
    if (FAudio_CreateSourceVoice(m_world->m_audio, &voice, &format, 0, 2.0f, this, &sendList, nullptr) != 0) {
        m_stream.reset();
        throw Exception_XA2Error("CreateSourceVoice");
    }
    m_voice = voice;
    m_stream->setVoice(voice);
    m_state = PlayState::StartPending;
}

void SoundSourceXA2::stop() {
    if (m_stream)
        m_stream->stopThread();
    if (m_voice)
        FAudioVoice_DestroyVoice(m_voice);
    m_voice = nullptr;
    m_stream.reset();
    m_playingData.reset();
    m_resumePosition = 0;
    m_is3D = false;
    m_state = PlayState::Stopped;
}

void SoundSourceXA2::applyVolume() {
    FAudioVoice_SetVolume(m_voice, m_volume * (m_mute ? 0.0f : 1.0f), FAUDIO_COMMIT_NOW);
}

void SoundSourceXA2::setVolume(float volume) {
    m_volume = volume;
    if (m_voice)
        applyVolume();
}

void SoundSourceXA2::setMute(bool mute) {
    m_mute = mute;
    if (m_voice)
        applyVolume();
}

uint32_t SoundSourceXA2::getSamplePosition() {
    if (m_state != PlayState::Playing || !m_voice)
        return 0;
    FAudioVoiceState state{};
    FAudioSourceVoice_GetState(m_voice, &state, 0);
    return uint32_t(state.SamplesPlayed);
}

void SoundSourceXA2::start(const RenderContext& context) {
    m_state = PlayState::Playing;
    if (!m_voice)
        return;

    if (auto* wave = dynamic_cast<SampleXA2*>(m_sample.get())) {
        FAudioBuffer buffer = wave->buffer();
        // A reload may have made the sample shorter than where it stopped.
        uint32_t resume = wave->frameCount() ? m_resumePosition % wave->frameCount() : 0;
        if (m_loop) {
            buffer.LoopBegin = 0;
            buffer.LoopLength = buffer.PlayLength;
            buffer.LoopCount = FAUDIO_LOOP_INFINITE;
        }
        buffer.PlayBegin += resume;
        buffer.PlayLength -= resume;
        if (FAudioSourceVoice_FlushSourceBuffers(m_voice) != 0)
            throw Exception_XA2Error("FlushSourceBuffers");
        m_playingData = wave->data();
        if (FAudioSourceVoice_SubmitSourceBuffer(m_voice, &buffer, nullptr) != 0)
            throw Exception_XA2Error("SubmitSourceBuffer");
        if (FAudioSourceVoice_Start(m_voice, 0, context.operationSet) != 0)
            throw Exception_XA2Error("Start");
    } else if (m_stream) {
        if (FAudioSourceVoice_Start(m_voice, 0, context.operationSet) != 0)
            throw Exception_XA2Error("Start");
        m_stream->startThread();
    }
    if (FAudioVoice_SetVolume(m_voice, m_volume * (m_mute ? 0.0f : 1.0f), FAUDIO_COMMIT_NOW) != 0)
        throw Exception_XA2Error("SetVolume");
    update3D(context);
}

void SoundSourceXA2::update3D(const RenderContext& context) {
    if (!m_is3D || !node() || !m_world)
        return;
    const Mat4x3& place = node()->worldTransform();
    F3DAUDIO_EMITTER emitter{};
    emitter.OrientFront = vector(place.rot.row[2]);
    emitter.OrientTop = vector(place.rot.row[1]);
    emitter.Position = vector(place.pos);
    emitter.ChannelCount = 1;
    // The largest float turns the library's own attenuation off: the distance
    // curve below is the only one.
    emitter.CurveDistanceScaler = FLT_MAX;
    emitter.DopplerScaler = 0.0f;

    float coefficients[FAUDIO_MAX_AUDIO_CHANNELS] = {};
    F3DAUDIO_DSP_SETTINGS settings{};
    settings.SrcChannelCount = 1;
    settings.DstChannelCount = m_world->m_channelCount;
    settings.pMatrixCoefficients = coefficients;
    F3DAudioCalculate(context.instance, &context.listener, &emitter, F3DAUDIO_CALCULATE_MATRIX, &settings);

    const F3DAUDIO_VECTOR& ears = context.listener.Position;
    float dx = emitter.Position.x - ears.x, dy = emitter.Position.y - ears.y, dz = emitter.Position.z - ears.z;
    double gain = distanceGain(std::sqrt(dx * dx + dy * dy + dz * dz), m_minDistance, m_maxDistance);
    // A degenerate node transform (a zero scale) gives no direction to pan
    // by; silence is better than poisoning the world's mix.
    for (uint32_t i = 0; i < settings.DstChannelCount; ++i)
        coefficients[i] = std::isfinite(coefficients[i]) ? float(coefficients[i] * gain) : 0.0f;
    FAudioVoice_SetOutputMatrix(m_voice, m_world->m_submixVoice, 1, settings.DstChannelCount, coefficients,
                                context.operationSet);
}

void SoundSourceXA2::pause(uint32_t operationSet) {
    if (m_voice) {
        FAudioSourceVoice_Stop(m_voice, 0, operationSet);
        auto* wave = dynamic_cast<SampleXA2*>(m_sample.get());
        if (wave && wave->frameCount()) {
            FAudioVoiceState state{};
            FAudioSourceVoice_GetState(m_voice, &state, 0);
            m_resumePosition = uint32_t(uint64_t(state.SamplesPlayed) % uint64_t(wave->frameCount()));
        }
    }
    m_state = PlayState::Paused;
}

bool SoundSourceXA2::finished() {
    FAudioVoiceState state{};
    FAudioSourceVoice_GetState(m_voice, &state, FAUDIO_VOICE_NOSAMPLESPLAYED);
    if (state.BuffersQueued != 0 || state.pCurrentBufferContext)
        return false;
    // A stream's thread may not have submitted its first buffer yet, or be
    // between buffers: it is over only once its thread has finished.
    return !(m_stream && m_stream->isDecoding());
}

} // namespace engine
