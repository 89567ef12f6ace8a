#pragma once

// Node handles shared by the bindings that hand out nodes.

#include "bindings/Binding.h"

namespace engine {
class Node;
}

QUILL_SCRIPT_CLASS(engine::Node, "Node")

namespace bind {

// nil, the node's live handle, or a new one: a borrowed Node handle for nodes
// owned by a scene or model, a counted Camera handle for a camera.
void pushNode(lua_State* L, engine::Node* node);

} // namespace bind
