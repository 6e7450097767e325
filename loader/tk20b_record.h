// The records of a second-family program file behind its header record:
//   data record  0x8B, record number, count n, 2n + 7 more bytes   (2n + 10 in all)
//   end record   0x8C, record number, 6 more bytes                  (8 in all)
// A file is checked whole against these rules before its transfer (program_image.h).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint8_t kTk20bDataRecord = 0x8B;
inline constexpr std::uint8_t kTk20bEndRecord = 0x8C;
inline constexpr std::size_t kTk20bEndRecordSize = 8;

// Size of a record that starts with `first` and `count` (the third byte, data records
// only); 0 for any other first byte.
std::size_t Tk20bRecordSize(std::uint8_t first, std::uint8_t count);
