// Fuzzes the ANIM reader: every file it accepts must survive being written and
// read again unchanged, and play on a hierarchy of its track names without
// reading outside its keys, whatever its frame rate, frame count and key
// counts; or end in a host exception at worst.
#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "engine/assets/Animation.h"
#include "engine/assets/AnimationController.h"
#include "engine/scene/Node.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool sameKeys(const engine::AnimationTrack& a, const engine::AnimationTrack& b) {
    return a.keys.size() == b.keys.size() &&
           (a.keys.empty() || memcmp(a.keys.data(), b.keys.data(), a.keys.size() * sizeof a.keys[0]) == 0);
}

void play(engine::Animation* animation) {
    engine::Node root;
    std::vector<std::unique_ptr<engine::Node>> nodes;
    for (size_t i = 0; i < animation->tracks().size() && i < 8; ++i) {
        nodes.push_back(std::make_unique<engine::Node>());
        nodes.back()->setName(animation->tracks()[i].nodeName);
        nodes.back()->addTo(&root);
    }
    engine::AnimationController controller(&root);
    engine::AnimationState* state = controller.addClip(animation, "clip");
    for (bool loop : {false, true}) {
        controller.play("clip", loop, 0);
        for (float time : {0.0f, 0.37f, -1.5f, 1e9f, animation->length()}) {
            state->time = time;
            controller.update(0.25f);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<engine::Animation> animation;
    try {
        core::ByteArrayInputStream stream(data, static_cast<int64_t>(size), false, core::ByteOrder::LittleEndian);
        animation = engine::readAnimation(stream);
    } catch (const core::Exception&) {
        return 0;
    }
    for (const engine::AnimationTrack& track : animation->tracks())
        if (track.nameIndex < 0 || track.nameIndex >= engine::trackNameCount())
            abort();
    core::ByteArrayOutputStream out(core::ByteOrder::LittleEndian);
    engine::writeAnimation(out, *animation);
    core::ByteArrayInputStream again(out.data(), int64_t(out.size()), false, core::ByteOrder::LittleEndian);
    std::unique_ptr<engine::Animation> copy = engine::readAnimation(again);
    if (copy->name() != animation->name() || copy->frameCount() != animation->frameCount() ||
        copy->tracks().size() != animation->tracks().size())
        abort();
    for (size_t i = 0; i < copy->tracks().size(); ++i)
        if (copy->tracks()[i].nodeName != animation->tracks()[i].nodeName ||
            !sameKeys(copy->tracks()[i], animation->tracks()[i]))
            abort();
    // The controller's state holds the clip by a counted reference from here on.
    play(animation.release());
    return 0;
}
