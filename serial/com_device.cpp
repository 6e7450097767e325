#include "serial/com_device.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "base/settings_store.h"

namespace {

constexpr std::string_view kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};
constexpr std::size_t kMaxNumberDigits = 6;

}  // namespace

std::optional<SerialDeviceName> ParseSerialDeviceName(std::string_view name) {
  for (std::size_t family = 0; family < std::size(kFamilies); ++family) {
    std::string_view prefix = kFamilies[family];
    if (name.substr(0, prefix.size()) != prefix) continue;
    std::string_view digits = name.substr(prefix.size());
    if (digits.empty() || digits.size() > kMaxNumberDigits) return std::nullopt;
    unsigned number = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return SerialDeviceName{static_cast<int>(family), number};
  }
  return std::nullopt;
}

std::vector<std::string> ListSerialDevices(const std::string& devFolder) {
  struct Found {
    SerialDeviceName rank;
    std::string name;
  };
  std::vector<Found> found;
  if (DIR* dir = ::opendir(devFolder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      if (auto rank = ParseSerialDeviceName(entry->d_name)) found.push_back({*rank, entry->d_name});
    }
    ::closedir(dir);
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return std::tie(a.rank.family, a.rank.number, a.name) <
           std::tie(b.rank.family, b.rank.number, b.name);
  });
  std::vector<std::string> paths;
  std::string folder = devFolder;
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  for (const Found& f : found)
    paths.push_back(folder + f.name);
  return paths;
}

// A bare name (no folder) is the stable by-id name of an adapter when one is listed there,
// otherwise a device of the device folder ("ttyUSB0").
std::string ExpandDeviceName(const std::string& configured, const std::string& devFolder) {
  if (configured.find('/') != std::string::npos) return configured;
  std::string folder = devFolder;
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  std::string byId = folder + "serial/by-id/" + configured;
  struct stat info {};
  if (::stat(byId.c_str(), &info) == 0) return byId;
  std::string device = folder + configured;
  // Neither is there: an unplugged adapter is named by its by-id name in what the user reads.
  if (::stat(device.c_str(), &info) != 0 && configured.rfind("tty", 0) != 0) return byId;
  return device;
}

std::string ResolveComDevice(const CSettingsStore& settings, int portNumber,
                             const std::string& devFolder) {
  if (portNumber < 1) return {};
  char key[16];
  std::snprintf(key, sizeof key, "COM%d", portNumber);
  std::string configured = settings.GetText("COMMUNICATION", key, "");
  if (!configured.empty()) return ExpandDeviceName(configured, devFolder);
  std::vector<std::string> devices = ListSerialDevices(devFolder);
  if (static_cast<std::size_t>(portNumber) > devices.size()) return {};
  return devices[static_cast<std::size_t>(portNumber) - 1];
}
