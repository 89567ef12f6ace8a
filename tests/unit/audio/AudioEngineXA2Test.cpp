#include "engine/audio/AudioEngineXA2.h"
#include "engine/audio/SampleXA2.h"

#include "audio/DiskAudio.h"
#include "audio/SoundFiles.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using engine::SoundSourceXA2;
using State = SoundSourceXA2::PlayState;

namespace {

// A world with a listener at the origin looking down +Z, and one 3D-capable
// source on its own node.
struct Scene {
    explicit Scene(engine::AudioEngineXA2& engine)
        : world(static_cast<engine::AudioWorldXA2*>(engine.createWorld())), listener(engine.createListener()),
          source(static_cast<SoundSourceXA2*>(world->createSoundSource())) {
        node.setComponent(engine::Component::SoundSourceKind, source);
    }

    void frame(engine::AudioEngine& engine, bool rendered = true) {
        engine.beginFrame();
        if (rendered)
            engine.render(*world, *listener);
        engine.endFrame();
    }

    std::unique_ptr<engine::AudioWorldXA2> world;
    std::unique_ptr<engine::AudioListener> listener;
    engine::Node node;
    SoundSourceXA2* source;  // held by the node
};

// The chunks of a 24-bit stereo extensible WAVE file: 0.1 s of a sine on the left.
std::string chunk24() {
    return sound::chunk("fmt ", sound::extensibleFormat(1, 2, 44100, 24)) +
           sound::chunk("data", sound::leftSine24(4410, 44100, 440.0));
}

// Held for the test, so the registry forgets the sample when the test ends.
core::CountedRef<engine::Sample> loadSample(engine::AudioEngine& engine, const std::string& name) {
    return core::CountedRef<engine::Sample>(engine::Sample::load(engine, name));
}

} // namespace

TEST(AudioEngineXA2, DistanceCurve) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct {
        float distance, min, max;
        double gain;
    } cases[] = {
        {1.0f, 1.0f, 10.0f, 0.99654256},   // at the minimum distance
        {0.2f, 1.0f, 10.0f, 0.99654256},   // nearer is clamped
        {5.5f, 1.0f, 10.0f, (1.0 / 9.0 - 0.0588) * 1.0588},
        {10.0f, 1.0f, 10.0f, 0.0000249},   // at the maximum
        {400.0f, 1.0f, 10.0f, 0.0000249},  // beyond
        {3.0f, 3.0f, 3.0f, 0.99654256},    // equal distances: a step, not a division by zero
        {3.5f, 3.0f, 3.0f, 0.0000249},
        {nan, 1.0f, 10.0f, 0.99654256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.distance);
        EXPECT_NEAR(engine::distanceGain(c.distance, c.min, c.max), c.gain, 2e-8);  // the constants are rounded
    }
}

TEST(AudioEngineXA2, NoAudioDeviceIsAnError) {
    setenv("SDL_AUDIODRIVER", "none-such", 1);
    EXPECT_EQ(messageOf([] { engine::AudioEngineXA2 engine; }), "XAudio2 error in CreateMasteringVoice");
    // The factory keeps no engine that failed.
    EXPECT_EQ(messageOf([] { engine::createAudioEngine(engine::AudioEngineKind::XAudio2); }),
              "XAudio2 error in CreateMasteringVoice");
    EXPECT_EQ(engine::AudioEngine::current(), nullptr);
}

TEST(AudioEngineXA2, ThreeDimensionalSourcesPanToTheirSide) {
    TempDirectory folder;
    TempDirectory::write("tone.wav", sound::sineWave(4410));
    double level[2][2];  // [source on the left, on the right][channel]
    for (int side = 0; side < 2; ++side) {
        DiskAudio audio(folder.path() + "/out.raw");
        ASSERT_GE(audio.channels(), 2);
        Scene scene(audio.engine());
        scene.node.setPosition({side ? 3.0f : -3.0f, 0.0f, 0.0f});
        scene.source->setLoop(true);
        scene.source->play(*loadSample(audio.engine(), "tone.wav"), true);
        ASSERT_TRUE(audio.runFor(24000, [&] { scene.frame(audio.engine()); }));
        scene.source->stop();
        sound::Output out = audio.finish();
        ASSERT_GT(out.frames(), 12000u);
        level[side][0] = out.rms(0, 0, out.frames());
        level[side][1] = out.rms(1, 0, out.frames());
    }
    EXPECT_GT(level[0][0], 0.02);
    EXPECT_GT(level[0][0], 3 * level[0][1]) << "left source, right channel " << level[0][1];
    EXPECT_GT(level[1][1], 0.02);
    EXPECT_GT(level[1][1], 3 * level[1][0]) << "right source, left channel " << level[1][0];
}

