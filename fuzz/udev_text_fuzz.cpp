// udev's encoded property values: the decoded text is never longer, and a text without a
// backslash comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/port_discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string encoded(reinterpret_cast<const char*>(data), size);
  const std::string text = DecodeUdevText(encoded);
  if (text.size() > encoded.size()) __builtin_trap();
  if (encoded.find('\\') == std::string::npos && text != encoded) __builtin_trap();
  return 0;
}
