// The header record at the start of every program and language file: it carries the
// file's version text and is never sent to a receiver.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

class UserInteraction;

inline constexpr std::uint8_t kHeaderFormA = 0x8B;  // 139: count n, n + 6 bytes
inline constexpr std::uint8_t kHeaderFormB = 0x8A;  // 138: count m, m bytes, 2 dropped bytes
inline constexpr std::size_t kRecordBufferSize = 520;

// The process-wide header record buffer. It is never cleared: beyond the record just read
// it keeps what an earlier read left.
extern std::array<std::uint8_t, kRecordBufferSize> HeaderRecordBuffer;

// Positions `file` at its start, reads the header record into HeaderRecordBuffer and
// returns its counted length (n + 8 for form A, m + 2 for form B), leaving the file just
// behind the record. 0 when the file has no header record, ends inside it, or a read
// fails ("Error while reading file" is shown through `ui` then).
std::int16_t ReadHeaderRecord(std::FILE* file, UserInteraction& ui);
