// Which device is COMn. The settings store may name it ("COMMUNICATION", "COM1" to "COM4").
// Otherwise, on POSIX, COMn is the n-th serial device found: USB adapters first, then
// modems, then built-in UARTs, each in numeric order; on Windows it is the device COMn itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CSettingsStore;

struct SerialDeviceName {
  int family = 0;  // 0 ttyUSB, 1 ttyACM, 2 ttyS
  unsigned number = 0;
};

// A name such as "ttyUSB12"; nothing for names that are no serial device of these kinds.
std::optional<SerialDeviceName> ParseSerialDeviceName(std::string_view name);

// What the settings store names for COMn, as written there; empty when it names nothing.
std::string ConfiguredComDevice(const CSettingsStore& settings, int portNumber);

// Full paths of the serial devices in `devFolder`, in COMn order (POSIX).
std::vector<std::string> ListSerialDevices(const std::string& devFolder);

// The device a name from the settings leads to.
// POSIX: a path stays as it is; a bare name is looked up among the stable by-id names under
// `devFolder`/serial/by-id, then in `devFolder` itself.
// Windows: a path (anything with "\", "/" or ":") stays as it is; a bare name such as "COM12"
// is the device "\\.\COM12". `devFolder` plays no part.
std::string ExpandDeviceName(const std::string& configured, const std::string& devFolder);

// The device path for port number n, or an empty text when there is none.
std::string ResolveComDevice(const CSettingsStore& settings, int portNumber,
                             const std::string& devFolder = "/dev");
