// Fuzzes the WAVE reader: the input is written out as a file and read. Host
// exceptions are the expected way to fail.
#include "core/Exception.h"
#include "engine/audio/WaveFile.h"

#include "ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = writeScratchFile(data, size, ".wav");
    if (path.empty())
        return 0;
    try {
        engine::WaveData wave;
        engine::readWaveFile(path, wave);
    } catch (const core::Exception&) {
    }
    return 0;
}
