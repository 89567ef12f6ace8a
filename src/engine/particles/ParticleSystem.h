#pragma once

// A shared, reloadable particle effect definition: an ordered list of
// emitters. Systems loaded from files are shared by file name; every live
// system is in one process-wide list.

#include "core/RefRegistry.h"
#include "engine/particles/ParticleEmitter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class ParticleSystem {
public:
    ParticleSystem();
    ~ParticleSystem();
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // The first live system loaded under exactly that file name, or null.
    static ParticleSystem* find(const std::string& fileName);
    // The registered system of that name, or a new one read from the file.
    // Throws core::Exception when the file cannot be read; the new system is
    // then gone. The result has no counted reference yet.
    static ParticleSystem* load(const std::string& fileName);

    // Replaces the emitters with those of the file, which becomes the
    // system's name. On an error the emitters read before it stay.
    void loadFile(const std::string& fileName);
    // The same file again.
    void reload() { loadFile(std::string(m_fileName)); }

    const std::vector<core::CountedRef<ParticleEmitter>>& emitters() const { return m_emitters; }
    void addEmitter(ParticleEmitter* emitter);
    // Removes the first occurrence, keeping the order of the rest.
    void removeEmitter(ParticleEmitter* emitter);

    const std::string& fileName() const { return m_fileName; }
    // Changes with every load, so that running entities notice a reload.
    uint64_t version() const { return m_version; }

private:
    std::vector<core::CountedRef<ParticleEmitter>> m_emitters;
    std::string m_fileName;
    uint64_t m_version = 0;
};

} // namespace engine
