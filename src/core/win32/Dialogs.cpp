// The system's own open, save and folder dialogs.
#include "core/Dialogs.h"

#include "core/win32/WideText.h"

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>

namespace core {

namespace {
// The dialogs' path buffers hold the system's path limit.
constexpr size_t PathCapacity = MAX_PATH;

bool isWildcard(const std::string& extension) {
    return extension.find_first_of("*?") != std::string::npos;
}
} // namespace

std::string showFileDialog(const FileDialogOptions& options) {
    // A longer initial name is cut to fit, ending with the zero.
    wchar_t path[PathCapacity] = {};
    std::wstring name = win32::widen(options.initialName).substr(0, PathCapacity - 1);
    std::replace(name.begin(), name.end(), L'/', L'\\');
    std::copy(name.begin(), name.end(), path);

    // One filter entry: its label "description (*.ext)" and its pattern
    // "*.ext", each ended by a zero, the list by a second one. Built piece by
    // piece, so that a "#" in the description stays a "#".
    std::wstring extension = win32::widen(options.extension);
    std::wstring filter = win32::widen(options.description) + L" (*." + extension + L")";
    filter += L'\0';
    filter += L"*." + extension;
    filter += L'\0';

    std::wstring title = win32::widen(options.title);
    std::wstring initialDirectory = win32::widen(options.initialDirectory);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter.c_str();  // c_str adds the list's closing zero
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = PathCapacity;
    dialog.lpstrInitialDir = initialDirectory.empty() ? nullptr : initialDirectory.c_str();
    // A wildcard is no extension a typed name could be given.
    dialog.lpstrDefExt = isWildcard(options.extension) ? nullptr : extension.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NONETWORKBUTTON | OFN_NOCHANGEDIR;
    dialog.Flags |= options.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;

    BOOL chosen = options.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? win32::narrow(path) : std::string();
}

std::string showFolderDialog(const std::string& title) {
    std::wstring caption = win32::widen(title);
    wchar_t displayName[PathCapacity] = {};
    BROWSEINFOW browse{};
    browse.pszDisplayName = displayName;
    browse.lpszTitle = caption.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;

    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse);
    if (!item)
        return std::string();
    // Items outside the file system (the printers, the network) have no path.
    wchar_t path[PathCapacity] = {};
    BOOL isFolder = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    return isFolder ? win32::narrow(path) : std::string();
}

} // namespace core
