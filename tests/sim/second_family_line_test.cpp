// The second-family receiver and family recognition, driven by a scripted loader.
#include "tests/sim/sim_fixture.h"

namespace simtest {
namespace {

using SecondFamilyLine = SimLineTest;

TEST_F(SecondFamilyLine, LoadsAtEitherRateKeepingOrErasingUserData) {
  struct Case {
    std::vector<std::string> args;
    const char* data;
    int rate;
    bool dxf;
  };
  const Case cases[] = {
      {{"--family", "TK20B", "--erase-ms", "100"}, "500000", 115200, false},
      {{"--family", "TK20B", "--erase-ms", "80", "--dxf"}, "210000", 19200, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    StartSim(c.args);
    long long start = NowMs();
    Tk20bIntoTransfer(c.data, c.rate, c.dxf);
    // With DXF: DXF after one erase time, PXF after another.
    EXPECT_GE(NowMs() - start, c.dxf ? 160 : 100);
    std::vector<Bytes> records = {SecondDataRecord(1, Bytes(64, 0x8B)),
                                  SecondDataRecord(2, {0x0D, 0x0A, 0x00, 0x8C}),
                                  SecondDataRecord(0xAB, Bytes(510, 0x55))};
    EXPECT_EQ(Reply(records[0]), "P01\r\n");
    EXPECT_EQ(Reply(records[1]), "P02\r\n");
    EXPECT_EQ(Reply(records[2]), "PAB\r\n") << "record numbers in upper case";
    EXPECT_EQ(Reply(SecondEndRecord(0xAC)), "POK\r\n");
    auto report = StopSim();
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
    EXPECT_EQ(report.at("preparation").at("sentence").AsString() + "\r\n", Preparation(c.data));
    EXPECT_EQ(report.at("preparation").at("rateChar").AsString(), std::string(1, c.data[0]));
    EXPECT_EQ(report.at("preparation").at("userDataChar").AsString(), std::string(1, c.data[1]));
    Bytes program;
    for (const auto& r : records)
      program.insert(program.end(), r.begin(), r.end());
    EXPECT_EQ(report.at("program").AsString(), json_lite::HexFromBytes(program));
    EXPECT_EQ(report.at("recordsAccepted").AsInt(), 3);
    EXPECT_EQ(report.at("outcomes").at(0).AsString(), "POK");
    EXPECT_EQ(Phases(report),
              "normal 4800/2, identify 4800/2, record " + std::to_string(c.rate) + "/1");
  }
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
    for (const auto& [number, reply] : c.steps) {
      loader_->Send(SecondDataRecord(number, {9, 9}));
      Bytes got = loader_->Read(500, "", 1);
      Bytes soon = loader_->Read(5);
      // Split replies come a few bytes at a time.
      EXPECT_EQ(got.size() + soon.size() <= 3u, std::string(c.fault) == "split");
      got.insert(got.end(), soon.begin(), soon.end());
      Bytes rest = Contains(got, "\r\n") ? Bytes{} : loader_->Read(500, "\r\n");
      got.insert(got.end(), rest.begin(), rest.end());
      EXPECT_EQ(Text(got), reply + "\r\n");
    }
    auto report = StopSim();
    EXPECT_EQ(report.at("recordsResent").AsInt(), c.resent);
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
}

TEST_F(SecondFamilyLine, ProtocolViolationsAreReported) {
  StartSim({"--family", "TK20B", "--erase-ms", "100"});
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(Preparation("500000"));  // before the loader was woken
  loader_->Send(kWake1);
  loader_->Send(kWake2);
  ASSERT_TRUE(loader_->Await(kTk20bText, 1000));
  std::string badSum = Preparation("500000");
  badSum[22] = badSum[22] == 'F' ? 'E' : 'F';
  loader_->Send(badSum);
  loader_->Send(Preparation("700000"));
  EXPECT_FALSE(loader_->Await("PRG", 300));
  loader_->Send(Preparation("500000"));
  ASSERT_TRUE(loader_->Await("PRG\r\n", 1000));
  loader_->SendAndDrain("x");  // nothing is expected while erasing
  loader_->SetLine(115200, 2);
  ASSERT_TRUE(loader_->Await("PXF\r\n", 1000));
  // Still at 2 stop bits: the transfer wants 1.
  loader_->SendAndDrain("\x8B");
  // Without throttling the receiver judges a byte by the settings it sees when it reads it:
  // give it time to read this one before the settings change.
  SleepMs(100);
  loader_->SetLine(115200, 1);
  loader_->Send(Bytes{0x8A, 3, 'V', '1', '0', 0x0D, 0x0A});
  Bytes bad = SecondDataRecord(1, {1, 2});
  bad.back() ^= 1;
  EXPECT_EQ(Reply(bad), "ECC\r\n");
  Bytes end = SecondEndRecord(2);
  end.back() ^= 1;
  // Then the receiver, its program incomplete, repeats its text at 4800 again.
  EXPECT_EQ(Reply(end).substr(0, 5), "ECP\r\n");
  auto report = StopSim();
  ExpectViolations(
      report, {"preparation sentence before the loader was woken", "bad sum or shape",
               "preparation sentence with bad data", "while the receiver erases",
               "at 115200/2 while the receiver listens at 115200/1", "header record (0x8A) sent",
               "bad check byte in data record", "bad check byte in the end record"});
  EXPECT_EQ(report.at("outcomes").at(0).AsString(), "ECP");
}

}  // namespace
}  // namespace simtest
