#include "engine/audio/WaveFile.h"

#include "core/Exception.h"
#include "core/FileStreams.h"

#include <cstring>

namespace engine {

namespace {
// The extensible format, which names the real one by a sub-format GUID; audio
// tools write it for 24-bit and multichannel sound.
constexpr uint16_t ExtensibleTag = 0xFFFE;
constexpr size_t ExtensibleFormatSize = 40;
// The PCM sub-format GUID as stored: 00000001-0000-0010-8000-00AA00389B71.
constexpr uint8_t PcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                      0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Reads the extension after the sixteen standard bytes of a "fmt " chunk:
// true when it names plain PCM samples. The valid bits and the channel mask
// change nothing here: the samples fill their containers as format 1's do.
bool isPcmExtension(core::InputStream& in, uint32_t chunkSize) {
    if (chunkSize < ExtensibleFormatSize)
        return false;
    uint8_t extension[24];
    in.readBytes(extension, sizeof extension);
    return std::memcmp(extension + 8, PcmSubFormat, sizeof PcmSubFormat) == 0;
}

constexpr uint32_t fourCC(const char (&id)[5]) {
    return uint32_t(uint8_t(id[0])) | uint32_t(uint8_t(id[1])) << 8 | uint32_t(uint8_t(id[2])) << 16 |
           uint32_t(uint8_t(id[3])) << 24;
}
} // namespace

void readWaveFile(const std::string& fileName, WaveData& wave) {
    wave = WaveData();
    core::FileInputStream in(fileName, core::ByteOrder::LittleEndian);

    uint32_t id = in.readInt();
    uint32_t riffSize = in.readInt();
    uint32_t form = in.readInt();
    if (id != fourCC("RIFF"))
        throw core::Exception("Not a RIFF file.");
    if (form != fourCC("WAVE"))
        throw core::Exception("Not a WAVE file.");

    uint32_t remaining = riffSize - 4;
    while (remaining != 0) {
        uint32_t chunkId = in.readInt();
        uint32_t chunkSize = in.readInt();
        remaining -= 8;
        int64_t start = in.getPosition();

        if (chunkId == fourCC("fmt ")) {
            wave.formatTag = in.readShort();
            wave.channels = in.readShort();
            wave.sampleRate = in.readInt();
            wave.averageBytesPerSecond = in.readInt();
            wave.blockAlign = in.readShort();
            wave.bitsPerSample = in.readShort();
            if (wave.formatTag == ExtensibleTag && isPcmExtension(in, chunkSize))
                wave.formatTag = 1;
            if (wave.formatTag != 1)
                throw core::Exception("Not a PCM waveform file.");
        } else if (chunkId == fourCC("data")) {
            // A size the file cannot hold fails like the read would, before
            // anything is allocated for it.
            if (chunkSize > in.availableBytes())
                throw core::FileReadFailedException(fileName.c_str());
            std::vector<uint8_t> data(chunkSize);
            in.readBytes(data.data(), chunkSize);
            wave.data = std::move(data);
            wave.dataSize = chunkSize;
        }

        int64_t consumed = in.getPosition() - start;
        if (consumed < chunkSize)
            in.skip(chunkSize - consumed);
        if (remaining == chunkSize)
            break;
        remaining -= chunkSize;
    }
}

} // namespace engine
