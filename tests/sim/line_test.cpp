// Each receiver family driven over its pseudo-terminal by a scripted loader.
#include <filesystem>

#include "sim/tables.h"
#include "tests/sim/sim_fixture.h"
#include "tests/support/temp_dir.h"

namespace simtest {
namespace {

constexpr std::uint32_t kTkBase = 0xC0F400;

std::uint32_t BlockAddress(std::uint32_t base, int block) {
  if (block <= 10) return base + 120u * static_cast<std::uint32_t>(block);
  return base + 1412u + 42u * static_cast<std::uint32_t>(block - 13);
}

TEST_F(SimLineTest, VrLoadFromCapturedTablesThroughTheLinkWritesBackAndEndsWith5) {
  // A loader's capture of other tables than the receiver's, a CR LF inside one record.
  TempDir dir;
  auto own = kznsim::GenerateTables(77, 2300);
  own.almanac[20] = '\r';
  own.almanac[21] = '\n';
  Bytes file = kznsim::BuildNmeaLines(100), dumped = kznsim::BuildDumpRecords(own, -1);
  file.insert(file.end(), dumped.begin(), dumped.end());
  auto tables = DumpRecords(file);
  ASSERT_EQ(tables.size(), 45u);
  dir.Write("dump", Text(file));
  StartSim({"--family", "VR", "--tables", dir.File("dump"), "--link", dir.File("tty")});
  loader_ = std::make_unique<CScriptedLoader>(dir.File("tty"));
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->SendAndDrain(kVrReadOut);
  loader_->SetLine(9600, 2);
  Bytes capture = loader_->Read(1200);
  EXPECT_EQ(DumpRecords(capture), tables);

  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(kWake1);
  loader_->SendAndDrain(kWake2);
  ASSERT_TRUE(loader_->Open(9600, 2));
  ASSERT_TRUE(loader_->Await(kVrText, 1000));
  loader_->Send("0");
  long long zeroAt = NowMs();
  ASSERT_TRUE(loader_->Await("1", 3000));
  EXPECT_GE(NowMs() - zeroAt, 1000) << "the receiver prepares during the 1000 ms pause";
  std::vector<Bytes> program = {FirstDataRecord(0x010000, Bytes(64, 0x8B)),
                                FirstDataRecord(0x010040, {0x0D, 0x0A, 0x00, 0x30}),
                                FirstDataRecord(0x010044, Bytes(256, 0xA5))};
  unsigned sum = 0;
  for (const auto& r : program) {
    EXPECT_EQ(Exchange(r), "0");
    sum += DataSum(Bytes(r.begin() + 5, r.end() - 1));
  }
  unsigned wordSum = 0;  // almanac first, then doppler with its word sum behind block 10
  for (int i = 0; i < 43; ++i) {
    int b = i < 32 ? 13 + i : i - 32;
    Bytes data = tables[static_cast<std::size_t>(b)];
    if (b <= 10)
      for (std::size_t k = 0; k < data.size(); k += 2)
        wordSum += static_cast<unsigned>(data[k] << 8 | data[k + 1]);
    if (b == 10) {
      data.push_back(static_cast<std::uint8_t>(wordSum >> 8));
      data.push_back(static_cast<std::uint8_t>(wordSum));
    }
    EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(0xC1F400, b), data)), "0") << b;
    sum += DataSum(data);
  }
  EXPECT_EQ(Exchange(FirstEndRecord(static_cast<std::uint16_t>(sum))), "5");

  auto report = StopSim();
  EXPECT_FALSE(std::filesystem::is_symlink(dir.File("tty"))) << "the link goes at exit";
  ExpectReportAsExpected(report);
}

TEST_F(SimLineTest, TkRefusedRecordsAreAcceptedWhenSentAgainAndABusyEndAnswersLate) {
  StartSim({"--family", "TK", "--fault", "refuse=2", "--fault", "refuse-record=2:1", "--fault",
            "refuse-writeback=1", "--fault", "busy=2"});
  TkIntoLoader();
  Bytes first = FirstDataRecord(0x000300, {7, 7, 7});
  Bytes second = FirstDataRecord(0x000303, {9});
  Bytes writeBack = FirstDataRecord(BlockAddress(kTkBase, 13), Bytes(42, 0x80));
  const std::pair<const Bytes*, const char*> steps[] = {
      {&first, "1"},  {&first, "1"},     {&first, "0"},    {&second, "1"},
      {&second, "0"}, {&writeBack, "1"}, {&writeBack, "0"}};
  for (const auto& [record, answer] : steps)
    EXPECT_EQ(Exchange(*record), answer);
  loader_->Send(FirstEndRecord(static_cast<std::uint16_t>(21 + 9 + 42 * 0x80)));
  long long sent = NowMs();
  EXPECT_EQ(Text(loader_->Read(3000, "", 3)), "335");
  EXPECT_GE(NowMs() - sent, 1500) << "busy answers a second apart";
  ExpectReportAsExpected(StopSim());
}

TEST_F(SimLineTest, TkProtocolViolationsAreReported) {
  StartSim({"--family", "TK", "--exit-after", "1"});
  ASSERT_TRUE(loader_->Open(9600, 2));
  loader_->Send(FirstDataRecord(0x000100, {1}));  // no loader yet
  loader_->Read(50);
  loader_->Send(kTkWake);
  ASSERT_TRUE(loader_->Await(kTkText, 1000));
  loader_->SetLine(4800, 2);
  loader_->SendAndDrain("0");  // the wrong bit rate: the receiver sees garbage
  loader_->SetLine(9600, 2);
  ASSERT_TRUE(TkReady(1000));
  EXPECT_EQ(Exchange(Bytes{0x8B, 0x02, 'K', 'Z', 'N', 'V', 'R', '5', '4', '0'}), "1");  // header
  loader_->Read(50);
  Bytes bad = FirstDataRecord(0x000100, {1, 2});
  bad.back() ^= 0x40;
  EXPECT_EQ(Exchange(bad), "1");
  EXPECT_EQ(Exchange(FirstDataRecord(kTkBase + 5, Bytes(42, 0))), "0");
  EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(kTkBase, 13), Bytes(40, 0))), "0");
  Bytes end = FirstEndRecord(0);
  end[3] ^= 1;  // not the sum of S's two bytes
  EXPECT_EQ(Exchange(end), "1");
  auto report = AbandonLoad();
  EXPECT_EQ(report.at("outcomes").at(0).get<std::string>(), "abandoned");
  // The expected report names each violation.
  ExpectReportAsExpected(report);
}

