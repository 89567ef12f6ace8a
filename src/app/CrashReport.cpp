#include "app/CrashReport.h"

#include "app/Application.h"
#include "core/CursorDisplay.h"
#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "core/MessageBox.h"
#include "core/ProcessControl.h"
#include "core/SystemInfo.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {
void writeLine(core::File& file, const char* format, ...) __attribute__((format(printf, 2, 3)));

void writeLine(core::File& file, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0)
        file.write(line, std::min<int>(length, sizeof line - 1));
}
} // namespace

std::string errorLogFolder() {
    std::string folder = core::documentsFolder();
    if (Application* app = application())
        folder += "/" + app->companyName + "/" + app->applicationName;
    return folder;
}

std::string writeErrorLog(const std::string& errorText) {
    try {
        std::string folder = errorLogFolder();
        core::createPath(folder);
        std::string path = folder + "/error.log";

        std::unique_ptr<core::File> file = core::createFile(path);
        file->write(errorText.data(), static_cast<int64_t>(errorText.size()));
        file->write("\n\n", 2);

        core::OsVersion version = core::osVersion();
        writeLine(*file, "OS Version %d.%d\n", version.major, version.minor);
        writeLine(*file, "\n");

        core::ProcessorInfo processor = core::processorInfo();
        writeLine(*file, "OEM ID: %u\n", processor.oemId);
        writeLine(*file, "Number of processors: %u\n", processor.processorCount);
        writeLine(*file, "Page size: %u\n", processor.pageSize);
        writeLine(*file, "Processor type: %u\n", processor.processorType);
        writeLine(*file, "\n");

        core::MemoryStatus memory = core::memoryStatus();
        writeLine(*file, "Total memory: %d MB\n", static_cast<int>(memory.totalPhysical >> 20));
        writeLine(*file, "Free memory: %d MB\n", static_cast<int>(memory.availablePhysical >> 20));
        writeLine(*file, "\n");

        int index = 0;
        for (const core::DisplayDevice& device : core::displayDevices()) {
            writeLine(*file, "Display device %d:\n", index++);
            writeLine(*file, "  Device name: %s\n", device.name.c_str());
            writeLine(*file, "  Device string: %s\n", device.description.c_str());
            writeLine(*file, "  State flags: %08x\n", device.stateFlags);
            writeLine(*file, "\n");
        }
        return path;
    } catch (const core::Exception&) {
        return std::string();
    }
}

void followErrorLogFolder() {
    try {
        core::setDebugLogFolder(errorLogFolder());
    } catch (const core::Exception&) {
        core::setDebugLogFolder(std::string());
    }
}

namespace {
const int CrashExitCode = -1;  // 255 as a POSIX exit status

// The box's last line: where the player sends the log. A game names its
// address with sys.setSupportAddress.
std::string supportSentence(const std::string& supportAddress) {
    if (supportAddress.empty())
        return "Please e-mail this file to the game's developers so that they can fix the problem.";
    return "Please e-mail this file to " + supportAddress + " so that we can fix the problem.";
}

void writeToStderr(const std::string& text) {
    fwrite(text.data(), 1, text.size(), stderr);
    fflush(stderr);
}
} // namespace

void crashReport(const std::string& errorText) {
    core::exitOnTerminationRequest(CrashExitCode);
    // The developer's terminal gets the error first: a box may be unseen,
    // fail to open or be closed by a signal.
    fflush(stdout);
    writeToStderr("Software Failure\n\n" + errorText + "\n");

    std::string logPath = writeErrorLog(errorText);
    std::string logLines;
    if (!logPath.empty()) {
        Application* app = application();
        logLines = "\n\nAn error log has been written to:\n" + logPath + "\n\n" +
                   supportSentence(app ? app->supportAddress : std::string()) + "\n";
        writeToStderr(logLines.substr(1));
    }

    // The message must not hide behind a game window or an invisible cursor.
    if (core::Frame* frame = core::Frame::mainFrame())
        frame->window().hide();
    core::showCursor(true);

    core::showMessageBox("Software Failure", errorText + logLines, core::MessageButtons::Ok);

    fflush(stdout);
    fflush(stderr);
    _exit(CrashExitCode);
}
