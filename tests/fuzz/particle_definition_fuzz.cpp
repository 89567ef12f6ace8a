// Fuzz target: any bytes as a particle system definition, read into emitters.
#include "core/Exception.h"
#include "core/TextDocument.h"
#include "engine/particles/ParticleDefinition.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::document doc;
    std::vector<core::CountedRef<engine::ParticleEmitter>> emitters;
    try {
        doc.parse(std::string(reinterpret_cast<const char*>(data), size), "fuzz.particles");
        // Textures need a renderer; a name is all the reader has to give.
        engine::readParticleEmitters(
            doc.root(), "fuzz.particles",
            [](const std::string& name) -> engine::RenderableTexture* {
                if (name.empty())
                    throw core::Exception("File not found: %s", name.c_str());
                return nullptr;
            },
            [&](engine::ParticleEmitter* e) { emitters.emplace_back(e); });
    } catch (const core::Exception&) {
    }
    return 0;
}
