#include "cli/cli_ports.h"
#include "cli/cli_system_ports.h"
#include "serial/port_discovery.h"

int ListSystemPorts(const CSettingsStore& settings, std::ostream& out) {
  return ListPorts(settings, CWin32PortDiscovery(), out);
}
