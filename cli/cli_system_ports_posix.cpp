#include "cli/cli_ports.h"
#include "cli/cli_system_ports.h"
#include "serial/udev/system_port_discovery.h"

int ListSystemPorts(const CSettingsStore& settings, std::ostream& out) {
  return ListPorts(settings, *CreateSystemPortDiscovery(), out);
}

std::string DescribeSystemAdapter(const std::string& device) {
  return AdapterIdentity(CreateSystemPortDiscovery()->FindPorts(), device);
}
