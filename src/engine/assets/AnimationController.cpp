#include "engine/assets/AnimationController.h"

#include "engine/scene/NodeHolders.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace engine {

namespace {

// The two keys a state samples and the fraction between them, before they
// are fitted to a track. floor rather than truncation keeps the fraction in
// 0..1 for negative times (a clip played backwards), so they interpolate
// instead of extrapolating away from key 0.
struct KeyPair {
    int32_t i = 0, j = 0;
    float f = 0;
};

KeyPair keyPair(float time, float framesPerSecond, int32_t frameCount, bool loop) {
    double p = double(time * framesPerSecond);
    double last = double(frameCount - 1);
    KeyPair keys;
    if (loop) {
        if (!std::isfinite(p))
            return keys;
        double whole = std::floor(p);
        keys.f = float(p - whole);
        double i = std::fmod(whole, double(frameCount));
        if (i < 0)
            i += frameCount;
        keys.i = int32_t(i);
        keys.j = keys.i + 1 < frameCount ? keys.i + 1 : 0;
    } else {
        p = std::isnan(p) ? 0 : std::clamp(p, 0.0, last);
        double whole = std::floor(p);
        keys.f = float(p - whole);
        keys.i = int32_t(whole);
        keys.j = std::min(keys.i + 1, frameCount - 1);
    }
    return keys;
}

float dot(const Quat& a, const Quat& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

void addScaled(Quat& sum, const Quat& q, float s) {
    sum.x += q.x * s;
    sum.y += q.y * s;
    sum.z += q.z * s;
    sum.w += q.w * s;
}

} // namespace

void AnimationState::advance(float dt) {
    time += dt * speed;
    if (!loop && animation && time > animation->length())
        enabled = false;
}

AnimationController::AnimationController(Node* root) : m_root(root) {
    m_states.reserve(16);
    m_events.reserve(64);
    // Depth first without recursion: a long chain of bones must not exhaust the stack.
    for (Node* node = root; node;) {
        auto [slot, added] = m_slots.try_emplace(internTrackName(node->name()), int32_t(m_nodes.size()));
        if (added)
            m_nodes.push_back(node);
        else
            m_nodes[size_t(slot->second)] = node;
        if (node->firstChild()) {
            node = node->firstChild();
            continue;
        }
        while (node != root && !node->nextSibling())
            node = node->parent();
        node = node == root ? nullptr : node->nextSibling();
    }
    m_accumulators.resize(m_nodes.size());

    // The root is held even when another node of its name took its place in the table.
    if (root)
        NodeHolders<AnimationController>::hold(root, this);
    for (Node* node : m_nodes)
        if (node && node != root)
            NodeHolders<AnimationController>::hold(node, this);
}

AnimationController::~AnimationController() {
    if (m_root)
        NodeHolders<AnimationController>::release(m_root, this);
    for (Node* node : m_nodes)
        if (node && node != m_root)
            NodeHolders<AnimationController>::release(node, this);
}

void AnimationController::forget(const Node* node) {
    if (m_root == node)
        m_root = nullptr;
    std::replace(m_nodes.begin(), m_nodes.end(), const_cast<Node*>(node), static_cast<Node*>(nullptr));
}

AnimationState* AnimationController::addClip(Animation* animation, const std::string& name) {
    AnimationState* state = findState(name);
    if (!state) {
        m_states.emplace_back(new AnimationState);
        state = m_states.back().get();
    }
    state->animation = core::CountedRef<Animation>(animation);
    state->name = name;
    return state;
}

bool AnimationController::play(const std::string& name, bool loop, int32_t layer) {
    // Looked up first, so that a wrong name leaves the layer playing.
    AnimationState* state = findState(name);
    if (!state)
        return false;
    for (const auto& other : m_states)
        if (other->layer == layer)
            other->enabled = false;
    state->time = 0;
    state->layer = layer;
    state->loop = loop;
    state->weight = 1;
    state->enabled = true;
    return true;
}

void AnimationController::stop() {
    for (const auto& state : m_states)
        state->enabled = false;
}

bool AnimationController::isPlaying(const std::string& name) const {
    const AnimationState* state = findState(name);
    return state && state->enabled && state->animation && state->time < state->animation->length();
}

AnimationState* AnimationController::findState(const std::string& name) const {
    for (const auto& state : m_states)
        if (state->name == name)
            return state.get();
    return nullptr;
}

int32_t AnimationController::slotOf(int32_t nameIndex) const {
    auto found = m_slots.find(nameIndex);
    return found == m_slots.end() ? -1 : found->second;
}

Node* AnimationController::nodeForTrack(int32_t nameIndex) const {
    int32_t slot = slotOf(nameIndex);
    return slot < 0 ? nullptr : m_nodes[size_t(slot)];
}

size_t AnimationController::selectStates(Blend* blends) const {
    size_t count = 0;
    for (const auto& state : m_states) {
        if (count == MaxBlendedStates)
            break;
        // A state without a clip has nothing to blend.
        if (state->enabled && state->weight != 0 && state->animation)
            blends[count++] = {state.get(), state->weight};
    }
    std::stable_sort(blends, blends + count, [](const Blend& a, const Blend& b) { return a.state->layer > b.state->layer; });

    // Higher layers take their own weights while they leave some of the
    // whole; the layer that fills it (or the lowest) shares what remains.
    float remaining = 1;
    for (size_t group = 0; group < count;) {
        size_t end = group;
        float sum = 0;
        while (end < count && blends[end].state->layer == blends[group].state->layer)
            sum += blends[end++].weight;
        if (sum < remaining && end < count) {
            remaining -= sum;
            group = end;
            if (remaining <= 0)
                return end;
            continue;
        }
        // Weights that cancel out (a script's negative weight) share nothing.
        float scale = sum != 0 ? remaining / sum : 0;
        for (size_t k = group; k < end; ++k)
            blends[k].weight *= scale;
        return end;
    }
    return count;
}

void AnimationController::accumulate(const AnimationState& state, float w) {
    const Animation& animation = *state.animation;
    KeyPair keys = keyPair(state.time, animation.framesPerSecond(), animation.frameCount(), state.loop);
    float a = (1 - keys.f) * w;
    float b = keys.f * w;
    for (const AnimationTrack& track : animation.tracks()) {
        int32_t slot = slotOf(track.nameIndex);
        if (slot < 0 || !m_nodes[size_t(slot)] || track.keys.empty())
            continue;
        // A track shorter than the clip holds its last key.
        auto last = int32_t(track.keys.size()) - 1;
        const AnimationKey& A = track.keys[size_t(std::min(keys.i, last))];
        const AnimationKey& B = track.keys[size_t(std::min(keys.j, last))];
        Accumulator& acc = m_accumulators[size_t(slot)];
        acc.position += A.position * a + B.position * b;
        acc.scale += A.scale * a + B.scale * b;
        // The short way between the keys.
        float bq = dot(A.rotation, B.rotation) < 0 ? -b : b;
        Quat q{0, 0, 0, 0};
        addScaled(q, A.rotation, a);
        addScaled(q, B.rotation, bq);
        // q and -q are the same rotation: states blend on the sum's side, so
        // that two clips holding one pose do not cancel out.
        addScaled(acc.rotation, q, dot(acc.rotation, q) < 0 ? -1.0f : 1.0f);
        acc.weight += w;
    }
}

void AnimationController::sample() {
    std::array<Blend, MaxBlendedStates> blends;
    size_t count = selectStates(blends.data());
    if (count == 0)
        return;
    for (size_t k = 0; k < count; ++k)
        if (blends[k].state->animation->frameCount() <= 0)
            return;

    std::fill(m_accumulators.begin(), m_accumulators.end(), Accumulator{});
    for (size_t k = 0; k < count; ++k)
        accumulate(*blends[k].state, blends[k].weight);

    for (size_t index = 0; index < m_nodes.size(); ++index) {
        const Accumulator& acc = m_accumulators[index];
        if (!m_nodes[index] || !(acc.weight > 0))
            continue;
        Quat q = acc.rotation;
        float length = std::sqrt(dot(q, q));
        q = length > 0 ? Quat{q.x / length, q.y / length, q.z / length, q.w / length} : Quat{};
        Vec3 scale = acc.scale / acc.weight;
        Mat4x3 local;
        local.rot = Mat3::fromQuat(q);
        local.rot.row[0] = local.rot.row[0] * scale.x;
        local.rot.row[1] = local.rot.row[1] * scale.y;
        local.rot.row[2] = local.rot.row[2] * scale.z;
        local.pos = acc.position / acc.weight;
        m_nodes[index]->setTransform(local);
    }
}

void AnimationController::advance(float dt) {
    m_events.clear();
    for (const auto& state : m_states) {
        if (!state->enabled || !state->animation)
            continue;
        const Animation& animation = *state->animation;
        float length = animation.length();
        float step = dt * state->speed;
        float start = state->loop ? std::fmod(state->time, length) : state->time;
        for (const AnimationEvent& event : animation.events())
            if (start <= event.time && event.time < start + step)
                m_events.push_back(event);
        state->time += step;
        if (!state->loop && state->time > length)
            state->enabled = false;
    }
}

void AnimationController::update(float dt) {
    sample();
    advance(dt);
}

} // namespace engine
