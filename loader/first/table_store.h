// The receiver's doppler table and almanac as the first family's loads keep them, and the
// map of where they lie in the receiver.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kBlockCount = 45;
inline constexpr int kDopplerRowCount = 13;
inline constexpr int kDopplerRowSize = 130;
inline constexpr int kAlmanacSlotCount = 32;
inline constexpr int kAlmanacRowSize = 42;
inline constexpr int kFirstAlmanacBlock = 13;
inline constexpr int kAlmanacFileSize = kAlmanacSlotCount * kAlmanacRowSize;  // 1344

using DopplerRow = std::array<std::uint8_t, kDopplerRowSize>;
using AlmanacRow = std::array<std::uint8_t, kAlmanacRowSize>;

struct TableStore {
  std::array<DopplerRow, kDopplerRowCount> doppler{};
  std::array<AlmanacRow, kAlmanacSlotCount> freshAlmanac{};
  std::array<AlmanacRow, kAlmanacSlotCount> savedAlmanac{};
  bool dopplerValid = false;
  bool freshAlmanacValid = false;
  bool savedAlmanacValid = false;
};

struct BlockMapEntry {
  std::uint32_t address = 0;  // 24-bit load address
  std::uint16_t length = 0;
};

using BlockMap = std::array<BlockMapEntry, kBlockCount>;

// Where the receiver keeps its tables: blocks 0 to 9 are doppler rows of 120 bytes, block 10
// the last 80 bytes of the doppler table, block 11 a further 120-byte row, block 12 8 bytes,
// blocks 13 to 44 the almanac rows.
constexpr std::uint16_t BlockLength(int block) {
  if (block <= 9) return 120;
  if (block == 10) return 80;
  if (block == 11) return 120;
  if (block == 12) return 8;
  return kAlmanacRowSize;
}

// The block's offset from the family's table base.
constexpr std::uint32_t BlockOffset(int block) {
  if (block <= 10) return 120u * static_cast<std::uint32_t>(block);
  if (block == 11) return 1284;
  if (block == 12) return 1404;
  return 1412u + 42u * static_cast<std::uint32_t>(block - kFirstAlmanacBlock);
}