TEST(AudioEngineXA2, DistanceAttenuatesOnlyThreeDimensionalSources) {
    TempDirectory folder;
    TempDirectory::write("tone.wav", sound::sineWave(4410));
    // Straight ahead: near, far, and far but played flat.
    struct {
        float z;
        bool is3D;
    } cases[] = {{1.0f, true}, {10.0f, true}, {10.0f, false}};
    double level[3];
    for (int i = 0; i < 3; ++i) {
        DiskAudio audio(folder.path() + "/out.raw");
        Scene scene(audio.engine());
        scene.node.setPosition({0.0f, 0.0f, cases[i].z});
        scene.source->setLoop(true);
        scene.source->play(*loadSample(audio.engine(), "tone.wav"), cases[i].is3D);
        ASSERT_TRUE(audio.runFor(12000, [&] { scene.frame(audio.engine()); }));
        sound::Output out = audio.finish();
        level[i] = out.rms(0, 0, out.frames()) + out.rms(1, 0, out.frames());
    }
    EXPECT_GT(level[0], 0.02);
    EXPECT_LT(level[1], level[0] * 0.001) << "at the maximum distance";
    EXPECT_GT(level[2], 0.02) << "flat sources ignore distance";
}

TEST(AudioEngineXA2, WorldsNotRenderedPauseAndResumeWhereTheyStopped) {
    TempDirectory folder;
    const int length = 8820;  // 0.2 s
    TempDirectory::write("tone.wav", sound::sineWave(length));
    DiskAudio audio(folder.path() + "/out.raw");
    Scene scene(audio.engine());
    scene.source->setLoop(true);
    scene.source->play(*loadSample(audio.engine(), "tone.wav"), false);
    EXPECT_TRUE(scene.source->isPlaying()) << "pending counts as playing";
    EXPECT_EQ(scene.source->getSamplePosition(), 0u) << "pending";

    // Play past the end of the sample once, so the position wraps.
    scene.frame(audio.engine());
    ASSERT_EQ(scene.source->state(), State::Playing);
    ASSERT_TRUE(DiskAudio::runUntil([&] { return scene.source->getSamplePosition() > length * 3 / 2; },
                                    [&] { scene.frame(audio.engine()); }));
    uint32_t before = scene.source->getSamplePosition();
    size_t pausedAt = audio.framesWritten();

    scene.frame(audio.engine(), false);
    EXPECT_EQ(scene.source->state(), State::Paused);
    EXPECT_TRUE(scene.source->isPlaying());
    EXPECT_EQ(scene.source->getSamplePosition(), 0u) << "paused";
    uint32_t resume = scene.source->resumePosition();
    EXPECT_LT(resume, uint32_t(length));
    ASSERT_TRUE(audio.runFor(24000, [&] { scene.frame(audio.engine(), false); }));
    size_t resumedAt = audio.framesWritten();

    scene.frame(audio.engine());
    EXPECT_EQ(scene.source->state(), State::Playing);
    // The voice's count goes on from where it stopped, so the next pause
    // lands on the same place in the sample as the count says.
    uint32_t after = scene.source->getSamplePosition();
    EXPECT_GE(after, before);
    ASSERT_TRUE(audio.runFor(12000, [&] { scene.frame(audio.engine()); }));
    scene.frame(audio.engine(), false);
    EXPECT_LT(scene.source->resumePosition(), uint32_t(length));

    sound::Output out = audio.finish();
    const size_t margin = 6000;  // what the device had mixed ahead of a change
    EXPECT_GT(out.rms(0, 0, pausedAt), 0.1) << "playing";
    EXPECT_LT(out.rms(0, pausedAt + margin, resumedAt), 1e-6) << "paused";
    EXPECT_GT(out.rms(0, resumedAt + margin, out.frames()), 0.1) << "resumed";
}

TEST(AudioEngineXA2, SamplesEndUnlessLooping) {
    TempDirectory folder;
    TempDirectory::write("click.wav", sound::sineWave(2205));  // 50 ms
    DiskAudio audio(folder.path() + "/out.raw");
    Scene scene(audio.engine());
    scene.source->play(*loadSample(audio.engine(), "click.wav"), false);
    EXPECT_TRUE(DiskAudio::runUntil([&] { return !scene.source->isPlaying(); }, [&] { scene.frame(audio.engine()); }));
    EXPECT_EQ(scene.source->state(), State::Stopped);
    EXPECT_TRUE(scene.source->hasVoice()) << "the voice stays until the next play or stop";

    // The loop flag applies at the next start: a playing sample goes on as it began.
    scene.source->setLoop(true);
    scene.source->play(*loadSample(audio.engine(), "click.wav"), false);
    ASSERT_TRUE(audio.runFor(9000, [&] { scene.frame(audio.engine()); }));
    EXPECT_EQ(scene.source->state(), State::Playing) << "looping";
    EXPECT_GT(scene.source->getSamplePosition(), 2205u);
}

