// The program's remembered settings: a private-profile INI file, kznload.INI, in
// $XDG_CONFIG_HOME (default ~/.config) on Linux and in %APPDATA% on Windows. Sections and keys
// match case-insensitively and the first occurrence wins. Every change is a read-modify-write under
// a lock file, and the file is replaced atomically, so two programs loading on two ports never lose
// each other's keys and a crash never leaves it truncated. Its sections and keys are named in
// base/settings_keys.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
