// Display decoding of catalogue bytes: whatever the bytes, the result is valid UTF-8, and
// text that already was UTF-8 comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/display_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = DisplayTextFromBytes(bytes);
  if (!IsValidUtf8(text)) __builtin_trap();
  if (IsValidUtf8(bytes) && text != bytes) __builtin_trap();
  if (!IsValidUtf8(bytes) && text.size() < bytes.size()) __builtin_trap();
  return 0;
}
