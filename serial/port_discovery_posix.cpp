#include "serial/port_discovery.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "serial/com_device.h"

namespace {

// The file a path leads to after every link, or the path itself when it leads nowhere.
std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (path.empty() || ::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

}  // namespace

bool IsPortAt(const SerialPortInfo& port, const std::string& path) {
  if (path == port.device || (!port.byIdPath.empty() && path == port.byIdPath)) return true;
  return Canonical(path) == Canonical(port.device);
}

bool IsDevicePresent(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

CFileSystemPortDiscovery::CFileSystemPortDiscovery(std::string devFolder, std::string byIdFolder)
    : devFolder_(std::move(devFolder)), byIdFolder_(std::move(byIdFolder)) {}

std::vector<SerialPortInfo> CFileSystemPortDiscovery::FindPorts() const {
  std::vector<SerialPortInfo> ports;
  for (const std::string& device : ListSerialDevices(devFolder_)) {
    SerialPortInfo port;
    port.device = device;
    ports.push_back(port);
  }
  AddByIdNames(ports, byIdFolder_);
  return ports;
}

void AddByIdNames(std::vector<SerialPortInfo>& ports, const std::string& byIdFolder) {
  DIR* dir = ::opendir(byIdFolder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> links;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') links.push_back(JoinPath(byIdFolder, entry->d_name));
  }
  ::closedir(dir);
  for (SerialPortInfo& port : ports) {
    if (!port.byIdPath.empty()) continue;
    const std::string target = Canonical(port.device);
    for (const std::string& link : links) {
      if (Canonical(link) == target) {
        port.byIdPath = link;
        break;
      }
    }
  }
}
