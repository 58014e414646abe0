// UTF-8 paths and the wide API between the win32 files.
#pragma once

#include <string>

// `utf8` as UTF-16 with '/' turned into '\'.
std::wstring win32_wide_path(const char* utf8);
std::wstring win32_wide(const char* utf8);
// UTF-16 back to UTF-8, '\' turned into '/' when `slashes`.
std::string win32_narrow(const wchar_t* wide, bool slashes = false);
// The system's message for GetLastError()'s `code`, one line, in English where it can.
std::string win32_error_text(unsigned long code);
