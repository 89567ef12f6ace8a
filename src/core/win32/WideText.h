#pragma once

#include <string>

// Scripts and the host speak UTF-8; the Win32 calls this layer makes are the
// wide (UTF-16) ones, so names outside the ANSI code page survive.
namespace core::win32 {

std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text);
std::string narrow(const std::wstring& text);

} // namespace core::win32
