// The header record at the start of every program and language file: it carries the
// file's version text and is never sent to a receiver.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>

class UserInteraction;

// The bytes that start records in both families' files, in the dump of the tables and in
// the tables written back.
inline constexpr std::uint8_t kDataRecordStart = 0x8B;
inline constexpr std::uint8_t kEndRecordStart = 0x8C;

inline constexpr std::uint8_t kHeaderFormA = kDataRecordStart;  // 139: count n, n + 6 bytes
inline constexpr std::uint8_t kHeaderFormB = 0x8A;  // 138: count m, m bytes, 2 dropped bytes
inline constexpr std::size_t kRecordBufferSize = 520;
inline constexpr std::size_t kMaxHeaderRecordSize = 263;  // form A with count 255

// Where the header record at the start of a file's bytes ends.
struct HeaderRecordExtent {
  std::int16_t counted = 0;  // n + 8 (form A), m + 2 (form B); 0 when there is none
  std::size_t occupied = 0;  // bytes it takes in the file (form B: counted + 2); when there
                             // is none, the bytes looked at: 1 for another first byte, all
                             // of them when they end inside the record
};

// The header record at the start of `bytes`, which may be the whole file or its first
// kMaxHeaderRecordSize bytes. A record the bytes end inside counts as none.
HeaderRecordExtent MeasureHeaderRecord(std::span<const std::uint8_t> bytes);

// A header record as read: its first byte, count and text (form B's dropped pair not), and
// its counted length.
struct HeaderRecord {
  std::array<std::uint8_t, kMaxHeaderRecordSize> bytes{};  // zero beyond the record
  std::int16_t counted = 0;  // n + 8 (form A), m + 2 (form B); 0 when there is none

  std::uint8_t Form() const { return bytes[0]; }
  // Header text byte k is record byte k + 2.
  const std::uint8_t* Text() const { return bytes.data() + 2; }
};

// The header record at the start of `bytes` (as far as the bytes go), with its extent in
// *extent when given.
HeaderRecord TakeHeaderRecord(std::span<const std::uint8_t> bytes,
                              HeaderRecordExtent* extent = nullptr);

// Positions `file` at its start and reads its header record, leaving the file just behind
// it. Counted 0 when the file has no header record, ends inside it, or a read fails
// ("Error while reading file" is shown through `ui` then).
HeaderRecord ReadHeaderRecord(std::FILE* file, UserInteraction& ui);
