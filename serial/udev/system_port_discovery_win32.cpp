#include "serial/port_discovery.h"
#include "serial/udev/system_port_discovery.h"

std::unique_ptr<PortDiscovery> CreateSystemPortDiscovery() {
  return std::make_unique<CWin32PortDiscovery>();
}
