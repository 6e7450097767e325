// The separator between a folder and a name in the paths the program builds.
#pragma once

inline constexpr char kPathSeparator = '/';
