// The records of a second-family program file behind its header record:
//   data record  0x8B, record number, count n, 2n + 7 more bytes   (2n + 10 in all)
//   end record   0x8C, record number, 6 more bytes                  (8 in all)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

class UserInteraction;

inline constexpr std::uint8_t kTkDataRecord = 0x8B;
inline constexpr std::uint8_t kTkEndRecord = 0x8C;
inline constexpr std::size_t kTkEndRecordSize = 8;
// The largest data record, count 255.
inline constexpr std::size_t kTkRecordBufferSize = 520;

using TkRecordBuffer = std::array<std::uint8_t, kTkRecordBufferSize>;

// Size of a record that starts with `first` and `count` (the third byte, data records
// only); 0 for any other first byte.
std::size_t TkRecordSize(std::uint8_t first, std::uint8_t count);

// Reads the record at the file's position into `record` and returns its size. 0 for a
// record of another kind, at the end of the file, for a record the file cuts short (a
// partial record must never reach the receiver), and on a read error, which shows
// "Error while reading file" through `ui`.
std::size_t ReadTkRecord(std::FILE* file, UserInteraction& ui, TkRecordBuffer& record);
