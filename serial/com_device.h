// Which device is COMn. The settings store may name it ("COMMUNICATION", "COM1" to "COM4");
// otherwise COMn is the n-th serial device found: USB adapters first, then modems, then
// built-in UARTs, each in numeric order.
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

// Full paths of the serial devices in `devFolder`, in COMn order.
std::vector<std::string> ListSerialDevices(const std::string& devFolder);

// The device path for port number n, or an empty text when there is none.
// A device named in the settings: a path stays as it is; a bare name is looked up among the
// stable by-id names under `devFolder`/serial/by-id, then in `devFolder` itself.
std::string ExpandDeviceName(const std::string& configured, const std::string& devFolder);

std::string ResolveComDevice(const CSettingsStore& settings, int portNumber,
                             const std::string& devFolder = "/dev");
