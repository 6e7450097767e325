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

// `path` is UTF-8 on every system; errno tells why it failed.
UniqueFile OpenFile(const std::string& path, const char* mode);

// The folder part of `path`: "." without a separator, the root for a file at the root.
std::string FolderOf(const std::string& path);

// Makes `folder` and the folders above it; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

// Flushes `file` to the disk, then the folder that names it, so that both the content and
// the name survive a power cut. False when the file's content could not be flushed (a
// folder that cannot be flushed is no failure: some file systems cannot).
bool SyncToDisk(std::FILE* file, const std::string& folder);

// `path` names a file that exists and is no folder.
bool IsExistingFile(const std::string& path);

// An open file that is a folder, not a file (POSIX opens folders for reading).
bool IsFolder(std::FILE* file);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. False, with `path` untouched, when any step fails (a read-only folder, a full disk).
bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Renames the file `from` over `to` in one step and makes the rename durable: `to` is either
// the old file or the whole new one. False, with both as they were, when it cannot.
bool RenameFileOver(const std::string& from, const std::string& to);
// Removes a file; nothing when there is none.
void RemoveFile(const std::string& path);

inline bool ReplaceFileAtomically(const std::string& path, std::string_view text) {
  return ReplaceFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
