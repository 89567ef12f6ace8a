#pragma once

// Converts model sources into MDL1 files. Each importer builds a model in
// memory, which is written next to the source and destroyed.

#include "engine/assets/AssetProcessor.h"

#include <memory>
#include <string>

namespace engine {

class Model;

class ModelAssetProcessor final : public SingleFileAssetProcessor {
public:
    ModelAssetProcessor() : SingleFileAssetProcessor("model") {}
    // Throws core::Exception "Unknown file format: <source>" for a source no
    // importer reads.
    void convert(const std::string& source, const std::string& native) override;
};

// A model of one unnamed root node whose mesh entity draws the source's
// geometry, uploaded through the current renderer (which must exist); the
// renderable mesh keeps its source data when asked, as the model writer needs.
std::unique_ptr<Model> importObjModel(const std::string& path, bool keepSourceData);
// From layer 0 of a LightWave object file.
std::unique_ptr<Model> importLwoModel(const std::string& path, bool keepSourceData);

// The processors the engine systems start with: models from "fbx", "obj" and
// "lwo", animations from "fbx".
void registerStandardAssetProcessors();

} // namespace engine
