#pragma once

// The script classes of the particle systems, their emitters and entities.

#include "bindings/Binding.h"
#include "engine/particles/MeshCDF.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/particles/ParticleSystem.h"

QUILL_SCRIPT_CLASS(engine::ParticleEntity, "ParticleEntity")
QUILL_SCRIPT_CLASS(engine::ParticleSystem, "ParticleSystem")
QUILL_SCRIPT_CLASS(engine::ParticleEmitter, "ParticleEmitter")
QUILL_SCRIPT_CLASS(engine::MeshCDF, "MeshCDF")
