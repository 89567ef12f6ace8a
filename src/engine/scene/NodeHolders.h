#pragma once

// Who holds plain pointers to nodes outside the hierarchy (an animation
// controller's node table, a skeleton's bones), so that a destroyed node is
// taken out of every holder before its memory goes. A holder type provides
// forget(const Node*); hold and release pair up per (node, holder).

#include "engine/scene/Node.h"

#include <unordered_map>

namespace engine {

template <class Holder>
class NodeHolders {
public:
    static void hold(Node* node, Holder* holder) {
        static const bool watching = (Node::addDestructionWatcher(&destroyed), true);
        (void)watching;
        node->markWatched();
        map().emplace(node, holder);
    }

    static void release(const Node* node, Holder* holder) {
        auto [first, last] = map().equal_range(node);
        for (auto it = first; it != last; ++it)
            if (it->second == holder) {
                map().erase(it);
                return;
            }
    }

private:
    static std::unordered_multimap<const Node*, Holder*>& map() {
        static auto* holders = new std::unordered_multimap<const Node*, Holder*>;
        return *holders;
    }

    static void destroyed(Node* node) {
        auto [first, last] = map().equal_range(node);
        for (auto it = first; it != last; ++it)
            it->second->forget(node);
        map().erase(first, last);
    }
};

} // namespace engine
