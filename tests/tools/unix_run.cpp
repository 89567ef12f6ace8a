// Runs a shell script of the machine under Wine from a Windows test program:
// quill_unix_run.exe SCRIPT. The script's output is printed and its exit
// status returned. Wine starts the machine's own programs without a handle to
// wait on or an exit code to read, so the script runs inside a wrapper that
// leaves its status in a file, and this program waits for that file.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Wine shows the machine's root directory as drive Z:.
std::string unixPath(const char* path) {
    char full[MAX_PATH];
    if (!GetFullPathNameA(path, MAX_PATH, full, nullptr))
        return path;
    std::string result = full;
    if (result.size() >= 2 && (result[0] == 'Z' || result[0] == 'z') && result[1] == ':')
        result.erase(0, 2);
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

bool exists(const std::string& windowsPath) {
    return GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s SCRIPT\n", argv[0]);
        return 2;
    }
    std::string script = argv[1];
    std::string wrapper = script + ".run";
    std::string output = script + ".out";
    std::string status = script + ".status";
    DeleteFileA(output.c_str());
    DeleteFileA(status.c_str());
    FILE* file = fopen(wrapper.c_str(), "wb");
    if (!file)
        return 2;
    // The script runs in the folder it is in, as the program that wrote it sees it.
    std::string folder = unixPath(script.c_str());
    folder.erase(folder.find_last_of('/') + 1);
    fprintf(file, "cd '%s' || exit 1\n/bin/sh '%s' >'%s' 2>&1\necho $? >'%s.part'\nmv '%s.part' '%s'\n",
            folder.c_str(), unixPath(script.c_str()).c_str(), unixPath(output.c_str()).c_str(),
            unixPath(status.c_str()).c_str(), unixPath(status.c_str()).c_str(), unixPath(status.c_str()).c_str());
    fclose(file);

    std::string command = "Z:\\bin\\sh \"" + unixPath(wrapper.c_str()) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        fprintf(stderr, "cannot start /bin/sh (%lu)\n", GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    for (int waited = 0; !exists(status); waited += 10) {
        if (waited > 120000) {
            fprintf(stderr, "the script did not finish\n");
            return 2;
        }
        Sleep(10);
    }
    if (FILE* out = fopen(output.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), out)) > 0)
            fwrite(buffer, 1, n, stdout);
        fclose(out);
    }
    int code = 2;
    if (FILE* in = fopen(status.c_str(), "rb")) {
        if (fscanf(in, "%d", &code) != 1)
            code = 2;
        fclose(in);
    }
    return code;
}
