#include "cli/display_text.h"

#include <cstdint>

#include "base/display_text.h"

std::string DisplayText(std::string_view bytes) {
  const std::string decoded = DisplayTextFromBytes(bytes.substr(0, bytes.find('\0')));
  std::string out;
  out.reserve(decoded.size());
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    auto byte = static_cast<std::uint8_t>(decoded[i]);
    // C0 controls and DEL are single bytes; C1 controls (U+0080 to U+009F) are C2 80..9F.
    if (byte < 0x20 || byte == 0x7F) {
      out.push_back('?');
    } else if (byte == 0xC2 && i + 1 < decoded.size() &&
               static_cast<std::uint8_t>(decoded[i + 1]) < 0xA0) {
      out.push_back('?');
      ++i;
    } else {
      out.push_back(decoded[i]);
    }
  }
  return out;
}
