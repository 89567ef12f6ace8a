#pragma once

// The script class of engine::RenderableShader, for the bindings that take or
// hand out shaders.

#include "bindings/Binding.h"
#include "engine/render/RenderableShader.h"

QUILL_SCRIPT_CLASS(engine::RenderableShader, "RenderableShader")