// Audio tools write 24-bit sound in the extensible format: its left channel
// must stay on the left, which a misread sample width would smear over both.
TEST(AudioEngineXA2, ExtensibleTwentyFourBitStereoPlays) {
    TempDirectory folder;
    TempDirectory::write("wide.wav", sound::riff(chunk24()));
    DiskAudio audio(folder.path() + "/out.raw");
    ASSERT_GE(audio.channels(), 2);
    Scene scene(audio.engine());
    scene.source->setLoop(true);
    scene.source->play(*loadSample(audio.engine(), "wide.wav"), false);
    ASSERT_TRUE(audio.runFor(12000, [&] { scene.frame(audio.engine()); }));
    sound::Output out = audio.finish();
    double left = out.rms(0, 0, out.frames()), right = out.rms(1, 0, out.frames());
    EXPECT_GT(left, 0.05);
    EXPECT_LT(right, left * 0.01);
}

TEST(AudioEngineXA2, PlayFailuresAndSettingsWithoutAVoice) {
    TempDirectory folder;
    TempDirectory::write("stereo.wav", sound::sineWave(441, 2));
    TempDirectory::write("mono.wav", sound::sineWave(441, 1));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    engine::AudioEngineXA2 engine;
    Scene scene(engine);
    core::CountedRef<engine::Sample> stereo = loadSample(engine, "stereo.wav");

    EXPECT_EQ(messageOf([&] { scene.source->play(*stereo, true); }), "Trying to play non-mono 3D sound: stereo.wav");
    EXPECT_EQ(scene.source->state(), State::Stopped);
    EXPECT_FALSE(scene.source->hasVoice());
    EXPECT_FALSE(scene.source->isPlaying());

    scene.source->setVolume(0.25f);
    scene.source->setMute(true);
    scene.source->setMinDistance(2.0f);
    scene.source->setMaxDistance(20.0f);
    EXPECT_EQ(scene.source->getVolume(), 0.25f);
    EXPECT_TRUE(scene.source->getMute());
    EXPECT_EQ(scene.source->getMinDistance(), 2.0f);
    EXPECT_EQ(scene.source->getMaxDistance(), 20.0f);

    scene.source->play(*stereo, false);
    EXPECT_EQ(scene.source->state(), State::StartPending);
    EXPECT_TRUE(scene.source->hasVoice());
    scene.source->stop();
    EXPECT_FALSE(scene.source->isPlaying());
    EXPECT_FALSE(scene.source->hasVoice());

    // A format no voice takes is refused as the voice would refuse it.
    TempDirectory::write("odd.wav", sound::riff(sound::chunk("fmt ", sound::format(1, 1, 44100, 12)) +
                                                sound::chunk("data", std::string(64, '\0'))));
    EXPECT_EQ(messageOf([&] { scene.source->play(*loadSample(engine, "odd.wav"), false); }),
              "XAudio2 error in CreateSourceVoice");
    EXPECT_FALSE(scene.source->isPlaying());

    // A source whose world has gone stays silent and safe.
    scene.source->play(*loadSample(engine, "mono.wav"), true);
    scene.world.reset();
    EXPECT_FALSE(scene.source->isPlaying());
    scene.source->play(*loadSample(engine, "mono.wav"), true);
    EXPECT_FALSE(scene.source->isPlaying());
    EXPECT_EQ(messageOf([&] { scene.source->playStream("none.ogg"); }), "File not found: none.ogg");
}

TEST(AudioEngineXA2, ReloadingAPlayingSampleKeepsTheVoiceSafe) {
    TempDirectory folder;
    TempDirectory::write("tone.wav", sound::sineWave(44100));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    engine::AudioEngineXA2 engine;
    Scene scene(engine);
    core::CountedRef<engine::Sample> sample = loadSample(engine, "tone.wav");
    scene.source->setLoop(true);
    scene.source->play(*sample, false);
    scene.frame(engine);
    ASSERT_TRUE(DiskAudio::runUntil([&] { return scene.source->getSamplePosition() > 4410; },
                                    [&] { scene.frame(engine); }));
    // Shorter than where it plays: the old data stays with the voice, and the
    // resume wraps into the new length.
    TempDirectory::write("tone.wav", sound::sineWave(441));
    sample->reload();
    scene.frame(engine, false);
    scene.frame(engine);
    EXPECT_EQ(scene.source->state(), State::Playing);

    TempDirectory::write("tone.wav", sound::riff(sound::chunk("fmt ", sound::format(1, 1, 44100, 16))));
    EXPECT_EQ(messageOf([&] { sample->reload(); }), "Failed to load sample from file tone.wav");
    EXPECT_EQ(static_cast<engine::SampleXA2*>(sample.get())->frameCount(), 441u) << "a failed load keeps the sound";
}
