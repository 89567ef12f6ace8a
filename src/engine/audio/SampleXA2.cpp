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
    m_format = FAudioWaveFormatEx{};
    m_format.wFormatTag = FAUDIO_FORMAT_PCM;
    m_format.nChannels = wave.channels;
    m_format.nSamplesPerSec = wave.sampleRate;
    m_format.nAvgBytesPerSec = wave.averageBytesPerSecond;
    m_format.nBlockAlign = wave.blockAlign;
    m_format.wBitsPerSample = wave.bitsPerSample;
    m_format.cbSize = 0;

    m_frameCount = frameCount;
    m_buffer = FAudioBuffer{};
    m_buffer.Flags = FAUDIO_END_OF_STREAM;
    m_buffer.AudioBytes = wave.dataSize;
    m_buffer.pAudioData = m_data->data();
    m_buffer.PlayLength = m_frameCount;
}

} // namespace engine
