#pragma once

// The script class of engine::Mesh, for the bindings that take or hand out meshes.

#include "bindings/Binding.h"
#include "engine/assets/Mesh.h"

QUILL_SCRIPT_CLASS(engine::Mesh, "Mesh")
