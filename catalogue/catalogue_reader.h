// Line-by-line reading of the catalogue file for one operation: the file is opened when
// the reader is made and closed when it goes, on every path.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/messages.h"

class UserInteraction;

class CCatalogueReader {
 public:
  // Opens `path` for reading; IsOpen() tells whether that worked. A failed read later on is
  // shown once through `ui` as "Error while reading file" and ends the file there.
  CCatalogueReader(const std::string& path, UserInteraction& ui);
  ~CCatalogueReader();
  CCatalogueReader(const CCatalogueReader&) = delete;
  CCatalogueReader& operator=(const CCatalogueReader&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // Message 110 in `language`, for a catalogue that did not open: the file's path and the
  // system's reason beneath it.
  void ShowOpenFailure(Language language) const;
  // The next line without its line end (LF, or CR LF); false at the end of the file.
  bool ReadLine(std::string* line);
  // Back to the first line.
  void Rewind();

 private:
  bool Refill();

  std::string path_;
  std::FILE* file_ = nullptr;
  UserInteraction& ui_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool failed_ = false;
};

// The record scan: walks the lines of the first record whose display name is `key`
// (tag included), handing each to `onLine` until it returns false or the record ends.
void ScanRecord(CCatalogueReader& reader, std::string_view key,
                const std::function<bool(std::string_view line)>& onLine);
