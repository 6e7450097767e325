// The separator between a folder and a name in the paths the program builds, and the ones
// it accepts in paths it is given.
#pragma once

#include <string_view>

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif
