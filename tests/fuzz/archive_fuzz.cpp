// Fuzzes archive parsing and entry decoding: the input is written out as an
// archive file, mounted with the host's key, and every entry is opened, read
// whole and sought at its ends. Host exceptions are the expected way to fail.
#include "core/ArchiveFileSystem.h"
#include "core/ArchiveKey.h"
#include "core/Exception.h"

#include "ScratchFile.h"

namespace {

void readWhole(core::File& file) {
    std::string content(static_cast<size_t>(file.getLength()), '\0');
    file.read(content.data(), static_cast<int64_t>(content.size()));
    file.seek(file.getLength());
    file.seek(0);
    try {
        file.seek(file.getLength() + 1);
    } catch (const core::Exception&) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = writeScratchFile(data, size, ".dat");
    if (path.empty())
        return 0;

    try {
        core::ArchiveFileSystem archive(path);
        archive.setKey(core::mainArchiveKey());
        int opened = 0;
        for (const core::archive::Entry& entry : archive.entries()) {
            if (++opened > 64)
                break;
            try {
                readWhole(*archive.openEntry(entry, "entry"));
            } catch (const core::Exception&) {
            }
        }
    } catch (const core::Exception&) {
    }
    return 0;
}
