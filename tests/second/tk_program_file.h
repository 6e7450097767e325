// Second-family program files for tests: a header record of either form, data records
// and an end record, each record kept apart so a test can compare what a receiver got.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TkProgramFile {
  std::string header;
  std::vector<std::string> records;  // data records, then the end record when present
  std::string Bytes() const;
};

// Form A: 0x8B, n, then the n + 6 bytes of `text` (at least 6 bytes long).
std::string TkFormAHeader(const std::string& text);
// Form B: 0x8A, m, the m bytes of `text`, then two bytes the reader drops.
std::string TkFormBHeader(const std::string& text);
// 0x8B, number, count, then 2 * count + 7 bytes that run through every byte value, the
// record markers, CR, LF and zero included. The last byte of a record is the 8-bit sum of
// the bytes between it and the first.
std::string TkDataRecord(std::uint8_t number, std::uint8_t count);
std::string TkEndRecord(std::uint8_t number);

// A header, `dataRecords` data records numbered from 1 with `count`, and an end record.
TkProgramFile MakeTkProgram(const std::string& header, int dataRecords, std::uint8_t count,
                            bool withEndRecord = true);
