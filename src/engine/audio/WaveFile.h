#pragma once

// RIFF WAVE files holding PCM sound, read whole into memory.

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct WaveData {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;  // the size of one frame
    uint16_t bitsPerSample = 0;
    uint32_t dataSize = 0;
    std::vector<uint8_t> data;  // empty until a data chunk is read
};

// Reads the file through the file systems into wave, replacing what it held.
// The extensible format (tag 0xFFFE) with the PCM sub-format reads as format 1.
// Throws core::Exception "Not a RIFF file.", "Not a WAVE file." or "Not a PCM
// waveform file.", or the stream's read failure for a file that ends inside a chunk.
void readWaveFile(const std::string& fileName, WaveData& wave);

} // namespace engine
