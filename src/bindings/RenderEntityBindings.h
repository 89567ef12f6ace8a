#pragma once

// The script classes of the render entities.

#include "bindings/Binding.h"
#include "engine/render/LightEntity.h"
#include "engine/render/MeshEntity.h"

QUILL_SCRIPT_CLASS(engine::RenderEntity, "RenderEntity")
QUILL_SCRIPT_CLASS(engine::MeshEntity, "MeshEntity")
QUILL_SCRIPT_CLASS(engine::LightEntity, "LightEntity")
QUILL_SCRIPT_CLASS(engine::Skeleton, "Skeleton")

namespace bind {

// Light type names as scripts give them: "ambient", "directional", "point", "spot".
extern const EnumEntry LightTypes[];

} // namespace bind