TEST_F(SimLineTest, VrWhatTheLoaderCannotHearIsGarbledOrLost) {
  StartSim({"--family", "VR"});
  // The loader forgets to switch to 9600 after its request: the dump arrives garbled.
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->SendAndDrain(kVrReadOut);
  Bytes heard = loader_->Read(800);
  // Woken, the receiver repeats its text while no one holds the port: it is lost.
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(kWake1);
  loader_->SendAndDrain(kWake2);
  loader_->Close();
  SleepMs(350);
  ASSERT_TRUE(loader_->Open(9600, 2));
  EXPECT_TRUE(loader_->Await(kVrText, 1000));
  auto report = StopSim();
  Bytes stream =
      simreport::BytesFromHex(report.at("dumpStream").get<std::string>()).value_or(Bytes{});
  for (auto& b : stream)
    b ^= 0xFF;
  EXPECT_EQ(heard, stream);
  EXPECT_GE(report.at("garbledBytes").get<long long>(), static_cast<long long>(stream.size()));
  EXPECT_GE(report.at("droppedBytes").get<long long>(), 3 * 24);
  ExpectReportAsExpected(report);
}

TEST_F(SimLineTest, VrThrottledLineJudgesBytesByTheSettingsInForce) {
  // Closing before the sentence left, switching before the request left: both judged.
  StartSim({"--family", "VR", "--throttle"});
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(kWake1);
  loader_->Close();
  SleepMs(100);
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(kVrReadOut);
  SleepMs(10);
  loader_->SetLine(9600, 2);
  loader_->Read(300);
  auto report = StopSim();
  const std::string violations = simreport::Joined(report.at("violations"), "", "\n");
  for (const char* part :
       {"had not yet left the line", "at 9600/2 while the receiver listens at 4800/2"})
    EXPECT_NE(violations.find(part), std::string::npos) << violations;
  // How many bytes were still in flight at the close, and which byte met the switch, vary.
  ExpectReportAsExpected(report, {"/phases", "/violations/0", "/violations/1"});
}

TEST_F(SimLineTest, Tk20bLoadsWithDxfAtTheRateItWasPreparedFor) {
  StartSim({"--family", "TK20B", "--erase-ms", "80", "--dxf"});
  long long start = NowMs();
  Tk20bIntoTransfer("$PKZN,24,03,210000,0403\r\n", 19200, true);
  EXPECT_GE(NowMs() - start, 160) << "DXF after one erase time, PXF after another";
  // Record numbers in upper case.
  const std::pair<Bytes, std::string> steps[] = {
      {SecondDataRecord(1, Bytes(64, 0x8B)), "P01"},
      {SecondDataRecord(2, {0x0D, 0x0A, 0x00, 0x8C}), "P02"},
      {SecondDataRecord(0xAB, Bytes(510, 0x55)), "PAB"},
      {SecondEndRecord(0xAC), "POK"}};
  for (const auto& [record, reply] : steps)
    EXPECT_EQ(Reply(record), reply + "\r\n");
  ExpectReportAsExpected(StopSim());
}

struct ReplyWordCase {
  const char* name;
  const char* fault;
  std::vector<std::pair<std::uint8_t, std::string>> steps;  // record sent, reply
};

// Names the case in test listings.
void PrintTo(const ReplyWordCase& c, std::ostream* out) {
  *out << c.name;
}

class Tk20bReplyWordFault : public SimLineTest,
                            public ::testing::WithParamInterface<ReplyWordCase> {};

TEST_P(Tk20bReplyWordFault, RepliesAndResendsAsTheFaultMakesThem) {
  const ReplyWordCase& c = GetParam();
  StartSim({"--family", "TK20B", "--erase-ms", "60", "--fault", c.fault, "--exit-after", "1"});
  Tk20bIntoTransfer("$PKZN,24,03,500000,0405\r\n", 115200);
  for (const auto& [number, reply] : c.steps)
    EXPECT_EQ(Reply(SecondDataRecord(number, {9, 9})), reply + "\r\n");
  // The expected report holds how many were resent, and no violation.
  ExpectReportAsExpected(AbandonLoad());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Tk20bReplyWordFault,
    ::testing::Values(
        ReplyWordCase{"MWord", "m-word=2", {{1, "M01"}, {1, "M01"}, {1, "P01"}, {2, "P02"}}},
        ReplyWordCase{"WrongRecordOnce", "wrong-record=1", {{1, "P02"}, {1, "P01"}, {2, "P02"}}},
        ReplyWordCase{"WrongRecordAlways", "wrong-record", {{1, "P02"}, {2, "P03"}}},
        ReplyWordCase{"Refuse", "refuse=1", {{1, "ECC"}, {1, "P01"}, {2, "P02"}}},
        ReplyWordCase{"RefuseRecord", "refuse-record=2:1", {{1, "P01"}, {2, "ECC"}, {2, "P02"}}},
        ReplyWordCase{"Noise", "noise", {{1, "#~P01"}, {2, "#~P02"}}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace simtest
