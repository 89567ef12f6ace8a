// File and folder dialogs through the desktop's dialog program (zenity, or
// kdialog), run as a child process with its arguments passed as they are.
#include "core/Dialogs.h"

#include "core/DebugLog.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace core {

namespace {
// The longest initial name a dialog takes, as the system path limit allows.
constexpr size_t PathCapacity = 260;

bool onPath(const std::string& program) {
    const char* path = getenv("PATH");
    std::string directories = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos)
            end = directories.size();
        std::string candidate = directories.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Runs a program and returns what it printed when it exits with 0; "" otherwise.
std::string runForAnswer(const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return std::string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child;
    int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);

    std::string answer;
    if (spawned == 0) {
        char buffer[4096];
        ssize_t got;
        while ((got = read(output[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
            if (got > 0)
                answer.append(buffer, static_cast<size_t>(got));
        }
    }
    close(output[0]);
    if (spawned != 0)
        return std::string();

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::string();
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    return answer;
}

std::string dialogProgram() {
    for (const char* program : {"zenity", "kdialog"}) {
        if (onPath(program))
            return program;
    }
    debugLog("No dialog program found (zenity or kdialog); the dialog counts as cancelled\n");
    return std::string();
}

bool isWildcard(const std::string& extension) {
    return extension.empty() || extension.find_first_of("*?") != std::string::npos;
}

std::string startPath(const FileDialogOptions& options) {
    std::string name = options.initialName.substr(0, PathCapacity - 1);
    if (options.initialDirectory.empty())
        return name;
    return options.initialDirectory + "/" + name;
}
} // namespace

std::string showFileDialog(const FileDialogOptions& options) {
    std::string program = dialogProgram();
    if (program.empty())
        return std::string();

    // One filter entry: "description (*.ext)" showing the files "*.ext". An
    // extension that is itself a wildcard shows every file.
    std::string label = options.description + " (*." + options.extension + ")";
    std::string pattern = isWildcard(options.extension) ? "*" : "*." + options.extension;
    std::string start = startPath(options);

    std::vector<std::string> arguments{program};
    if (program == "zenity") {
        arguments.insert(arguments.end(), {"--file-selection", "--title=" + options.title,
                                           "--file-filter=" + label + " | " + pattern});
        if (options.save)
            arguments.insert(arguments.end(), {"--save", "--confirm-overwrite"});
        if (!start.empty())
            arguments.push_back("--filename=" + start);
    } else {
        arguments.insert(arguments.end(), {options.save ? "--getsavefilename" : "--getopenfilename",
                                           start.empty() ? "." : start, pattern + "|" + label, "--title",
                                           options.title});
    }

    std::string chosen = runForAnswer(arguments);
    // A saved name typed without an extension gets the filter's.
    if (options.save && !chosen.empty() && !isWildcard(options.extension)) {
        std::string name = chosen.substr(chosen.find_last_of('/') + 1);
        if (name.find('.') == std::string::npos)
            chosen += "." + options.extension;
    }
    return chosen;
}

std::string showFolderDialog(const std::string& title) {
    std::string program = dialogProgram();
    if (program.empty())
        return std::string();
    std::vector<std::string> arguments{program};
    if (program == "zenity")
        arguments.insert(arguments.end(), {"--file-selection", "--directory", "--title=" + title});
    else
        arguments.insert(arguments.end(), {"--getexistingdirectory", ".", "--title", title});
    std::string chosen = runForAnswer(arguments);
    struct stat info;
    // Only a folder of the file system counts.
    if (chosen.empty() || stat(chosen.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::string();
    return chosen;
}

} // namespace core
