#pragma once

// Converts model sources into MDL1 files. Each importer builds a model in
// memory, which is written next to the source and destroyed.

#include "engine/assets/AssetProcessor.h"

namespace engine {

class ModelAssetProcessor final : public SingleFileAssetProcessor {
public:
    ModelAssetProcessor() : SingleFileAssetProcessor("model") {}
    // Throws core::Exception "Unknown file format: <source>" for a source no
    // importer reads.
    void convert(const std::string& source, const std::string& native) override;
};

// The processors the engine systems start with: models from "fbx", "obj" and
// "lwo", animations from "fbx".
void registerStandardAssetProcessors();

} // namespace engine
