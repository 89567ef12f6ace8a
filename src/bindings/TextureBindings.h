#pragma once

// The script class of engine::RenderableTexture, for the bindings that take or
// hand out textures.

#include "bindings/Binding.h"
#include "engine/render/RenderableTexture.h"

QUILL_SCRIPT_CLASS(engine::RenderableTexture, "RenderableTexture")
