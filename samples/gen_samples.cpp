// Writes the demo catalogue's language files: synthetic programs in each family's record
// format, each behind a header record that carries its version text.
//
//   kzn_gen_samples OUTPUT_FOLDER
//
// First family (VR540, TK10B): header record, data records 0x8B n address(3) data(n+1)
// check, then the end record 0x8C, S high, S low, (high + low) mod 256, where S is the 16-bit
// sum of every data record's data bytes. Second family (TK20B): header record, data records
// 0x8B number n address(4) data(2n) word-sum(2) check, then the end record 0x8C number
// length(4) 0 check. A check byte is the 8-bit sum of the bytes between the first and itself.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/program_file.h"

namespace {

using program_file::Bytes;
using program_file::HeaderA;
using program_file::HeaderB;

// Small deterministic generator, so every build writes the same files.
class CByteSource {
 public:
  explicit CByteSource(std::uint32_t seed) : state_(seed) {}
  std::uint8_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(state_ >> 16);
  }

 private:
  std::uint32_t state_;
};

// The label shows header-text bytes 3 to 23, and reads its number from byte 11.
std::string HeaderText(const std::string& label) {
  std::string text = "KZN" + label;
  text.resize(24, ' ');
  return text;
}

// Data bytes include the values that mean something on the line (record starts, CR, LF,
// NUL), so a loader that does not send records verbatim is caught.
Bytes ProgramData(CByteSource& source, std::size_t length, int recordIndex) {
  Bytes data(length);
  for (auto& b : data)
    b = source.Next();
  static const std::uint8_t kTricky[] = {0x8B, 0x8C, 0x0D, 0x0A, 0x00, 0x8A};
  data[static_cast<std::size_t>(recordIndex) % length] =
      kTricky[static_cast<std::size_t>(recordIndex) % sizeof(kTricky)];
  return data;
}

// Mostly mid-sized records, one of the largest size, one of a single byte.
Bytes FirstFamilyProgram(const Bytes& header, std::uint32_t seed, int records) {
  CByteSource source(seed);
  std::vector<Bytes> blocks;
  for (int r = 0; r < records; ++r) {
    std::size_t length = r == 3 ? 256 : r == 5 ? 1 : 32 + (source.Next() % 64);
    blocks.push_back(ProgramData(source, length, r));
  }
  return program_file::FirstFamilyFile(header, blocks);
}

// One record of the most words a record can hold.
Bytes SecondFamilyProgram(const Bytes& header, std::uint32_t seed, int records) {
  CByteSource source(seed);
  std::vector<Bytes> blocks;
  for (int r = 0; r < records; ++r) {
    std::size_t words = r == 2 ? 255 : 16 + (source.Next() % 48);
    blocks.push_back(ProgramData(source, words * 2, r));
  }
  return program_file::SecondFamilyFile(header, blocks);
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kzn_gen_samples OUTPUT_FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  struct Sample {
    const char* name;
    Bytes content;
  };
  // VR540 below 2.3 and TK10B below 1.4 have the label's position 12 blanked.
  const Sample samples[] = {
      {"VR540.fra", FirstFamilyProgram(HeaderA(HeaderText("VR540 V 2.25 FR")), 540, 20)},
      {"VR540.gb", FirstFamilyProgram(HeaderA(HeaderText("VR540 V 2.31 GB")), 541, 20)},
      {"TK10B.fra", FirstFamilyProgram(HeaderA(HeaderText("TK10B V 1.35 FR")), 10, 16)},
      {"TK10B.gb", FirstFamilyProgram(HeaderA(HeaderText("TK10B V 1.42 GB")), 11, 16)},
      {"TK20B.fra", SecondFamilyProgram(HeaderA("TK20B V3.10 FR"), 20, 30)},
      {"TK20B.gb", SecondFamilyProgram(HeaderB("TK20B V3.10 GB"), 21, 30)},
  };
  for (const auto& s : samples) {
    std::string path = folder + "/" + s.name;
    if (!WriteFile(path, s.content)) {
      std::fprintf(stderr, "kzn_gen_samples: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
