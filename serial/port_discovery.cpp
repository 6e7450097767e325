#include "serial/port_discovery.h"

#include <chrono>
#include <thread>

#include "serial/com_device.h"

std::vector<ComPortMapping> MapComPorts(const CSettingsStore& settings,
                                        const std::vector<SerialPortInfo>& ports,
                                        const std::string& devFolder) {
  std::vector<ComPortMapping> mappings;
  for (int n = 1; n <= 4; ++n) {
    ComPortMapping mapping;
    mapping.portNumber = n;
    mapping.fromSettings = !ConfiguredComDevice(settings, n).empty();
    mapping.device = ResolveComDevice(settings, n, devFolder);
    if (!mapping.device.empty()) {
      for (const SerialPortInfo& port : ports) {
        if (IsPortAt(port, mapping.device)) {
          mapping.info = &port;
          break;
        }
      }
    }
    mappings.push_back(mapping);
  }
  return mappings;
}

std::string DecodeUdevText(const std::string& encoded) {
  auto hexValue = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string text;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
      const int high = hexValue(encoded[i + 2]);
      const int low = hexValue(encoded[i + 3]);
      if (high >= 0 && low >= 0) {
        text.push_back(static_cast<char>(high * 16 + low));
        i += 3;
        continue;
      }
    }
    text.push_back(encoded[i]);
  }
  return text;
}

std::string DescribePort(const SerialPortInfo& port) {
  std::string text;
  auto add = [&text](const std::string& part) {
    if (part.empty()) return;
    if (!text.empty()) text += ", ";
    text += part;
  };
  std::string name = port.vendor;
  if (!port.product.empty()) name += (name.empty() ? "" : " ") + port.product;
  add(name);
  if (!port.vendorId.empty() || !port.productId.empty())
    add("USB " + port.vendorId + ":" + port.productId);
  if (!port.serialNumber.empty()) add("serial " + port.serialNumber);
  return text;
}

std::string AdapterIdentity(const std::vector<SerialPortInfo>& ports, const std::string& device) {
  for (const SerialPortInfo& port : ports) {
    if (!IsPortAt(port, device)) continue;
    const std::string described = DescribePort(port);
    return described.empty() ? port.byIdPath : described;
  }
  return {};
}

std::string ComPortToolTip(const ComPortMapping& mapping) {
  if (mapping.device.empty())
    return "No serial device for COM" + std::to_string(mapping.portNumber);
  std::string text = mapping.device;
  if (mapping.info == nullptr) {
    if (mapping.fromSettings) {
      text += IsDevicePresent(mapping.device) ? " (set in the settings)"
                                              : " (set in the settings; not present)";
    }
    return text;
  }
  if (mapping.info->device != mapping.device) text += " -> " + mapping.info->device;
  const std::string described = DescribePort(*mapping.info);
  if (!described.empty()) text += "\n" + described;
  if (!mapping.info->byIdPath.empty() && mapping.info->byIdPath != mapping.device)
    text += "\n" + mapping.info->byIdPath;
  return text;
}

bool PortDiscovery::WaitForChange(int maxMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(maxMs));
  return false;
}
