#include <windows.h>

#include <cstdio>
#include <string>

#include "base/earlier_settings.h"
#include "base/places.h"
#include "base/wide_text.h"

namespace {

std::string Environment(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
  if (length == 0 || length >= 32768) return {};
  return Utf8FromWide(std::wstring(buffer, length));
}

}  // namespace

std::string CurrentFolder() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return {};
  std::wstring folder(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, folder.data());
  if (length == 0 || length >= needed) return {};
  folder.resize(length);
  return Utf8FromWide(folder);
}

std::string DefaultFileFolder() {
  std::string folder = Environment(L"USERPROFILE");
  if (folder.empty()) folder = "C:\\";
  if (folder.back() != '\\') folder.push_back('\\');
  return folder;
}

// The Windows folder would need administrator rights to write on today's systems; the
// user's roaming application data folder is theirs. A first start there takes the classic
// program's settings over, once, and says so.
std::string DefaultSettingsPath() {
  std::string folder = Environment(L"APPDATA");
  if (folder.empty()) folder = Environment(L"USERPROFILE");
  const std::string path = folder.empty() ? ".\\kznload.INI" : folder + "\\kznload.INI";
  static const bool lookedForEarlier = [&path] {
    const std::string taken = TakeOverEarlierSettings(path, EarlierSettingsPaths());
    if (!taken.empty()) {
      std::fprintf(stderr, "Settings taken over from %s into %s (that file stays as it is).\n",
                   taken.c_str(), path.c_str());
    }
    return true;
  }();
  (void)lookedForEarlier;
  return path;
}

// Local, not roaming: the journal grows with every load and belongs to this machine's ports.
std::string DefaultJournalPath() {
  std::string folder = Environment(L"LOCALAPPDATA");
  if (folder.empty()) {
    folder = Environment(L"USERPROFILE");
    if (folder.empty()) return ".\\kznload\\journal.jsonl";
    folder += "\\AppData\\Local";
  }
  return folder + "\\kznload\\journal.jsonl";
}
