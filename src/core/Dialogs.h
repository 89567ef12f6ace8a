#pragma once

#include <string>

namespace core {

struct FileDialogOptions {
    bool save = false;
    std::string title;
    std::string description;
    std::string extension;    // without "*.", as in "lua"
    std::string initialDirectory;
    std::string initialName;
};

// The standard open or save dialog with one file-type filter. Returns the
// chosen path, or "" when cancelled.
std::string showFileDialog(const FileDialogOptions& options);

// The folder browser. Returns the chosen folder, or "" when cancelled.
std::string showFolderDialog(const std::string& title);

} // namespace core
