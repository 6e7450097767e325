// The settings file's reader and writer over arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/window_settings.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  (void)FindProfileValue(content, kFileLocationSection, kFolderKey);
  if (auto v = FindProfileValue(content, kCommunicationSection, kPortKey))
    (void)ParseProfileInt(*v);
  (void)ParseWindowPlacement(content);
  std::string changed = ReplaceProfileValue(content, kLastLoadingSection, PortNumberKey(1), "-1");
  // The key just written must read back, whatever surrounded it.
  auto back = FindProfileValue(changed, kLastLoadingSection, PortNumberKey(1));
  if (!back || *back != "-1") __builtin_trap();
  return 0;
}
