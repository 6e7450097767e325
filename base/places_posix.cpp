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

std::string DefaultSettingsPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (xdg != nullptr && xdg[0] == '/') {
    folder = xdg;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home != nullptr ? home : ".") + "/.config";
  }
  return folder + "/kznload.INI";
}
