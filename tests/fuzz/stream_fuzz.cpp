// Fuzzes the typed reads of the input streams: the first byte picks the byte
// order, the rest is both the stream's bytes and a script of reads over them.
#include "core/ByteArrayStreams.h"
#include "core/Exception.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    auto order = static_cast<core::ByteOrder>(data[0] % 3);
    core::ByteArrayInputStream stream(data + 1, static_cast<int64_t>(size - 1), false, order);
    float floats[16];
    for (size_t step = 1; step < size && step < 256; ++step) {
        try {
            switch (data[step] % 14) {
            case 0: stream.readByte(); break;
            case 1: stream.readSignedShort(); break;
            case 2: stream.readInt(); break;
            case 3: stream.readSignedInt(); break;
            case 4: stream.readFloat(); break;
            case 5: stream.readDouble(); break;
            case 6: stream.readBool(); break;
            case 7: stream.readString(); break;
            case 8: stream.readFloats(floats, 1 + data[step] % 16); break;
            case 9: stream.seek(data[step] * 3); break;
            case 10: stream.skip(static_cast<int8_t>(data[step])); break;
            case 11: stream.readByteString(static_cast<int8_t>(data[step])); break;
            case 12: stream.readShort(); break;
            default: stream.readByteString(stream.availableBytes()); break;
            }
        } catch (const core::Exception&) {
        }
    }
    return 0;
}
