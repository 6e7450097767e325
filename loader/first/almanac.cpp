#include "loader/first/almanac.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "base/atomic_file.h"
#include "base/file_lock.h"
#include "base/messages.h"
#include "base/path.h"
#include "loader/first/first_result.h"

namespace {

std::uint16_t WeekOf(const AlmanacRow& row) {
  return static_cast<std::uint16_t>((row[4] << 8) | row[5]);
}

}  // namespace

void ClearTableFlags(TableStore& tables) {
  tables.dopplerValid = false;
  tables.freshAlmanacValid = false;
}

std::string AlmanacPath(const std::string& catalogueFolder) {
  return catalogueFolder + kPathSeparator + kAlmanacFileName;
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

void CheckAlmanacAge(TableStore& tables) {
  if (IsAlmanacUsable(tables.savedAlmanac, static_cast<std::int64_t>(std::time(nullptr))))
    tables.savedAlmanacValid = true;
}

bool DecodeAlmanacFile(std::span<const std::uint8_t> bytes, Almanac* almanac) {
  if (bytes.size() != static_cast<std::size_t>(kAlmanacFileSize)) return false;
  for (int slot = 0; slot < kAlmanacSlotCount; ++slot) {
    for (int i = 0; i < kAlmanacRowSize; ++i)
      (*almanac)[slot][i] = bytes[static_cast<std::size_t>(slot * kAlmanacRowSize + i)];
  }
  return true;
}

bool ReadAlmanacFile(const std::string& path, Almanac* almanac) {
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr) return false;
  std::vector<std::uint8_t> bytes(kAlmanacFileSize + 1);
  std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
  bool readError = std::ferror(file.get()) != 0;
  file.reset();
  // Only a whole file is used: rows past the end of a short one would be made up.
  if (readError || got < static_cast<std::size_t>(kAlmanacFileSize)) return false;
  bytes.resize(kAlmanacFileSize);
  return DecodeAlmanacFile(bytes, almanac);
}

void LoadAlmanacBackup(TableStore& tables, const std::string& catalogueFolder) {
  tables.savedAlmanacValid = false;
  if (!ReadAlmanacFile(AlmanacPath(catalogueFolder), &tables.savedAlmanac)) return;
  CheckAlmanacAge(tables);
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

void MergeAlmanac(TableStore& tables, const std::string& catalogueFolder, UserInteraction& ui,
                  Language language) {
  MergeAlmanacRows(tables);
  SaveAlmanacBackup(tables, catalogueFolder, ui, language);
}

void MergeNewerRows(Almanac& saved, const Almanac& other) {
  for (int slot = 0; slot < kAlmanacSlotCount; ++slot) {
    if (AlmanacReferenceTime(other[slot]) > AlmanacReferenceTime(saved[slot]))
      saved[slot] = other[slot];
  }
}

void SaveAlmanacBackup(TableStore& tables, const std::string& catalogueFolder, UserInteraction& ui,
                       Language language) {
  const std::string path = AlmanacPath(catalogueFolder);
  // Another program loading on another port may have written newer rows since this one read
  // the file: they are merged in under the lock, so that neither loses the other's rows. A
  // folder where no lock file can be made is written all the same (or fails with 113).
  CFileLock lock;
  lock.Acquire(path + ".lock");
  Almanac onDisk{};
  if (ReadAlmanacFile(path, &onDisk)) MergeNewerRows(tables.savedAlmanac, onDisk);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kAlmanacFileSize);
  for (const AlmanacRow& row : tables.savedAlmanac)
    bytes.insert(bytes.end(), row.begin(), row.end());
  if (!ReplaceFileAtomically(path, bytes))
    ReportFirstResult(ui, language, FirstResult::kTempFileError);
}
