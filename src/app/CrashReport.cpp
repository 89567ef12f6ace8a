#include "app/CrashReport.h"

#include "app/Application.h"
#include "core/CursorDisplay.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "core/MessageBox.h"
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

std::string writeErrorLog(const std::string& errorText) {
    try {
        Application* app = application();
        std::string folder = core::documentsFolder();
        if (app)
            folder += "/" + app->companyName + "/" + app->applicationName;
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

void crashReport(const std::string& errorText) {
    std::string logPath = writeErrorLog(errorText);

    // The message must not hide behind a game window or an invisible cursor.
    if (core::Frame* frame = core::Frame::mainFrame())
        frame->window().hide();
    core::showCursor(true);

    std::string message = errorText;
    if (!logPath.empty()) {
        message += "\n\nAn error log has been written to:\n" + logPath + "\n\n";
        message += "Please e-mail this file to support@example.com so that we can fix the problem.";
        message += "\n";
    }

    if (core::showMessageBox("Software Failure", message, core::MessageButtons::Ok) == 0)
        fprintf(stderr, "Software Failure\n\n%s\n", message.c_str());

    fflush(stdout);
    fflush(stderr);
    _exit(-1);
}
