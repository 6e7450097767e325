// Every section and key of kznload.INI (base/settings_store.h), named once. The names are the
// classic program's, so that a file it wrote reads the same; sections and keys match
// case-insensitively.
#pragma once

#include <string>
#include <string_view>

// [COMMUNICATION]: the port the window offers at start (1 to 4), and the device behind COMn.
inline constexpr std::string_view kCommunicationSection = "COMMUNICATION";
inline constexpr std::string_view kPortKey = "PORT";
// "COM1" to "COM4" (any n): the device of COMn, when the user named one.
inline std::string ComDeviceKey(int portNumber) {
  return "COM" + std::to_string(portNumber);
}

// [LANGUAGE]: 0 French, 1 English (LanguageIndex, base/messages.h).
inline constexpr std::string_view kLanguageSection = "LANGUAGE";
inline constexpr std::string_view kLanguageKey = "TYPE_LANG";

// [UIMODE]: 0 standard, other expert.
inline constexpr std::string_view kModeSection = "UIMODE";
inline constexpr std::string_view kModeKey = "TYPE_UI";

// [FILE_LOCATION]: the file to send (its folder with a trailing separator, and its name), the
// receiver type selected (its index in the list), and the catalogue folder the user chose.
inline constexpr std::string_view kFileLocationSection = "FILE_LOCATION";
inline constexpr std::string_view kFolderKey = "DIR";
inline constexpr std::string_view kFileKey = "FILE";
inline constexpr std::string_view kReceiverTypeKey = "REC";
inline constexpr std::string_view kCatalogueFolderKey = "CATALOGUE";

// [Settings]: the main window's placement, ten numbers (app/window_settings.h).
inline constexpr std::string_view kWindowSection = "Settings";
inline constexpr std::string_view kWindowPlacementKey = "WindowPos";

// [LAST_LOADING], key the port number: the marker of the port's last load (1 ended well, -1
// unfinished, 0 nobody answered; loader/first/last_loading.h).
inline constexpr std::string_view kLastLoadingSection = "LAST_LOADING";
// [DUMP_TYPE], key the port number: the receiver type whose tables the port's dump file holds.
inline constexpr std::string_view kDumpTypeSection = "DUMP_TYPE";
// The key of a port in those sections: its number.
inline std::string PortNumberKey(int portNumber) {
  return std::to_string(portNumber);
}

// [WATCH_PORTS]: kznload-cli --watch's port number for each adapter (key its identity), and
// the next number to give.
inline constexpr std::string_view kWatchPortsSection = "WATCH_PORTS";
inline constexpr std::string_view kNextWatchPortKey = "NEXT";
