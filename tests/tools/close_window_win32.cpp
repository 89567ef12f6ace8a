// Asks a window to close the way its close box does: quill_close_window.exe TITLE.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s TITLE\n", argv[0]);
        return 2;
    }
    int length = MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, nullptr, 0);
    std::wstring title(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, title.data(), length);
    HWND window = FindWindowW(nullptr, title.c_str());
    if (!window) {
        fprintf(stderr, "no window titled %s\n", argv[1]);
        return 1;
    }
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}
