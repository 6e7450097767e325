#include "serial/com_device.h"

namespace {

// The Win32 device namespace: "\\.\COM12" is the device COM12 whatever its number (the bare
// name works only up to COM9).
constexpr std::string_view kDeviceNamespace = "\\\\.\\";

}  // namespace

std::string ExpandDeviceName(const std::string& configured, const std::string& devFolder) {
  (void)devFolder;
  if (configured.empty() || configured.find_first_of("\\/:") != std::string::npos)
    return configured;
  return std::string(kDeviceNamespace) + configured;
}

std::string ResolveComDevice(const CSettingsStore& settings, int portNumber,
                             const std::string& devFolder) {
  if (portNumber < 1) return {};
  const std::string configured = ConfiguredComDevice(settings, portNumber);
  if (!configured.empty()) return ExpandDeviceName(configured, devFolder);
  return std::string(kDeviceNamespace) + "COM" + std::to_string(portNumber);
}
