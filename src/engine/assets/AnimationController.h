#pragma once

// Plays clips on a node hierarchy. A controller owns named states, each
// playing one clip with its own layer, time, weight, speed and looping.
// Sampling blends the enabled states, higher layers first, into the nodes'
// local transforms; advancing moves the states' times on and collects the
// events the step crossed.

#include "core/RefRegistry.h"
#include "engine/assets/Animation.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace engine {

class Node;

class AnimationState {
public:
    // Moves time on by dt × speed; a state that does not loop stops once it
    // has run past the end of its clip.
    void advance(float dt);

    core::CountedRef<Animation> animation;
    std::string name;
    int32_t layer = 0;
    float time = 0;  // seconds; never wrapped, sampling wraps the key index
    float weight = 0;
    float speed = 1;
    bool loop = false;
    bool enabled = false;
};

class AnimationController {
public:
    // States a controller blends at once; further enabled ones are ignored.
    static constexpr size_t MaxBlendedStates = 16;

    // Maps every node of the subtree, the root first and then depth first in
    // child order, by its name; a later node of the same name wins.
    explicit AnimationController(Node* root);
    ~AnimationController();
    AnimationController(const AnimationController&) = delete;
    AnimationController& operator=(const AnimationController&) = delete;

    // Null once the root has been destroyed; so are the table's destroyed nodes.
    Node* root() const { return m_root; }

    // The state of that name, or a new one appended; either way it plays the clip.
    AnimationState* addClip(Animation* animation, const std::string& name);
    // Restarts the named state at full weight on the layer, after disabling
    // the other states of that layer. False (nothing changed) when no state
    // has the name.
    bool play(const std::string& name, bool loop, int32_t layer);
    void stop();
    // The state exists, is enabled and has not reached the end of its clip.
    bool isPlaying(const std::string& name) const;

    AnimationState* findState(const std::string& name) const;
    AnimationState* state(int index) const { return m_states[size_t(index)].get(); }
    int stateCount() const { return int(m_states.size()); }

    // Writes the blended pose into the nodes the clips reach.
    void sample();
    // Moves every enabled state on; events() then holds what the step crossed.
    void advance(float dt);
    // sample(), then advance(dt).
    void update(float dt);

    // The events crossed by the last advance, in state and event order.
    const std::vector<AnimationEvent>& events() const { return m_events; }

    // The node that tracks of that name index drive, or null.
    Node* nodeForTrack(int32_t nameIndex) const;

    // Takes a destroyed node out of the table.
    void forget(const Node* node);

private:
    struct Accumulator {
        Vec3 position;
        Quat rotation{0, 0, 0, 0};
        Vec3 scale;
        float weight = 0;
    };
    struct Blend {
        const AnimationState* state;
        float weight;
    };

    // Picks the states to blend and their effective weights; returns how many.
    size_t selectStates(Blend* blends) const;
    void accumulate(const AnimationState& state, float weight);

    // The table slot of a track name index, or -1.
    int32_t slotOf(int32_t nameIndex) const;

    Node* m_root;
    std::vector<core::CountedRef<AnimationState>> m_states;
    // One slot per distinct name of the hierarchy: the table is as large as
    // the controller's own nodes, however many track names the process holds.
    std::unordered_map<int32_t, int32_t> m_slots;  // track name index -> slot
    std::vector<Node*> m_nodes;                     // by slot
    std::vector<AnimationEvent> m_events;
    std::vector<Accumulator> m_accumulators;  // by slot, reused by every sample
};

} // namespace engine
