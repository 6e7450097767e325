// What the main window keeps in the settings for itself: its placement, and the port swap at
// start. kznload-cli writes neither.
#pragma once

#include <optional>
#include <string>

class CSettingsStore;

// "Settings"/"WindowPos": ten numbers, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d".
struct WindowPlacement {
  unsigned flags = 0;
  unsigned showCommand = 0;
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  int left = 0, top = 0, right = 0, bottom = 0;
};
inline constexpr unsigned kPlacementRestoreToMaximized = 2;
std::optional<WindowPlacement> ParseWindowPlacement(const std::string& text);
std::string FormatWindowPlacement(const WindowPlacement& placement);
std::optional<WindowPlacement> ReadWindowPlacement(const CSettingsStore& settings);
void WriteWindowPlacement(CSettingsStore& settings, const WindowPlacement& placement);

// At start the store keeps the other visible port, so that a run that does not end through
// the close command offers the other port next time: 1 is stored as 2, 2 as 1.
void StoreSwappedPort(CSettingsStore& settings, int portNumber);
