#include "cli/cli_ports.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "cli/cli_options.h"
#include "serial/com_device.h"
#include "serial/port_discovery.h"

namespace {

constexpr const char* kIndent = "      ";

// The number a device name ends with ("\\.\COM12": 12), 0 when none.
unsigned TrailingNumber(const std::string& name) {
  std::size_t digits = name.find_last_not_of("0123456789") + 1;
  if (digits == name.size() || name.size() - digits > 9) return 0;
  return static_cast<unsigned>(std::stoul(name.substr(digits)));
}

// The order in which port numbers are given out, then by path.
void SortInComOrder(std::vector<SerialPortInfo>& ports) {
  auto rank = [](const SerialPortInfo& port) {
    const std::string name = port.device.substr(port.device.rfind('/') + 1);
    const std::optional<SerialDeviceName> parsed = ParseSerialDeviceName(name);
    return parsed ? std::tuple(parsed->family, parsed->number, port.device)
                  : std::tuple(3, TrailingNumber(name), port.device);
  };
  std::sort(ports.begin(), ports.end(), [&rank](const SerialPortInfo& a, const SerialPortInfo& b) {
    return rank(a) < rank(b);
  });
}

void WriteDevice(std::ostream& out, const std::string& lead, const std::string& device,
                 const SerialPortInfo* info, const std::string& note) {
  out << lead << device;
  if (info != nullptr && info->device != device) out << " -> " << info->device;
  const std::string described = info != nullptr ? DescribePort(*info) : std::string();
  if (!described.empty()) out << "  " << described;
  if (!note.empty()) out << "  (" << note << ")";
  out << '\n';
  if (info != nullptr && !info->byIdPath.empty() && info->byIdPath != device)
    out << kIndent << "by-id: " << info->byIdPath << '\n';
}

}  // namespace

int ListPorts(const CSettingsStore& settings, const PortDiscovery& discovery, std::ostream& out,
              const std::string& devFolder) {
  std::vector<SerialPortInfo> ports = discovery.FindPorts();
  SortInComOrder(ports);
  const std::vector<ComPortMapping> mappings = MapComPorts(settings, ports, devFolder);
  std::set<const SerialPortInfo*> reached;
  for (const ComPortMapping& mapping : mappings) {
    const std::string lead = "COM" + std::to_string(mapping.portNumber) + "  ";
    if (mapping.device.empty()) {
      out << lead << "none\n";
      continue;
    }
    if (mapping.info != nullptr) reached.insert(mapping.info);
    std::string note;
    if (mapping.fromSettings) {
      note = "COMMUNICATION/COM" + std::to_string(mapping.portNumber) + " of the settings";
      if (mapping.info == nullptr) note += "; not a serial device found here";
    }
    WriteDevice(out, lead, mapping.device, mapping.info, note);
  }
  bool heading = false;
  for (const SerialPortInfo& port : ports) {
    if (reached.count(&port) != 0) continue;
    if (!heading) out << "Other serial devices:\n";
    heading = true;
    WriteDevice(out, kIndent, port.device, &port, "");
  }
  if (ports.empty()) out << "No serial device found.\n";
  out << std::flush;
  return kExitLoaded;
}
