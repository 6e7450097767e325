#include "tests/second/tk_program_file.h"

#include <stdexcept>

std::string TkProgramFile::Bytes() const {
  std::string all = header;
  for (const std::string& r : records)
    all += r;
  return all;
}

std::string TkFormAHeader(const std::string& text) {
  if (text.size() < 6 || text.size() > 261) throw std::invalid_argument("form A header text");
  std::string h{'\x8B', static_cast<char>(text.size() - 6)};
  return h + text;
}

std::string TkFormBHeader(const std::string& text) {
  if (text.size() > 255) throw std::invalid_argument("form B header text");
  std::string h{'\x8A', static_cast<char>(text.size())};
  return h + text + "\x01\x02";
}

namespace {

// The receiver checks each record's last byte: the 8-bit sum of the bytes after the first.
std::string WithCheckByte(std::string record) {
  unsigned sum = 0;
  for (std::size_t i = 1; i + 1 < record.size(); ++i)
    sum += static_cast<std::uint8_t>(record[i]);
  record.back() = static_cast<char>(sum & 0xFFu);
  return record;
}

}  // namespace

std::string TkDataRecord(std::uint8_t number, std::uint8_t count) {
  std::string r{'\x8B', static_cast<char>(number), static_cast<char>(count)};
  for (std::size_t i = 0; i < 2u * count + 7u; ++i)
    r.push_back(static_cast<char>((number * 31u + i * 7u) & 0xFFu));
  return WithCheckByte(r);
}

std::string TkEndRecord(std::uint8_t number) {
  return WithCheckByte(
      std::string{'\x8C', static_cast<char>(number), 0, '\r', '\n', '\x8B', 0x12, 0});
}

TkProgramFile MakeTkProgram(const std::string& header, int dataRecords, std::uint8_t count,
                            bool withEndRecord) {
  TkProgramFile file;
  file.header = header;
  for (int i = 1; i <= dataRecords; ++i)
    file.records.push_back(TkDataRecord(static_cast<std::uint8_t>(i), count));
  if (withEndRecord)
    file.records.push_back(TkEndRecord(static_cast<std::uint8_t>(dataRecords + 1)));
  return file;
}
