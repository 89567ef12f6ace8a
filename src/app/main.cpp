// The host: no command line; the main script is "init.lua" through the file
// systems, or the project a script selects.
#include "app/Application.h"
#include "core/ArchiveFileSystem.h"
#include "core/ArchiveKey.h"
#include "core/Exception.h"
#include "core/MessageBox.h"
#include "core/ProcessEntry.h"
#include "core/Profiler.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {
const char* const ArchiveName = "tallowen.dat";

// The game's content is in the archive: without it nothing can run, so the
// host says why and stops before any script starts.
std::unique_ptr<core::ArchiveFileSystem> mountDataArchive() {
    try {
        auto archive = std::make_unique<core::ArchiveFileSystem>(ArchiveName);
        archive->setKey(core::mainArchiveKey());
        core::mount(archive.get(), 0);
        return archive;
    } catch (const core::Exception& e) {
        std::string message = std::string("The data archive ") + ArchiveName +
                              " could not be mounted, so the game cannot start.\n\n" + e.getMessage();
        fprintf(stderr, "%s\n", message.c_str());
        fflush(stderr);
        core::showMessageBox("Cannot start", message, core::MessageButtons::Ok);
        return nullptr;
    }
}
} // namespace

int main() {
    core::startProcess();
    // The profiler's frame clock runs from the start of the process.
    core::Profiler::instance();
    std::unique_ptr<core::ArchiveFileSystem> archive = mountDataArchive();
    if (!archive)
        return 1;
    {
        Application app;
        app.run();
    }
    return 0;
}
