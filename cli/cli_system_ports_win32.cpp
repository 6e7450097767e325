#include "cli/cli_ports.h"
#include "cli/cli_system_ports.h"
#include "serial/port_discovery.h"

int ListSystemPorts(const CSettingsStore& settings, std::ostream& out) {
  return ListPorts(settings, CWin32PortDiscovery(), out);
}

// Windows names its adapters COMn only; the list is what --watch looks at, once a second.
std::unique_ptr<PortDiscovery> CreateWatchDiscovery(const std::optional<std::string>& folder) {
  if (folder) return nullptr;
  return std::make_unique<CWin32PortDiscovery>();
}

// Windows tells nothing of the USB adapter behind a COM port here.
std::string DescribeSystemAdapter(const std::string& /*device*/) {
  return {};
}
