#pragma once

// The script class of engine::RenderableMesh, and the conversion that the
// bindings taking a mesh share.

#include "bindings/Binding.h"
#include "engine/render/RenderableMesh.h"

#include <memory>

QUILL_SCRIPT_CLASS(engine::RenderableMesh, "RenderableMesh")

namespace bind {

// The renderable mesh a `Mesh` or `RenderableMesh` argument stands for: a
// mesh is uploaded first (without its source data) and must have indices. A
// new upload is returned uncounted, for its first holder to take. Null for
// any other value.
engine::RenderableMesh* toRenderableMesh(lua_State* L, int index);

} // namespace bind
