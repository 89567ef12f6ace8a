#pragma once

// The script class of engine::Material, for the bindings that take or hand
// out materials.

#include "bindings/Binding.h"
#include "engine/assets/Material.h"

QUILL_SCRIPT_CLASS(engine::Material, "Material")
