#include "serial/com_device.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

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
  std::string configured = ConfiguredComDevice(settings, portNumber);
  if (!configured.empty()) return ExpandDeviceName(configured, devFolder);
  std::vector<std::string> devices = ListSerialDevices(devFolder);
  if (static_cast<std::size_t>(portNumber) > devices.size()) return {};
  return devices[static_cast<std::size_t>(portNumber) - 1];
}
