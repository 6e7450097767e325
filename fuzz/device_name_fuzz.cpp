// Names found in the device folder: only a known prefix followed by digits is ranked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/com_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string name(reinterpret_cast<const char*>(data), size);
  auto parsed = ParseSerialDeviceName(name);
  if (!parsed) return 0;
  static const char* const kPrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};
  if (parsed->family < 0 || parsed->family > 2) __builtin_trap();
  std::string prefix = kPrefixes[parsed->family];
  if (name.compare(0, prefix.size(), prefix) != 0) __builtin_trap();
  std::string digits = name.substr(prefix.size());
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
    __builtin_trap();
  if (std::stoul(digits) != parsed->number) __builtin_trap();
  return 0;
}
