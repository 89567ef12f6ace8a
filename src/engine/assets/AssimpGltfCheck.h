#pragma once

// assimp reads some broken glTF files without a word: an accessor of the
// wrong shape is read as if it had the right one, a node may be its own
// ancestor. These checks of the file's JSON run first, so such a file fails
// with a reason instead of becoming a wrong model.

#include <string>

namespace engine {

// Throws core::Exception "Could not import <path>: <reason>" for a glTF
// (or binary glTF) file whose structure does not hold together. Other
// files, and faults the checks do not cover, are left to assimp.
void checkGltfStructure(const std::string& path);

} // namespace engine
