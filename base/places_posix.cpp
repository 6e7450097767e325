#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/places.h"

std::string CurrentFolder() {
  std::vector<char> buffer(256);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

std::string DefaultFileFolder() {
  const char* home = std::getenv("HOME");
  std::string folder = (home != nullptr && *home != '\0') ? home : "/";
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

namespace {

// An XDG base folder: the variable when it holds an absolute path (XDG says a relative one
// is ignored), else `fallback` under the home folder.
std::string XdgFolder(const char* variable, const char* fallback) {
  const char* xdg = std::getenv(variable);
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + fallback;
}

}  // namespace

std::string DefaultSettingsPath() {
  return XdgFolder("XDG_CONFIG_HOME", "/.config") + "/kznload.INI";
}

std::string DefaultJournalPath() {
  return XdgFolder("XDG_STATE_HOME", "/.local/state") + "/kznload/journal.jsonl";
}
