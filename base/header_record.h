// The header record at the start of every program and language file: it carries the
// file's version text and is never sent to a receiver.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>

class UserInteraction;

inline constexpr std::uint8_t kHeaderFormA = 0x8B;  // 139: count n, n + 6 bytes
inline constexpr std::uint8_t kHeaderFormB = 0x8A;  // 138: count m, m bytes, 2 dropped bytes
inline constexpr std::size_t kRecordBufferSize = 520;
inline constexpr std::size_t kMaxHeaderRecordSize = 263;  // form A with count 255

// The process-wide header record buffer. It is never cleared: beyond the record just read
// it keeps what an earlier read left.
extern std::array<std::uint8_t, kRecordBufferSize> HeaderRecordBuffer;

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

// Copies the header record at the start of `bytes` into HeaderRecordBuffer (the bytes of
// form B's dropped pair excepted, and as far as the bytes go) and returns its extent.
HeaderRecordExtent TakeHeaderRecord(std::span<const std::uint8_t> bytes);

// Positions `file` at its start, reads the header record into HeaderRecordBuffer and
// returns its counted length (n + 8 for form A, m + 2 for form B), leaving the file just
// behind the record. 0 when the file has no header record, ends inside it, or a read
// fails ("Error while reading file" is shown through `ui` then).
std::int16_t ReadHeaderRecord(std::FILE* file, UserInteraction& ui);
