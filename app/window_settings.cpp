#include "app/window_settings.h"

#include <cstdio>

#include "base/settings_keys.h"
#include "base/settings_store.h"

std::optional<WindowPlacement> ParseWindowPlacement(const std::string& text) {
  WindowPlacement p;
  int fields =
      std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", &p.flags, &p.showCommand, &p.minX,
                  &p.minY, &p.maxX, &p.maxY, &p.left, &p.top, &p.right, &p.bottom);
  if (fields != 10) return std::nullopt;
  return p;
}

std::string FormatWindowPlacement(const WindowPlacement& p) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCommand,
                p.minX, p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom);
  return buffer;
}

std::optional<WindowPlacement> ReadWindowPlacement(const CSettingsStore& settings) {
  std::string text = settings.GetText(kWindowSection, kWindowPlacementKey, "");
  if (text.empty()) return std::nullopt;
  return ParseWindowPlacement(text);
}

void WriteWindowPlacement(CSettingsStore& settings, const WindowPlacement& placement) {
  settings.SetText(kWindowSection, kWindowPlacementKey, FormatWindowPlacement(placement));
}

void StoreSwappedPort(CSettingsStore& settings, int portNumber) {
  if (portNumber == 1) settings.SetInt(kCommunicationSection, kPortKey, 2);
  if (portNumber == 2) settings.SetInt(kCommunicationSection, kPortKey, 1);
}
