// The second-family receiver driven by a scripted loader.
#include "tests/sim/sim_fixture.h"

namespace simtest {
namespace {

using SecondFamilyLine = SimLineTest;

TEST_F(SecondFamilyLine, LoadsWithDxfAtTheRateItWasPreparedFor) {
  StartSim({"--family", "TK20B", "--erase-ms", "80", "--dxf"});
  long long start = NowMs();
  Tk20bIntoTransfer("210000", 19200, true);
  EXPECT_GE(NowMs() - start, 160) << "DXF after one erase time, PXF after another";
  std::vector<Bytes> records = {SecondDataRecord(1, Bytes(64, 0x8B)),
                                SecondDataRecord(2, {0x0D, 0x0A, 0x00, 0x8C}),
                                SecondDataRecord(0xAB, Bytes(510, 0x55))};
  EXPECT_EQ(Reply(records[0]), "P01\r\n");
  EXPECT_EQ(Reply(records[1]), "P02\r\n");
  EXPECT_EQ(Reply(records[2]), "PAB\r\n") << "record numbers in upper case";
  EXPECT_EQ(Reply(SecondEndRecord(0xAC)), "POK\r\n");
  auto report = StopSim();
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  EXPECT_EQ(report.at("preparation").at("sentence").AsString() + "\r\n", Preparation("210000"));
  EXPECT_EQ(report.at("preparation").at("rateChar").AsString(), "2");
  EXPECT_EQ(report.at("preparation").at("userDataChar").AsString(), "1");
  Bytes program;
  for (const auto& r : records)
    program.insert(program.end(), r.begin(), r.end());
  EXPECT_EQ(report.at("program").AsString(), json_lite::HexFromBytes(program));
  EXPECT_EQ(report.at("recordsAccepted").AsInt(), 3);
  EXPECT_EQ(report.at("outcomes").at(0).AsString(), "POK");
  EXPECT_EQ(Phases(report), "normal 4800/2, identify 4800/2, record 19200/1");
}

TEST_F(SecondFamilyLine, ReplyWordFaults) {
  struct Case {
    const char* fault;
    std::vector<std::pair<std::uint8_t, std::string>> steps;  // record sent, reply
    int resent;
  };
  const Case cases[] = {
      {"m-word=2", {{1, "M01"}, {1, "M01"}, {1, "P01"}, {2, "P02"}}, 2},
      {"wrong-record=1", {{1, "P02"}, {1, "P01"}, {2, "P02"}}, 1},
      {"wrong-record", {{1, "P02"}, {2, "P03"}}, 0},
      {"refuse=1", {{1, "ECC"}, {1, "P01"}, {2, "P02"}}, 1},
      {"refuse-record=2:1", {{1, "P01"}, {2, "ECC"}, {2, "P02"}}, 1},
      {"noise", {{1, "#~P01"}, {2, "#~P02"}}, 0},
      {"split", {{1, "P01"}, {2, "P02"}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    StartSim({"--family", "TK20B", "--erase-ms", "60", "--fault", c.fault});
    Tk20bIntoTransfer("500000", 115200);
    for (const auto& [number, reply] : c.steps)
      EXPECT_EQ(Reply(SecondDataRecord(number, {9, 9})), reply + "\r\n");
    auto report = StopSim();
    EXPECT_EQ(report.at("recordsResent").AsInt(), c.resent);
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
}

}  // namespace
}  // namespace simtest
