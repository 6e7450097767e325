// The settings file's reader and writer over arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  (void)FindProfileValue(content, "FILE_LOCATION", "DIR");
  if (auto v = FindProfileValue(content, "COMMUNICATION", "PORT")) (void)ParseProfileInt(*v);
  (void)ParseWindowPlacement(content);
  std::string changed = ReplaceProfileValue(content, "LAST_LOADING", "1", "-1");
  // The key just written must read back, whatever surrounded it.
  auto back = FindProfileValue(changed, "LAST_LOADING", "1");
  if (!back || *back != "-1") __builtin_trap();
  return 0;
}
