#include "cli/cli_ports.h"
#include "cli/cli_system_ports.h"
#include "serial/udev/system_port_discovery.h"

int ListSystemPorts(const CSettingsStore& settings, std::ostream& out) {
  return ListPorts(settings, *CreateSystemPortDiscovery(), out);
}

std::unique_ptr<PortDiscovery> CreateWatchDiscovery(const std::optional<std::string>& folder) {
  if (folder) return std::make_unique<CFileSystemPortDiscovery>(*folder, *folder + "/by-id");
  return CreateSystemPortDiscovery();
}

std::string DescribeSystemAdapter(const std::string& device) {
  return AdapterIdentity(CreateSystemPortDiscovery()->FindPorts(), device);
}
