// The first family's table memory: doppler table, its word sum and the almanac, where they
// lie in the receiver, and the dump the receiver streams when asked for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kznsim {

using Bytes = std::vector<std::uint8_t>;

constexpr int kBlockCount = 45;
constexpr int kDopplerBytes = 1280;
constexpr int kDopplerWithSumBytes = 1282;  // the word sum follows the table at base + 1280
constexpr int kAlmanacRowBytes = 42;
constexpr int kAlmanacSlots = 32;
constexpr int kAlmanacBytes = kAlmanacRowBytes * kAlmanacSlots;
constexpr std::uint32_t kTkTableBase = 0xC0F400;
constexpr std::uint32_t kVrTableBase = 0xC1F400;

int BlockLength(int block);                          // bytes a block holds in the dump
std::uint32_t BlockOffset(int block);                // from the table base
std::uint16_t DopplerWordSum(const Bytes& doppler);  // over the first 1280 bytes, pairs high first

struct TableMemory {
  Bytes doppler;  // 1282 bytes: the table, then its word sum high byte first
  Bytes extra11;  // block 11, read out but never written back
  Bytes extra12;  // block 12
  Bytes almanac;  // 32 rows of 42 bytes
};

// A receiver's own tables, the same for the same seed and GPS week: almanac rows with a status
// byte, the time at byte 2 and a week number near currentWeek at bytes 4-5.
TableMemory GenerateTables(unsigned seed, int currentWeek);
int CurrentGpsWeek();

// Tables from a captured dump (anything in front, then records); nullopt unless all 45
// blocks are found with good check bytes.
std::optional<TableMemory> TablesFromDump(const Bytes& dump);

// The 45 dump records (2977 bytes); badCheckBlock >= 0 spoils that record's check byte.
Bytes BuildDumpRecords(const TableMemory& tables, int badCheckBlock);
// NMEA-like lines that a running receiver sends anyway, at least minBytes long, ending CR LF,
// without a byte 0x8B.
Bytes BuildNmeaLines(std::size_t minBytes);

}  // namespace kznsim
