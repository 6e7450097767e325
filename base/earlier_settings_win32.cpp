#include "base/earlier_settings.h"

#include <windows.h>

#include <cstdio>

#include "base/atomic_file.h"
#include "base/file_lock.h"
#include "base/wide_text.h"

namespace {

constexpr const char* kSettingsFileName = "kznload.INI";

std::string Environment(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
  if (length == 0 || length >= 32768) return {};
  return Utf8FromWide(std::wstring(buffer, length));
}

bool ReadFileBytes(const std::string& path, std::string* content) {
  UniqueFile file = OpenFile(path, "rb");
  if (!file || IsFolder(file.get())) return false;
  content->clear();
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    content->append(buffer, got);
  return std::ferror(file.get()) == 0;
}

}  // namespace

std::vector<std::string> EarlierSettingsPaths() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  std::string windows = Utf8FromWide(std::wstring(buffer, length));
  while (!windows.empty() && windows.back() == '\\')
    windows.pop_back();
  std::vector<std::string> paths;
  // The virtualised copy mirrors the Windows folder's path without its drive.
  std::string local = Environment(L"LOCALAPPDATA");
  if (local.empty() && !Environment(L"USERPROFILE").empty())
    local = Environment(L"USERPROFILE") + "\\AppData\\Local";
  if (!local.empty()) {
    const std::size_t drive = windows.size() >= 2 && windows[1] == ':' ? 2 : 0;
    paths.push_back(local + "\\VirtualStore" + windows.substr(drive) + "\\" + kSettingsFileName);
  }
  paths.push_back(windows + "\\" + kSettingsFileName);
  return paths;
}

std::string TakeOverEarlierSettings(const std::string& settingsPath,
                                    const std::vector<std::string>& earlierPaths) {
  if (IsExistingFile(settingsPath)) return {};
  for (const std::string& earlier : earlierPaths) {
    std::string content;
    if (!IsExistingFile(earlier) || !ReadFileBytes(earlier, &content)) continue;
    MakeFolders(FolderOf(settingsPath));
    CFileLock lock;
    if (!lock.Acquire(settingsPath + ".lock")) return {};
    if (IsExistingFile(settingsPath)) return {};
    if (!ReplaceFileAtomically(settingsPath, content)) return {};
    return earlier;
  }
  return {};
}
