#include "cli/cli_ports.h"
#include "cli/cli_system_ports.h"
#include "serial/port_discovery.h"

int ListSystemPorts(const CSettingsStore& settings, std::ostream& out) {
  return ListPorts(settings, CWin32PortDiscovery(), out);
}

// Windows tells nothing of the USB adapter behind a COM port here.
std::string DescribeSystemAdapter(const std::string& /*device*/) {
  return {};
}
