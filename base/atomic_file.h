// Replacing a file the user keeps without ever leaving it truncated.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
// An open file that closes itself on every way out.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

inline UniqueFile OpenFile(const std::string& path, const char* mode) {
  return UniqueFile(std::fopen(path.c_str(), mode));
}

// The folder part of `path`: "." without a separator, "/" for a file at the root.
std::string FolderOf(const std::string& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. False, with `path` untouched, when any step fails (a read-only folder, a full disk).
bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

inline bool ReplaceFileAtomically(const std::string& path, std::string_view text) {
  return ReplaceFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
