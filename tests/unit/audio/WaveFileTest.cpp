#include "engine/audio/WaveFile.h"

#include "audio/SoundFiles.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

using namespace sound;

namespace {

struct Case {
    const char* name;
    std::string file;
    const char* error;  // "" when the file loads
    uint32_t dataSize;
};

} // namespace

TEST(WaveFile, ReadsChunksAndRejectsWhatIsNotPcm) {
    TempDirectory folder;
    const std::string pcm = format(1, 2, 22050, 16);
    const std::string data = chunk("data", std::string(40, '\x11'));
    const std::string list = chunk("LIST", std::string(14, 'x'));
    std::string truncated = riff(chunk("fmt ", pcm) + data);
    truncated.resize(truncated.size() - 10);
    const Case cases[] = {
        {"plain", riff(chunk("fmt ", pcm) + data), "", 40},
        {"other chunk skipped", riff(chunk("fmt ", pcm) + list + data), "", 40},
        {"18-byte fmt", riff(chunk("fmt ", format(1, 2, 22050, 16, std::string(2, '\0'))) + data), "", 40},
        {"later data chunk wins", riff(chunk("fmt ", pcm) + data + chunk("data", std::string(8, 'y'))), "", 8},
        {"not RIFF", "RIFX" + riff(chunk("fmt ", pcm)).substr(4), "Not a RIFF file.", 0},
        {"not WAVE", riff(chunk("fmt ", pcm), "AVI "), "Not a WAVE file.", 0},
        {"float samples", riff(chunk("fmt ", format(3, 1, 44100, 32)) + data), "Not a PCM waveform file.", 0},
        {"ends inside data", truncated, "Read failed", 0},
        {"data larger than the file", riff(chunk("fmt ", pcm) + "data\xff\xff\xff\x7f"), "Read failed", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory::write("sound.wav", c.file);
        engine::WaveData wave;
        std::string message = messageOf([&] { engine::readWaveFile("sound.wav", wave); });
        if (*c.error == '\0') {
            EXPECT_EQ(message, "");
            EXPECT_EQ(wave.formatTag, 1);
            EXPECT_EQ(wave.channels, 2);
            EXPECT_EQ(wave.sampleRate, 22050u);
            EXPECT_EQ(wave.averageBytesPerSecond, 88200u);
            EXPECT_EQ(wave.blockAlign, 4);
            EXPECT_EQ(wave.bitsPerSample, 16);
            EXPECT_EQ(wave.dataSize, c.dataSize);
            EXPECT_EQ(wave.data.size(), c.dataSize);
        } else {
            EXPECT_NE(message.find(c.error), std::string::npos) << message;
        }
    }
}

TEST(WaveFile, AMissingFileIsNotFound) {
    TempDirectory folder;
    engine::WaveData wave;
    EXPECT_NE(messageOf([&] { engine::readWaveFile("none.wav", wave); }).find("none.wav"), std::string::npos);
}

TEST(WaveFile, TheExtensibleFormatReadsAsPcmOnlyForThePcmSubFormat) {
    TempDirectory folder;
    const std::string data = chunk("data", std::string(60, '\x22'));
    TempDirectory::write("pcm24.wav", riff(chunk("fmt ", extensibleFormat(1, 2, 48000, 24)) + data));
    engine::WaveData wave;
    EXPECT_EQ(messageOf([&] { engine::readWaveFile("pcm24.wav", wave); }), "");
    EXPECT_EQ(wave.formatTag, 1);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.sampleRate, 48000u);
    EXPECT_EQ(wave.blockAlign, 6);
    EXPECT_EQ(wave.bitsPerSample, 24);
    EXPECT_EQ(wave.dataSize, 60u);

    // Float samples, and an extensible chunk too short to name its sub-format.
    std::string shortened = format(0xFFFE, 2, 48000, 24, std::string(2, '\0'));
    for (const std::string& fmt : {extensibleFormat(3, 2, 48000, 32), shortened}) {
        TempDirectory::write("other.wav", riff(chunk("fmt ", fmt) + data));
        EXPECT_EQ(messageOf([&] { engine::readWaveFile("other.wav", wave); }), "Not a PCM waveform file.");
    }
}
