// Paths in kznload-cli are UTF-8 text. A std::filesystem::path made from a std::string takes
// it in the system's narrow encoding, which on Windows is the ANSI code page, not UTF-8; these
// convert through char8_t instead. On POSIX both are the bytes unchanged.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
