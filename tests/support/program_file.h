// Program files as the receivers' loaders take them, for the tests, the benchmarks and the
// bundled samples: header records, then data records and an end record of either family,
// each with its check byte. Written from the file format alone and apart from the loader's
// own code, so that a mistake on one side is caught by the other.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace program_file {

using Bytes = std::vector<std::uint8_t>;

// The record with its check byte appended: the 8-bit sum of every byte after the first.
inline Bytes WithCheckByte(Bytes record) {
  std::uint8_t sum = 0;
  for (std::size_t i = 1; i < record.size(); ++i)
    sum = static_cast<std::uint8_t>(sum + record[i]);
  record.push_back(sum);
  return record;
}

template <typename Range>
void Append(Bytes* to, const Range& bytes) {
  for (auto b : bytes)
    to->push_back(static_cast<std::uint8_t>(b));
}

// The first bytes of a record, with room for the rest.
inline Bytes Starting(std::initializer_list<std::uint8_t> head, std::size_t rest) {
  Bytes r;
  r.reserve(head.size() + rest + 1);
  Append(&r, head);
  return r;
}

// Form A: 0x8B, n, then n + 6 bytes of text (at least six).
inline Bytes HeaderA(std::string_view text) {
  Bytes h = Starting({0x8B, static_cast<std::uint8_t>(text.size() - 6)}, text.size());
  Append(&h, text);
  return h;
}

// Form B: 0x8A, n, n bytes of text, then two bytes the count leaves out.
inline Bytes HeaderB(std::string_view text, std::uint8_t last1 = 0x0D, std::uint8_t last2 = 0x0A) {
  Bytes h = Starting({0x8A, static_cast<std::uint8_t>(text.size())}, text.size() + 2);
  Append(&h, text);
  h.push_back(last1);
  h.push_back(last2);
  return h;
}

// First family: 0x8B, data bytes - 1, a 24-bit address, 1 to 256 data bytes, check byte.
inline Bytes FirstDataRecord(std::uint32_t address, const Bytes& data) {
  Bytes r = Starting(
      {0x8B, static_cast<std::uint8_t>(data.size() - 1), static_cast<std::uint8_t>(address >> 16),
       static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)},
      data.size());
  Append(&r, data);
  return WithCheckByte(r);
}

// 0x8C, the 16-bit sum of every data byte of the program, high + low.
inline Bytes FirstEndRecord(std::uint16_t sum) {
  auto high = static_cast<std::uint8_t>(sum >> 8);
  auto low = static_cast<std::uint8_t>(sum);
  return {0x8C, high, low, static_cast<std::uint8_t>(high + low)};
}

// A first-family file: the header, one record for each data block at consecutive
// addresses from `address`, the end record with their sum.
inline Bytes FirstFamilyFile(const Bytes& header, const std::vector<Bytes>& blocks,
                             std::uint32_t address = 0x010000) {
  Bytes file = header;
  std::uint16_t sum = 0;
  for (const Bytes& data : blocks) {
    Append(&file, FirstDataRecord(address, data));
    address += static_cast<std::uint32_t>(data.size());
    for (std::uint8_t b : data)
      sum = static_cast<std::uint16_t>(sum + b);
  }
  Append(&file, FirstEndRecord(sum));
  return file;
}

// Second family: 0x8B, record number, words, a 32-bit address, the words' bytes, their
// 16-bit word sum, check byte (2 x words + 10 bytes in all).
inline Bytes SecondDataRecord(std::uint8_t number, const Bytes& data,
                              std::uint32_t address = 0x08004000) {
  Bytes r =
      Starting({0x8B, number, static_cast<std::uint8_t>(data.size() / 2),
                static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
                static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)},
               data.size() + 2);
  Append(&r, data);
  std::uint16_t wordSum = 0;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    wordSum = static_cast<std::uint16_t>(wordSum + (data[i] << 8 | data[i + 1]));
  r.push_back(static_cast<std::uint8_t>(wordSum >> 8));
  r.push_back(static_cast<std::uint8_t>(wordSum));
  return WithCheckByte(r);
}

// 0x8C, record number, the program's byte count (32 bits), 0, check byte.
inline Bytes SecondEndRecord(std::uint8_t number, std::uint32_t total = 256) {
  return WithCheckByte(
      {0x8C, number, static_cast<std::uint8_t>(total >> 24), static_cast<std::uint8_t>(total >> 16),
       static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total), 0});
}

// The records of a second-family file for the data blocks (an even number of bytes each),
// numbered from 1 at consecutive addresses, the end record last.
inline std::vector<Bytes> SecondFamilyRecords(const std::vector<Bytes>& blocks) {
  std::vector<Bytes> records;
  std::uint32_t address = 0x08004000;
  std::uint32_t total = 0;
  for (const Bytes& data : blocks) {
    records.push_back(
        SecondDataRecord(static_cast<std::uint8_t>(records.size() + 1), data, address));
    address += static_cast<std::uint32_t>(data.size());
    total += static_cast<std::uint32_t>(data.size());
  }
  records.push_back(SecondEndRecord(static_cast<std::uint8_t>(records.size() + 1), total));
  return records;
}

inline Bytes SecondFamilyFile(const Bytes& header, const std::vector<Bytes>& blocks) {
  Bytes file = header;
  for (const Bytes& record : SecondFamilyRecords(blocks))
    Append(&file, record);
  return file;
}

}  // namespace program_file
