// The port discovery of a build without libudev: the file system alone.
#include "serial/udev/system_port_discovery.h"

std::unique_ptr<PortDiscovery> CreateSystemPortDiscovery() {
  return std::make_unique<CFileSystemPortDiscovery>();
}
