// The table store's almanac backup alm.alm: loaded at start, judged by the week numbers in
// its rows, merged with every complete read-out (the newer row of each slot wins) and
// written back whole after it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "base/messages.h"
#include "loader/first/table_store.h"

class UserInteraction;

inline constexpr const char* kAlmanacFileName = "alm.alm";
inline constexpr std::int64_t kGpsEpochSeconds = 315993600;  // as the receivers count it
inline constexpr std::int64_t kSecondsPerWeek = 604800;
inline constexpr std::uint8_t kAgedStatus = 0x80;  // rows at or above take part in the age check

using Almanac = std::array<AlmanacRow, kAlmanacSlotCount>;

// Doppler table valid and fresh almanac valid back to 0; the saved almanac stays.
void ClearTableFlags(TableStore& tables);
// Reads alm.alm from the catalogue folder into the saved almanac and judges its age. A
// missing or short file leaves the saved almanac unusable, without a message.
void LoadAlmanacBackup(TableStore& tables, const std::string& catalogueFolder);
// Saved almanac valid = 1 unless one of its aged rows is more than two weeks old.
void CheckAlmanacAge(TableStore& tables);
// Merges the fresh almanac into the saved one and writes alm.alm.
void MergeAlmanac(TableStore& tables, const std::string& catalogueFolder, UserInteraction& ui,
                  Language language);
// Replaces alm.alm atomically with the saved almanac, after taking in, under a lock, the
// rows another program wrote there meanwhile that are newer than ours; message 113 when it
// cannot.
void SaveAlmanacBackup(TableStore& tables, const std::string& catalogueFolder, UserInteraction& ui,
                       Language language);
// Reads a whole alm.alm; false for a missing, short or unreadable file.
bool ReadAlmanacFile(const std::string& path, Almanac* almanac);
// Each row of `other` whose reference time is later than the row of `saved` replaces it.
void MergeNewerRows(Almanac& saved, const Almanac& other);

// catalogue folder / alm.alm
std::string AlmanacPath(const std::string& catalogueFolder);
// Week number * 604800 + time byte * 4096, in seconds.
std::int64_t AlmanacReferenceTime(const AlmanacRow& row);
// The GPS week at `secondsSince1970`, cut toward zero.
std::int64_t GpsWeekAt(std::int64_t secondsSince1970);
bool IsAlmanacUsable(const Almanac& almanac, std::int64_t secondsSince1970);
// The merge alone: the fresh row wins when newer, or on a tie when its status byte is 0;
// an unusable saved almanac is replaced whole. Leaves saved almanac valid set.
void MergeAlmanacRows(TableStore& tables);
// The file's 1344 bytes, slot after slot; false when `bytes` is not exactly that long.
bool DecodeAlmanacFile(std::span<const std::uint8_t> bytes, Almanac* almanac);
