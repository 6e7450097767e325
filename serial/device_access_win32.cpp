#include <windows.h>

#include "serial/device_access.h"

// Windows opens a COM port for one handle at a time: another program holding it makes the
// open fail, and that failure says so.
std::vector<DeviceHolder> OtherProcessesHolding(const std::string& path) {
  (void)path;
  return {};
}

std::optional<DeviceOwnership> OwnershipOfDevice(const std::string& path) {
  (void)path;
  return std::nullopt;
}

int DeviceInUseError() {
  return ERROR_BUSY;
}
