#include "serial/com_device.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"

namespace {

constexpr std::string_view kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};
constexpr std::size_t kMaxNumberDigits = 6;

}  // namespace

std::optional<SerialDeviceName> ParseSerialDeviceName(std::string_view name) {
  for (std::size_t family = 0; family < std::size(kFamilies); ++family) {
    std::string_view prefix = kFamilies[family];
    if (name.substr(0, prefix.size()) != prefix) continue;
    std::string_view digits = name.substr(prefix.size());
    if (digits.empty() || digits.size() > kMaxNumberDigits) return std::nullopt;
    unsigned number = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return SerialDeviceName{static_cast<int>(family), number};
  }
  return std::nullopt;
}

std::string ConfiguredComDevice(const CSettingsStore& settings, int portNumber) {
  if (portNumber < 1) return {};
  return settings.GetText(kCommunicationSection, ComDeviceKey(portNumber), "");
}
