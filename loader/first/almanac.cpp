#include "loader/first/almanac.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "base/atomic_file.h"
#include "base/loader_state.h"
#include "base/messages.h"

namespace {

std::uint16_t WeekOf(const AlmanacRow& row) {
  return static_cast<std::uint16_t>((row[4] << 8) | row[5]);
}

}  // namespace

void ClearTableFlags(CLoaderState& w) {
  w.tables.dopplerValid = false;
  w.tables.freshAlmanacValid = false;
}

std::string AlmanacPath(const CLoaderState& w) {
  return w.catalogueFolder + kPathSeparator + kAlmanacFileName;
}

std::int64_t AlmanacReferenceTime(const AlmanacRow& row) {
  // Wide enough for any week number the row can hold, so no row wraps into the past.
  return static_cast<std::int64_t>(WeekOf(row)) * kSecondsPerWeek +
         static_cast<std::int64_t>(row[2]) * 4096;
}

std::int64_t GpsWeekAt(std::int64_t secondsSince1970) {
  return (secondsSince1970 - kGpsEpochSeconds) / kSecondsPerWeek;
}

bool IsAlmanacUsable(const Almanac& almanac, std::int64_t secondsSince1970) {
  auto currentWeek = static_cast<std::uint32_t>(GpsWeekAt(secondsSince1970));
  for (const AlmanacRow& row : almanac) {
    if (static_cast<std::uint32_t>(WeekOf(row)) + 2u < currentWeek && row[0] >= kAgedStatus)
      return false;
  }
  return true;
}

void CheckAlmanacAge(CLoaderState& w) {
  if (IsAlmanacUsable(w.tables.savedAlmanac, static_cast<std::int64_t>(std::time(nullptr))))
    w.tables.savedAlmanacValid = true;
}

bool DecodeAlmanacFile(std::span<const std::uint8_t> bytes, Almanac* almanac) {
  if (bytes.size() != static_cast<std::size_t>(kAlmanacFileSize)) return false;
  for (int slot = 0; slot < kAlmanacSlotCount; ++slot) {
    for (int i = 0; i < kAlmanacRowSize; ++i)
      (*almanac)[slot][i] = bytes[static_cast<std::size_t>(slot * kAlmanacRowSize + i)];
  }
  return true;
}

void LoadAlmanacBackup(CLoaderState& w) {
  w.tables.savedAlmanacValid = false;
  std::FILE* file = std::fopen(AlmanacPath(w).c_str(), "rb");
  if (file == nullptr) return;
  std::vector<std::uint8_t> bytes(kAlmanacFileSize + 1);
  std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  bool readError = std::ferror(file) != 0;
  std::fclose(file);
  // Only a whole file is used: rows past the end of a short one would be made up.
  if (readError || got < static_cast<std::size_t>(kAlmanacFileSize)) return;
  bytes.resize(kAlmanacFileSize);
  DecodeAlmanacFile(bytes, &w.tables.savedAlmanac);
  CheckAlmanacAge(w);
}

void MergeAlmanacRows(TableStore& tables) {
  if (!tables.savedAlmanacValid) {
    tables.savedAlmanac = tables.freshAlmanac;
    tables.savedAlmanacValid = true;
    return;
  }
  for (int slot = 0; slot < kAlmanacSlotCount; ++slot) {
    const AlmanacRow& fresh = tables.freshAlmanac[slot];
    AlmanacRow& saved = tables.savedAlmanac[slot];
    std::int64_t freshTime = AlmanacReferenceTime(fresh);
    std::int64_t savedTime = AlmanacReferenceTime(saved);
    if (freshTime > savedTime || (freshTime == savedTime && fresh[0] == 0)) saved = fresh;
  }
}

void MergeAlmanac(CLoaderState& w) {
  MergeAlmanacRows(w.tables);
  SaveAlmanacBackup(w);
}

void SaveAlmanacBackup(CLoaderState& w) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kAlmanacFileSize);
  for (const AlmanacRow& row : w.tables.savedAlmanac)
    bytes.insert(bytes.end(), row.begin(), row.end());
  if (!ReplaceFileAtomically(AlmanacPath(w), bytes))
    ShowMessageById(w.ui, kMsgTempFileError + LanguageOffset, kStyleExclamation);
}
