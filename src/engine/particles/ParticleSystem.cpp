#include "engine/particles/ParticleSystem.h"

#include "core/Clock.h"
#include "core/TextDocument.h"
#include "engine/particles/ParticleDefinition.h"

#include <algorithm>
#include <memory>

namespace engine {

namespace {

std::vector<ParticleSystem*>& systems() {
    static std::vector<ParticleSystem*> list;
    return list;
}

// The clock, but never the same value twice: two loads within one tick
// must still look like two versions to the entities.
uint64_t nextVersion() {
    static uint64_t last = 0;
    last = std::max(core::clockCounter(), last + 1);
    return last;
}

RenderableTexture* loadParticleTexture(const std::string& name) {
    return loadTexture(name, 0, false);
}

} // namespace

ParticleSystem::ParticleSystem() {
    m_emitters.reserve(8);
    systems().push_back(this);
}

ParticleSystem::~ParticleSystem() {
    auto& list = systems();
    list.erase(std::find(list.begin(), list.end(), this));
}

ParticleSystem* ParticleSystem::find(const std::string& fileName) {
    for (ParticleSystem* system : systems())
        if (system->m_fileName == fileName)
            return system;
    return nullptr;
}

ParticleSystem* ParticleSystem::load(const std::string& fileName) {
    if (ParticleSystem* system = find(fileName))
        return system;
    auto system = std::make_unique<ParticleSystem>();
    system->loadFile(fileName);
    return system.release();
}

void ParticleSystem::loadFile(const std::string& fileName) {
    m_emitters.clear();
    m_version = nextVersion();
    m_fileName = fileName;
    core::document document;
    document.load(fileName);
    readParticleEmitters(document.root(), fileName, loadParticleTexture, [this](ParticleEmitter* emitter) {
        m_emitters.emplace_back(emitter);
    });
}

void ParticleSystem::addEmitter(ParticleEmitter* emitter) {
    m_emitters.emplace_back(emitter);
}

void ParticleSystem::removeEmitter(ParticleEmitter* emitter) {
    auto it = std::find_if(m_emitters.begin(), m_emitters.end(),
                           [emitter](const auto& held) { return held.get() == emitter; });
    if (it != m_emitters.end())
        m_emitters.erase(it);
}

} // namespace engine
