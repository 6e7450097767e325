// The generated sample catalogue: every file loads as it stands, record by record, into a
// receiver that recognises its family from the loader's first words, accepts each record and
// ends with success.
#include <fstream>
#include <iterator>

#include "tests/sim/sim_fixture.h"

namespace simtest {
namespace {

Bytes ReadSample(const std::string& name) {
  std::ifstream in(std::string(KZN_BINARY_DIR) + "/samples/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

using SampleLoad = SimLineTest;

TEST_F(SampleLoad, EverySampleLoadsAsItStands) {
  for (std::string name :
       {"VR540.fra", "VR540.gb", "TK10B.fra", "TK10B.gb", "TK20B.fra", "TK20B.gb"}) {
    SCOPED_TRACE(name);
    Bytes file = ReadSample(name);
    ASSERT_GT(file.size(), 30u);
    bool second = name.rfind("TK20B", 0) == 0;
    bool formB = name == "TK20B.gb";
    EXPECT_EQ(file[0], formB ? 0x8A : 0x8B);
    StartSim({"--erase-ms", "60"});
    if (second) {
      Tk20bIntoTransfer("510000", 115200);
    } else if (name[0] == 'V') {
      VrIntoLoader();
    } else {
      TkIntoLoader();
    }
    // Form B keeps two bytes beyond its count.
    std::size_t pos = file[1] + (formB ? 4u : 8u);
    Bytes program;
    int records = 0;
    while (pos < file.size()) {
      bool data = file[pos] == 0x8B;
      std::size_t length = !data    ? (second ? 8u : 4u)
                           : second ? 2u * file[pos + 2] + 10u
                                    : file[pos + 1] + 7u;
      ASSERT_LE(pos + length, file.size());
      EXPECT_TRUE(data || pos + length == file.size()) << "the end record closes the file";
      Bytes record(file.begin() + static_cast<long>(pos),
                   file.begin() + static_cast<long>(pos + length));
      if (data) {
        program.insert(program.end(), record.begin(), record.end());
        ++records;
      }
      char word[8];
      std::snprintf(word, sizeof(word), "P%02X\r\n", records);  // numbered from 1
      EXPECT_EQ(second ? Reply(record) : Exchange(record),
                data ? (second ? word : "0") : (second ? "POK\r\n" : "5"))
          << pos;
      pos += length;
    }
    auto report = StopSim();
    EXPECT_EQ(records, second ? 30 : name[0] == 'V' ? 20 : 16);
    EXPECT_EQ(report.at("family").AsString(), name.substr(0, second ? 5 : 2));
    EXPECT_EQ(report.at("outcomes").at(0).AsString(), second ? "POK" : "5");
    EXPECT_EQ(report.at("program").AsString(), json_lite::HexFromBytes(program));
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
}

TEST(Samples, VersionTextsSitWhereTheLabelIsRead) {
  // The version label shows header-text bytes 3 to 23 and reads its number at byte 11.
  Bytes vr = ReadSample("VR540.fra");
  ASSERT_GT(vr.size(), 30u);
  EXPECT_EQ(Text(Bytes(vr.begin() + 5, vr.begin() + 20)), "VR540 V 2.25 FR");
  EXPECT_EQ(Text(Bytes(vr.begin() + 13, vr.begin() + 17)), "2.25");
  Bytes gb = ReadSample("TK20B.gb");
  ASSERT_GT(gb.size(), 30u);
  EXPECT_EQ(Text(Bytes(gb.begin() + 2, gb.begin() + 2 + gb[1])), "TK20B V3.10 GB");
}

}  // namespace
}  // namespace simtest
