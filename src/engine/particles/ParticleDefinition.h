#pragma once

// Reading particle system definition files: a sequence of "emitter" blocks in
// the structured text format, one per emitter, fields named as the emitter's.

#include "core/TextDocument.h"
#include "engine/particles/ParticleEmitter.h"

#include <functional>
#include <string>

namespace engine {

// Gives the texture of a file name, or throws core::Exception.
using ParticleTextureLoader = std::function<RenderableTexture*(const std::string& name)>;

// Reads the root's blocks in order and hands each new emitter to `add`
// (which takes its counted reference) as soon as it is complete. Throws
// core::Exception "Invalid block in particle system file %s" for a block
// not named "emitter", "Invalid property enum value in %s" for a missing or
// unknown BlendMode, and whatever the texture loader throws.
void readParticleEmitters(const core::block& root, const std::string& path, const ParticleTextureLoader& loadTexture,
                          const std::function<void(ParticleEmitter*)>& add);

} // namespace engine
