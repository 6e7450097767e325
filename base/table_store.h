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
