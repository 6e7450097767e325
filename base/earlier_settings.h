// Windows: the settings the classic program kept where the system put every program's private
// profile, kznload.INI in the Windows folder (or, for a program that could not write there,
// the copy the system's virtualisation made of it under %LOCALAPPDATA%\VirtualStore). The
// settings file of today's program, %APPDATA%\kznload.INI, starts from them, so that a
// technician's language, port, folder and above all a port's unfinished-load marker survive the
// move to the new program.
#pragma once

#include <string>
#include <vector>

// Where the classic program's settings may be, the copy it would have read first first.
std::vector<std::string> EarlierSettingsPaths();

// When `settingsPath` does not exist, it becomes a copy of the first of `earlierPaths` that can
// be read, under the settings' lock (a program that wrote the file first keeps what it wrote);
// the earlier file stays as it is. The path taken over, empty when nothing was.
std::string TakeOverEarlierSettings(const std::string& settingsPath,
                                    const std::vector<std::string>& earlierPaths);
