// The program's remembered settings: a private-profile INI file, kznload.INI, in
// $XDG_CONFIG_HOME (default ~/.config) on Linux and in %APPDATA% on Windows. Sections and keys
// match case-insensitively and the first occurrence wins. Every change is a read-modify-write under
// a lock file, and the file is replaced atomically, so two programs loading on two ports never lose
// each other's keys and a crash never leaves it truncated.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class UserInteraction;
enum class Language : std::int16_t;

class CSettingsStore {
 public:
  explicit CSettingsStore(std::string path);

  // DefaultSettingsPath() (base/places.h).
  static std::string DefaultPath();

  const std::string& Path() const { return path_; }

  // Optional sign and leading digits; no digits reads 0; a missing key reads the default.
  int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
  std::string GetText(std::string_view section, std::string_view key,
                      std::string_view defaultValue) const;
  // False when the store could not be written; nothing already in it is damaged.
  // LastWriteError() then says why.
  bool SetInt(std::string_view section, std::string_view key, int value);
  bool SetText(std::string_view section, std::string_view key, std::string_view value);
  // The system's words for the last failed write ("Permission denied"), empty after a
  // write that succeeded.
  const std::string& LastWriteError() const { return lastWriteError_; }

 private:
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
  bool Fail(int errorCode);
  std::string path_;
  std::string lastWriteError_;
};

// Parsing of the file's content, apart from the file for tests and fuzzing.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);
std::string ReplaceProfileValue(std::string_view content, std::string_view section,
                                std::string_view key, std::string_view value);
int ParseProfileInt(std::string_view text);

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

// Whether the last load on the port ended unfinished (its marker is -1).
bool IsLastLoadingUnfinished(const CSettingsStore& settings, int portNumber);

// The per-port marker of the last load: 1 when it ended well or the user says another
// receiver is loaded now (No to message 134), -1 when the user says the same receiver is
// loaded again (Yes), 0 when nobody answered (kResultUnanswered).
int CheckLastLoadingMarker(const CSettingsStore& settings, UserInteraction& ui, Language language,
                           int portNumber);
// -1 for a negative result, else 1; false when the store could not take it.
bool SetLastLoadingMarker(CSettingsStore& settings, int portNumber, int result);

// The receiver type whose tables the port's dump file holds ("DUMP_TYPE", key the port
// number), kept beside the marker so that an unfinished load's tables only ever go back
// into a receiver of that type. None for a dump written before it was kept.
std::optional<std::string> DumpReceiverType(const CSettingsStore& settings, int portNumber);
bool SetDumpReceiverType(CSettingsStore& settings, int portNumber, const std::string& type);
