#include "engine/audio/AudioEngineXA2.h"

#include "engine/audio/AudioStreamXA2.h"
#include "engine/audio/SampleXA2.h"

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

// Starts, output matrices and the stops of endFrame go to this set and take
// effect together when a render or endFrame commits it.
constexpr uint32_t DeferredSet = 1;

// The limits of every voice, on each platform.
constexpr uint32_t MaxChannels = 64;
constexpr uint32_t MinSampleRate = 1000;
constexpr uint32_t MaxSampleRate = 200000;

AudioPose poseOf(const Mat4x3& place) {
    return {place.rot.row[2], place.rot.row[1], place.pos};
}

} // namespace

bool playableFormat(const AudioFormat& format) {
    bool bits = format.bitsPerSample == 8 || format.bitsPerSample == 16 || format.bitsPerSample == 24 ||
                format.bitsPerSample == 32;
    return bits && format.channels >= 1 && format.channels <= MaxChannels && format.sampleRate >= MinSampleRate &&
           format.sampleRate <= MaxSampleRate && format.blockAlign == format.channels * format.bitsPerSample / 8;
}

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

AudioEngineXA2::AudioEngineXA2() : m_device(AudioDevice::open()), m_channelCount(m_device->channelCount()) {}

AudioEngineXA2::~AudioEngineXA2() {
    std::vector<AudioWorldXA2*> worlds;
    worlds.swap(m_worlds);
    for (AudioWorldXA2* world : worlds)
        world->detachFromEngine();
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

    AudioPose listener = poseOf(audioListener.worldTransform());
    m_device->setVolume(world->m_submixVoice, audioListener.getVolume() * world->m_volume, 0);

    SoundSourceXA2::RenderContext context{listener, DeferredSet};
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
    m_device->commit(DeferredSet);
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
    m_device->commit(DeferredSet);
}

// --- world ---

AudioWorldXA2::AudioWorldXA2(AudioEngineXA2& engine)
    : m_engine(&engine), m_device(engine.m_device.get()), m_channelCount(engine.m_channelCount) {
    m_submixVoice = m_device->createSubmix(m_channelCount, 44100);
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
        m_device->destroyVoice(m_submixVoice);
}

