// Fuzzes TrueType rasterising in both styles: the input is the font file's
// bytes. Host exceptions are the expected way to fail.
#include "core/Exception.h"
#include "engine/draw/TrueTypeFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (engine::FontStyle style : {engine::FontStyle::Plain, engine::FontStyle::Stroke}) {
        try {
            engine::rasterizeTrueType(bytes, 16, style);
        } catch (const core::Exception&) {
        }
    }
    return 0;
}
