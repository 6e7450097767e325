// Replacing a file the user keeps without ever leaving it truncated.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. False, with `path` untouched, when any step fails (a read-only folder, a full disk).
bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

inline bool ReplaceFileAtomically(const std::string& path, std::string_view text) {
  return ReplaceFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
