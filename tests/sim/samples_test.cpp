// The generated sample catalogue follows the record layouts and the program-sum convention
// that the simulator checks, so a demo load of any sample ends with success.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/sim/scripted_loader.h"

namespace simtest {
namespace {

Bytes ReadSample(const std::string& name) {
  std::ifstream in(std::string(KZN_BINARY_DIR) + "/samples/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Length of the header record in the file (form B keeps two bytes beyond its count).
std::size_t HeaderBytes(const Bytes& f) {
  if (f.size() < 2) return 0;
  if (f[0] == 0x8B) return f[1] + 8u;
  if (f[0] == 0x8A) return f[1] + 4u;
  return 0;
}

bool Checks(const Bytes& f, std::size_t start, std::size_t length) {
  unsigned sum = 0;
  for (std::size_t i = start + 1; i + 1 < start + length; ++i)
    sum += f[i];
  return (sum & 0xFF) == f[start + length - 1];
}

TEST(Samples, FirstFamilyFilesEndWithTheirProgramSum) {
  for (const char* name : {"VR540.fra", "VR540.gb", "TK10B.fra", "TK10B.gb"}) {
    SCOPED_TRACE(name);
    Bytes f = ReadSample(name);
    ASSERT_GT(f.size(), 30u);
    EXPECT_EQ(f[0], 0x8B) << "form A header";
    std::size_t pos = HeaderBytes(f);
    unsigned sum = 0;
    int records = 0;
    while (pos < f.size() && f[pos] == 0x8B) {
      std::size_t length = f[pos + 1] + 7u;
      ASSERT_LE(pos + length, f.size());
      EXPECT_TRUE(Checks(f, pos, length)) << "record at " << pos;
      std::uint32_t address =
          static_cast<std::uint32_t>(f[pos + 2] << 16 | f[pos + 3] << 8 | f[pos + 4]);
      EXPECT_LT(address, 0xC0F400u) << "programs stay out of the table region";
      for (std::size_t i = pos + 5; i + 1 < pos + length; ++i)
        sum += f[i];
      pos += length;
      ++records;
    }
    EXPECT_GT(records, 10);
    ASSERT_EQ(pos + 4, f.size()) << "the end record closes the file";
    EXPECT_EQ(f[pos], 0x8C);
    EXPECT_EQ(f[pos + 1] << 8 | f[pos + 2], static_cast<int>(sum & 0xFFFF));
    EXPECT_EQ(f[pos + 3], (f[pos + 1] + f[pos + 2]) & 0xFF);
  }
}

TEST(Samples, SecondFamilyFilesUseBothHeaderForms) {
  Bytes fra = ReadSample("TK20B.fra");
  Bytes gb = ReadSample("TK20B.gb");
  ASSERT_FALSE(fra.empty());
  ASSERT_FALSE(gb.empty());
  EXPECT_EQ(fra[0], 0x8B);
  EXPECT_EQ(gb[0], 0x8A);
  EXPECT_EQ(Text(Bytes(gb.begin() + 2, gb.begin() + 2 + gb[1])), "TK20B V3.10 GB");
  for (const Bytes* f : {&fra, &gb}) {
    std::size_t pos = HeaderBytes(*f);
    int expectedNumber = 1;
    while (pos < f->size() && (*f)[pos] == 0x8B) {
      std::size_t length = 2u * (*f)[pos + 2] + 10u;
      ASSERT_LE(pos + length, f->size());
      EXPECT_EQ((*f)[pos + 1], expectedNumber++);
      EXPECT_TRUE(Checks(*f, pos, length));
      pos += length;
    }
    ASSERT_EQ(pos + 8, f->size());
    EXPECT_EQ((*f)[pos], 0x8C);
    EXPECT_TRUE(Checks(*f, pos, 8));
  }
}

TEST(Samples, CatalogueNamesEveryFileWithTheSimulatorsTexts) {
  std::ifstream in(std::string(KZN_BINARY_DIR) + "/samples/chgt.cfg");
  std::string cfg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* line :
       {"E/S:VR\n", "E/S:TK\n", "E/S:TK20B\n", "WRG:VR LOADER BAD CHECKSUM\n",
        "WRG:TK LOADER BAD CHECKSUM\n", "WRG:TK20B BOOT WAITING\n", "LFR:fra;", "LGB:gb;"})
    EXPECT_NE(cfg.find(line), std::string::npos) << line;
  // The version label shows header-text bytes 3 to 23 and reads its number at byte 11.
  Bytes vr = ReadSample("VR540.fra");
  ASSERT_GT(vr.size(), 30u);
  std::string label = Text(Bytes(vr.begin() + 5, vr.begin() + 26));
  EXPECT_EQ(label.substr(0, 15), "VR540 V 2.25 FR");
  EXPECT_EQ(Text(Bytes(vr.begin() + 13, vr.begin() + 17)), "2.25");
}

}  // namespace
}  // namespace simtest
