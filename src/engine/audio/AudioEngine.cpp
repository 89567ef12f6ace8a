#include "engine/audio/AudioEngine.h"

#include "core/Exception.h"

#include <algorithm>
#include <memory>

namespace engine {

namespace {
AudioEngine* g_current = nullptr;

// Every live sample, in the order they were made.
std::vector<Sample*>& samples() {
    static std::vector<Sample*> registry;
    return registry;
}
} // namespace

AudioEngine* AudioEngine::current() {
    return g_current;
}

AudioEngine::AudioEngine() = default;

AudioEngine::~AudioEngine() {
    if (g_current == this)
        g_current = nullptr;
}

AudioEngine* createAudioEngine(AudioEngineKind kind) {
    switch (kind) {
    case AudioEngineKind::Null:
        g_current = new AudioEngineNull;
        return g_current;
    case AudioEngineKind::XAudio2:
        g_current = createAudioEngineXA2();
        return g_current;
    default:
        throw core::Exception("Invalid audio engine");
    }
}

SoundSource* AudioWorldNull::createSoundSource() {
    return new SoundSourceNull;
}

Sample::Sample() {
    samples().push_back(this);
}

Sample::~Sample() {
    auto& registry = samples();
    auto found = std::find(registry.begin(), registry.end(), this);
    if (found != registry.end())
        registry.erase(found);
}

Sample* Sample::find(const std::string& fileName) {
    for (Sample* sample : samples()) {
        if (sample->m_fileName == fileName)
            return sample;
    }
    return nullptr;
}

Sample* Sample::load(AudioEngine& engine, const std::string& fileName) {
    if (Sample* sample = find(fileName))
        return sample;
    std::unique_ptr<Sample> sample(engine.createSample());
    sample->load(fileName.c_str());
    sample->m_fileName = fileName;
    return sample.release();
}

} // namespace engine
