// Operating-system services that the program logic needs and that are not
// windowing: the program's own path and durable file access. No GUI library;
// one implementation per platform (os_posix.cpp, os_win32.cpp).
#pragma once

#include <string>
#include <string_view>

namespace dialog::os {

// Full path of the running program file, UTF-8, uncut.
std::string programFilePath();

// The path's directory separator on this platform.
#if defined(_WIN32)
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

}  // namespace dialog::os
