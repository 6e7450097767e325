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

namespace {

using Bytes = std::vector<std::uint8_t>;

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

std::uint8_t CheckByte(const Bytes& record) {
  unsigned sum = 0;
  for (std::size_t i = 1; i < record.size(); ++i)
    sum += record[i];
  return static_cast<std::uint8_t>(sum & 0xFF);
}

// The label shows header-text bytes 3 to 23, and reads its number from byte 11.
Bytes HeaderText(const std::string& label) {
  std::string text = "KZN" + label;
  text.resize(24, ' ');
  return Bytes(text.begin(), text.end());
}

Bytes HeaderFormA(const Bytes& text) {
  Bytes h{0x8B, static_cast<std::uint8_t>(text.size() - 6)};
  h.insert(h.end(), text.begin(), text.end());
  return h;
}

Bytes HeaderFormB(const Bytes& text) {
  Bytes h{0x8A, static_cast<std::uint8_t>(text.size())};
  h.insert(h.end(), text.begin(), text.end());
  h.push_back(0x0D);  // two trailing bytes the reader drops
  h.push_back(0x0A);
  return h;
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

Bytes FirstFamilyProgram(const Bytes& header, std::uint32_t seed, int records) {
  CByteSource source(seed);
  Bytes file = header;
  unsigned programSum = 0;
  std::uint32_t address = 0x010000;
  for (int r = 0; r < records; ++r) {
    // Mostly mid-sized records, one of the largest size, one of a single byte.
    std::size_t length = r == 3 ? 256 : r == 5 ? 1 : 32 + (source.Next() % 64);
    Bytes data = ProgramData(source, length, r);
    Bytes rec{0x8B, static_cast<std::uint8_t>(length - 1), static_cast<std::uint8_t>(address >> 16),
              static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    rec.insert(rec.end(), data.begin(), data.end());
    for (auto b : data)
      programSum += b;
    rec.push_back(CheckByte(rec));
    file.insert(file.end(), rec.begin(), rec.end());
    address += static_cast<std::uint32_t>(length);
  }
  auto hi = static_cast<std::uint8_t>((programSum >> 8) & 0xFF);
  auto lo = static_cast<std::uint8_t>(programSum & 0xFF);
  file.insert(file.end(), {0x8C, hi, lo, static_cast<std::uint8_t>(hi + lo)});
  return file;
}

Bytes SecondFamilyProgram(const Bytes& header, std::uint32_t seed, int records) {
  CByteSource source(seed);
  Bytes file = header;
  std::uint32_t address = 0x08004000;
  std::uint32_t total = 0;
  int number = 1;
  for (int r = 0; r < records; ++r, ++number) {
    std::size_t words = r == 2 ? 255 : 16 + (source.Next() % 48);
    Bytes data = ProgramData(source, words * 2, r);
    Bytes rec{0x8B,
              static_cast<std::uint8_t>(number & 0xFF),
              static_cast<std::uint8_t>(words),
              static_cast<std::uint8_t>(address >> 24),
              static_cast<std::uint8_t>(address >> 16),
              static_cast<std::uint8_t>(address >> 8),
              static_cast<std::uint8_t>(address)};
    rec.insert(rec.end(), data.begin(), data.end());
    unsigned wordSum = 0;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
      wordSum += static_cast<unsigned>(data[i] << 8 | data[i + 1]);
    rec.push_back(static_cast<std::uint8_t>(wordSum >> 8));
    rec.push_back(static_cast<std::uint8_t>(wordSum));
    rec.push_back(CheckByte(rec));
    file.insert(file.end(), rec.begin(), rec.end());
    address += static_cast<std::uint32_t>(data.size());
    total += static_cast<std::uint32_t>(data.size());
  }
  Bytes end{0x8C,
            static_cast<std::uint8_t>(number & 0xFF),
            static_cast<std::uint8_t>(total >> 24),
            static_cast<std::uint8_t>(total >> 16),
            static_cast<std::uint8_t>(total >> 8),
            static_cast<std::uint8_t>(total),
            0};
  end.push_back(CheckByte(end));
  file.insert(file.end(), end.begin(), end.end());
  return file;
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
      {"VR540.fra", FirstFamilyProgram(HeaderFormA(HeaderText("VR540 V 2.25 FR")), 540, 20)},
      {"VR540.gb", FirstFamilyProgram(HeaderFormA(HeaderText("VR540 V 2.31 GB")), 541, 20)},
      {"TK10B.fra", FirstFamilyProgram(HeaderFormA(HeaderText("TK10B V 1.35 FR")), 10, 16)},
      {"TK10B.gb", FirstFamilyProgram(HeaderFormA(HeaderText("TK10B V 1.42 GB")), 11, 16)},
      {"TK20B.fra", SecondFamilyProgram(HeaderFormA(Bytes{'T', 'K', '2', '0', 'B', ' ', 'V', '3',
                                                          '.', '1', '0', ' ', 'F', 'R'}),
                                        20, 30)},
      {"TK20B.gb", SecondFamilyProgram(HeaderFormB(Bytes{'T', 'K', '2', '0', 'B', ' ', 'V', '3',
                                                         '.', '1', '0', ' ', 'G', 'B'}),
                                       21, 30)},
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