void AudioWorldXA2::detachFromEngine() {
    for (SoundSourceXA2* source : m_sources)
        source->stop();
    if (m_submixVoice)
        m_device->destroyVoice(m_submixVoice);
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

SoundSourceXA2::SoundSourceXA2(AudioWorldXA2& world) : m_world(&world) {}

SoundSourceXA2::~SoundSourceXA2() {
    stop();
    if (m_world)
        m_world->remove(this);
}

void SoundSourceXA2::bufferEnded(void* context) {
    if (m_stream)
        m_stream->returnBuffer(context);
}

void SoundSourceXA2::createVoice(const AudioFormat& format, AudioBufferReturn* callback) {
    if (!playableFormat(format))
        throw Exception_XA2Error("CreateSourceVoice");
    m_voice = m_world->m_device->createSource(format, m_world->m_submixVoice, callback);
}

void SoundSourceXA2::play(Sample& sample, bool is3D) {
    stop();
    m_is3D = is3D;
    m_sample = core::CountedRef<Sample>(&sample);
    auto* wave = dynamic_cast<SampleXA2*>(&sample);
    if (is3D && wave && wave->format().channels > 1)
        throw core::Exception("Trying to play non-mono 3D sound: %s", sample.fileName().c_str());
    // A sample of another engine, or a source whose world is gone, has nothing to play on.
    if (!wave || wave->frameCount() == 0 || !m_world || !m_world->m_submixVoice)
        return;
    createVoice(wave->format(), nullptr);
    m_state = PlayState::StartPending;
}

void SoundSourceXA2::playStream(const char* fileName) {
    stop();
    m_is3D = false;
    m_sample.reset();
    auto stream = std::make_unique<AudioStreamXA2>(fileName, true);
    if (!m_world || !m_world->m_submixVoice)
        return;

    AudioFormat format;
    format.channels = stream->channels();
    format.sampleRate = stream->sampleRate();
    format.blockAlign = uint16_t(2 * stream->channels());
    format.averageBytesPerSecond = format.sampleRate * format.blockAlign;
    format.bitsPerSample = 16;

    // The stream is in place before the voice exists, so the callback never sees a half-made source.
    m_stream = std::move(stream);
    try {
        createVoice(format, this);
    } catch (...) {
        m_stream.reset();
        throw;
    }
    m_stream->setVoice(m_world->m_device, m_voice);
    m_state = PlayState::StartPending;
}

void SoundSourceXA2::stop() {
    if (m_stream)
        m_stream->stopThread();
    if (m_voice)
        m_world->m_device->destroyVoice(m_voice);
    m_voice = nullptr;
    m_stream.reset();
    m_playingData.reset();
    m_resumePosition = 0;
    m_is3D = false;
    m_state = PlayState::Stopped;
}

void SoundSourceXA2::applyVolume() {
    m_world->m_device->setVolume(m_voice, m_volume * (m_mute ? 0.0f : 1.0f), 0);
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
    return uint32_t(m_world->m_device->state(m_voice, true).samplesPlayed);
}

void SoundSourceXA2::start(const RenderContext& context) {
    m_state = PlayState::Playing;
    if (!m_voice)
        return;

    AudioDevice& device = *m_world->m_device;
    if (auto* wave = dynamic_cast<SampleXA2*>(m_sample.get())) {
        AudioBuffer buffer = wave->buffer();
        // A reload may have made the sample shorter than where it stopped.
        uint32_t resume = wave->frameCount() ? m_resumePosition % wave->frameCount() : 0;
        if (m_loop) {
            buffer.loopBegin = 0;
            buffer.loopLength = buffer.playLength;
            buffer.loopCount = AudioBuffer::LoopInfinite;
        }
        buffer.playBegin += resume;
        buffer.playLength -= resume;
        if (!device.flush(m_voice))
            throw Exception_XA2Error("FlushSourceBuffers");
        m_playingData = wave->data();
        if (!device.submit(m_voice, buffer))
            throw Exception_XA2Error("SubmitSourceBuffer");
        if (!device.start(m_voice, context.operationSet))
            throw Exception_XA2Error("Start");
    } else if (m_stream) {
        if (!device.start(m_voice, context.operationSet))
            throw Exception_XA2Error("Start");
        m_stream->startThread();
    }
    if (!device.setVolume(m_voice, m_volume * (m_mute ? 0.0f : 1.0f), 0))
        throw Exception_XA2Error("SetVolume");
    update3D(context);
}

void SoundSourceXA2::update3D(const RenderContext& context) {
    if (!m_is3D || !node() || !m_world)
        return;
    AudioPose place = poseOf(node()->worldTransform());
    float coefficients[MaxChannels] = {};
    uint32_t channels = std::min(m_world->m_channelCount, MaxChannels);
    m_world->m_device->panMono(context.listener, place, coefficients);

    Vec3 offset = place.position - context.listener.position;
    double gain = distanceGain(std::sqrt(offset.x * offset.x + offset.y * offset.y + offset.z * offset.z),
                               m_minDistance, m_maxDistance);
    // A degenerate node transform (a zero scale) gives no direction to pan
    // by; silence is better than poisoning the world's mix.
    for (uint32_t i = 0; i < channels; ++i)
        coefficients[i] = std::isfinite(coefficients[i]) ? float(coefficients[i] * gain) : 0.0f;
    m_world->m_device->setOutputMatrix(m_voice, m_world->m_submixVoice, 1, channels, coefficients,
                                       context.operationSet);
}

void SoundSourceXA2::pause(uint32_t operationSet) {
    if (m_voice) {
        m_world->m_device->stop(m_voice, operationSet);
        auto* wave = dynamic_cast<SampleXA2*>(m_sample.get());
        if (wave && wave->frameCount()) {
            uint64_t played = m_world->m_device->state(m_voice, true).samplesPlayed;
            m_resumePosition = uint32_t(played % uint64_t(wave->frameCount()));
        }
    }
    m_state = PlayState::Paused;
}

bool SoundSourceXA2::finished() {
    AudioVoiceState state = m_world->m_device->state(m_voice, false);
    if (state.buffersQueued != 0 || state.currentBufferContext)
        return false;
    // A stream's thread may not have submitted its first buffer yet, or be
    // between buffers: it is over only once its thread has finished.
    return !(m_stream && m_stream->isDecoding());
}

} // namespace engine
