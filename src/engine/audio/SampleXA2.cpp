#include "engine/audio/SampleXA2.h"

#include "core/Exception.h"
#include "engine/audio/WaveFile.h"

namespace engine {

void SampleXA2::load(const char* fileName) {
    WaveData wave;
    readWaveFile(fileName, wave);
    // A failed load keeps the sound the sample had.
    uint32_t frameCount = wave.blockAlign ? wave.dataSize / wave.blockAlign : 0;
    if (frameCount == 0)
        throw core::Exception("Failed to load sample from file %s", fileName);

    m_data = std::make_shared<const std::vector<uint8_t>>(std::move(wave.data));
    m_format = AudioFormat{};
    m_format.channels = wave.channels;
    m_format.sampleRate = wave.sampleRate;
    m_format.averageBytesPerSecond = wave.averageBytesPerSecond;
    m_format.blockAlign = wave.blockAlign;
    m_format.bitsPerSample = wave.bitsPerSample;

    m_frameCount = frameCount;
    m_buffer = AudioBuffer{};
    m_buffer.flags = AudioBuffer::EndOfStream;
    m_buffer.audioBytes = wave.dataSize;
    m_buffer.audioData = m_data->data();
    m_buffer.playLength = m_frameCount;
}

} // namespace engine
