// Loads of the generated sample files, and a receiver whose tables come from a capture.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/sim/sim_fixture.h"

namespace simtest {
namespace {

Bytes SampleFile(const std::string& name) {
  std::ifstream in(std::string(KZN_BINARY_DIR) + "/samples/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class SampleLoad : public SimLineTest {};

TEST_F(SampleLoad, SampleProgramsAreAcceptedAsTheyStand) {
  {
    // First family, no tables written back: the file's own sum is the receiver's.
    Bytes file = SampleFile("TK10B.fra");
    ASSERT_GT(file.size(), 30u);
    StartSim({"--family", "TK"});
    TkIntoLoader();
    std::size_t pos = file[1] + 8u;
    Bytes program;
    while (file[pos] == 0x8B) {
      Bytes record(file.begin() + static_cast<long>(pos),
                   file.begin() + static_cast<long>(pos + file[pos + 1] + 7u));
      EXPECT_EQ(Exchange(record), "0");
      program.insert(program.end(), record.begin(), record.end());
      pos += record.size();
    }
    EXPECT_EQ(Exchange(Bytes(file.begin() + static_cast<long>(pos), file.end())), "5");
    auto report = StopSim();
    EXPECT_EQ(report.at("program").AsString(), Hex(program));
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
  {
    Bytes file = SampleFile("TK20B.gb");
    ASSERT_GT(file.size(), 30u);
    StartSim({"--family", "TK20B", "--erase-ms", "60"});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Send(kWake2);
    ASSERT_TRUE(Contains(loader_->ReadUntil(kTk20bText, 1000), kTk20bText));
    loader_->Send("$PKZN,24,03,510000,0406\r\n");
    ASSERT_TRUE(Contains(loader_->ReadUntil("PRG\r\n", 1000), "PRG\r\n"));
    loader_->SetLine(115200, 2);
    ASSERT_TRUE(Contains(loader_->ReadUntil("PXF\r\n", 1000), "PXF\r\n"));
    ASSERT_TRUE(loader_->Open(115200, 1));
    std::size_t pos = file[1] + 4u;  // form B: two bytes beyond its count
    while (pos < file.size()) {
      std::size_t length = file[pos] == 0x8B ? 2u * file[pos + 2] + 10u : 8u;
      char word[8];
      std::snprintf(word, sizeof(word), "P%02X\r\n", file[pos + 1]);
      loader_->Send(Bytes(file.begin() + static_cast<long>(pos),
                          file.begin() + static_cast<long>(pos + length)));
      std::string expected = file[pos] == 0x8B ? word : "POK\r\n";
      EXPECT_TRUE(Contains(loader_->ReadUntil(expected, 500), expected)) << pos;
      pos += length;
    }
    auto report = StopSim();
    EXPECT_EQ(report.at("outcomes").at(0).AsString(), "POK");
    EXPECT_EQ(report.at("recordsAccepted").AsInt(), 30);
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
}

}  // namespace
}  // namespace simtest

namespace simtest {
namespace {

class TablesAndLink : public SimLineTest {};

TEST_F(TablesAndLink, ReceiverTakesItsTablesFromACaptureAndAnswersThroughTheLink) {
  StartSim({"--family", "TK", "--seed", "9"});
  ASSERT_TRUE(loader_->Open(9600, 2));
  loader_->Send(std::string("$KZNPROG", 9));
  Bytes capture = loader_->ReadFor(600);
  ASSERT_EQ(DumpRecords(capture).size(), 45u);
  StopSim();

  char folder[] = "/tmp/kznsim-test-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string dumpPath = std::string(folder) + "/~tmp1.tmp";
  std::string linkPath = std::string(folder) + "/ttyKZN";
  {
    std::ofstream out(dumpPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(capture.data()), static_cast<long>(capture.size()));
  }
  CSimProcess other;
  ASSERT_TRUE(other.Start({"--family", "VR", "--tables", dumpPath, "--link", linkPath}));
  CScriptedLoader viaLink(linkPath);
  ASSERT_TRUE(viaLink.Open(4800, 2));
  viaLink.SendAndDrain(kVrReadOut);
  viaLink.SetLine(9600, 2);
  auto again = DumpRecords(viaLink.ReadFor(600));
  auto first = DumpRecords(capture);
  ASSERT_EQ(again.size(), 45u);
  for (std::size_t i = 0; i < 45; ++i)
    EXPECT_EQ(again[i].data, first[i].data) << i;
  viaLink.Close();
  ASSERT_TRUE(other.Stop());
  EXPECT_NE(access(linkPath.c_str(), F_OK), 0) << "the link goes with the simulator";

  // A capture without its 45 records is refused at the start.
  Bytes cut(capture.begin(), capture.begin() + 1000);
  {
    std::ofstream out(dumpPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(cut.data()), static_cast<long>(cut.size()));
  }
  CSimProcess refused;
  EXPECT_FALSE(refused.Start({"--family", "VR", "--tables", dumpPath}, 2000));
  EXPECT_EQ(refused.ExitStatus(), 2);
  std::remove(dumpPath.c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace simtest
