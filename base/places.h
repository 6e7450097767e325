// Where the program finds and keeps things on this system.
#pragma once

#include <string>

// The working directory (where the catalogue is looked for); empty when it cannot be read.
std::string CurrentFolder();
// The folder the file window starts in when the settings name none, ending in a separator.
std::string DefaultFileFolder();
// The settings file: $XDG_CONFIG_HOME/kznload.INI or ~/.config/kznload.INI on Linux,
// %APPDATA%\kznload.INI on Windows, which the first call of a program that finds none fills
// from the classic program's settings (base/earlier_settings.h), telling so on standard error.
std::string DefaultSettingsPath();
// The journal of loads: $XDG_STATE_HOME/kznload/journal.jsonl or
// ~/.local/state/kznload/journal.jsonl on Linux, %LOCALAPPDATA%\kznload\journal.jsonl on Windows.
std::string DefaultJournalPath();
