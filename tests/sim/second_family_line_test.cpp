// The second-family receiver and family recognition, driven by a scripted loader.
#include <cstdio>
#include <thread>

#include "tests/sim/sim_fixture.h"

namespace simtest {
namespace {

std::string Preparation(const std::string& data) {
  std::string body = "$PKZN,24,03," + data + ",";
  int sum = 0;
  for (char c : body)
    sum += static_cast<signed char>(c);
  char text[8];
  std::snprintf(text, sizeof(text), "%04X", sum & 0xFFFF);
  return body + text + "\r\n";
}

class SecondFamilyLine : public SimLineTest {
 protected:
  // Wake, prepare, wait through erasing; leaves the port open for the transfer.
  void IntoTransfer(const std::string& data, int rate, bool expectDxf = false) {
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Send(kWake2);
    ASSERT_TRUE(WaitForText(kTk20bText, 1000));
    loader_->Close();
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(Preparation(data));
    ASSERT_TRUE(Contains(loader_->ReadUntil("PRG\r\n", 1000), "PRG\r\n"));
    loader_->SetLine(rate, 2);
    Bytes erase = loader_->ReadUntil("PXF\r\n", 2000);
    ASSERT_TRUE(Contains(erase, "PXF\r\n"));
    EXPECT_EQ(Contains(erase, "DXF\r\n"), expectDxf);
    loader_->Close();
    ASSERT_TRUE(loader_->Open(rate, 1));
  }

  std::string Reply(const Bytes& record, const std::string& until = "\r\n") {
    loader_->Send(record);
    return Text(loader_->ReadUntil(until, 500));
  }
};

TEST_F(SecondFamilyLine, LoadAt115200KeepingUserData) {
  StartSim({"--family", "TK20B", "--erase-ms", "100"});
  IntoTransfer("500000", 115200);
  std::vector<Bytes> records = {SecondDataRecord(1, Bytes(64, 0x8B)),
                                SecondDataRecord(2, {0x0D, 0x0A, 0x00, 0x8C}),
                                SecondDataRecord(0xAB, Bytes(510, 0x55))};
  EXPECT_EQ(Reply(records[0]), "P01\r\n");
  EXPECT_EQ(Reply(records[1]), "P02\r\n");
  EXPECT_EQ(Reply(records[2]), "PAB\r\n") << "record numbers in upper case";
  EXPECT_EQ(Reply(SecondEndRecord(0xAC)), "POK\r\n");
  auto report = StopSim();
  EXPECT_EQ(report.at("family").AsString(), "TK20B");
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  EXPECT_EQ(report.at("preparation").at("sentence").AsString(), "$PKZN,24,03,500000,0405");
  EXPECT_EQ(report.at("preparation").at("rateChar").AsString(), "5");
  EXPECT_EQ(report.at("preparation").at("userDataChar").AsString(), "0");
  Bytes program;
  for (const auto& r : records)
    program.insert(program.end(), r.begin(), r.end());
  EXPECT_EQ(report.at("program").AsString(), Hex(program));
  EXPECT_EQ(report.at("recordsAccepted").AsInt(), 3);
  EXPECT_EQ(report.at("outcomes").at(0).AsString(), "POK");
  EXPECT_EQ(report.at("endRecord").at("verdict").AsString(), "POK");
  EXPECT_EQ(report.at("records").at(3).at("kind").AsString(), "end");
  EXPECT_EQ(report.at("records").at(0).at("bitRate").AsInt(), 115200);
  EXPECT_EQ(report.at("records").at(0).at("stopBits").AsInt(), 1);
  const auto& phases = report.at("phases");
  ASSERT_EQ(phases.size(), 3u);
  EXPECT_EQ(phases.at(0).at("phase").AsString(), "normal");
  EXPECT_EQ(phases.at(1).at("phase").AsString(), "identify");
  EXPECT_EQ(phases.at(1).at("bitRate").AsInt(), 4800);
  EXPECT_EQ(phases.at(2).at("phase").AsString(), "record");
  EXPECT_EQ(phases.at(2).at("bitRate").AsInt(), 115200);
  EXPECT_EQ(report.at("memory").IsNull(), true);
}

TEST_F(SecondFamilyLine, LoadAt19200ErasingUserDataWithDxf) {
  StartSim({"--family", "TK20B", "--erase-ms", "80", "--dxf"});
  long long start = NowMs();
  IntoTransfer("210000", 19200, true);
  EXPECT_GE(NowMs() - start, 160) << "DXF after one erase time, PXF after another";
  EXPECT_EQ(Reply(SecondDataRecord(1, {1, 2})), "P01\r\n");
  EXPECT_EQ(Reply(SecondEndRecord(2)), "POK\r\n");
  auto report = StopSim();
  EXPECT_EQ(report.at("preparation").at("rateChar").AsString(), "2");
  EXPECT_EQ(report.at("preparation").at("userDataChar").AsString(), "1");
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  EXPECT_EQ(report.at("garbledBytes").AsInt(), 0);
}

TEST_F(SecondFamilyLine, ReplyWordFaults) {
  struct Case {
    const char* fault;
    std::vector<std::string> replies;  // to the same record sent again and again
  };
  const Case cases[] = {
      {"m-word=2", {"M01\r\n", "M01\r\n", "P01\r\n"}},
      {"wrong-record=1", {"P02\r\n", "P01\r\n"}},
      {"refuse=1", {"ECC\r\n", "P01\r\n"}},
      {"refuse-record=2:1", {"P01\r\n"}},
      {"noise", {"#~P01\r\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    StartSim({"--family", "TK20B", "--erase-ms", "60", "--fault", c.fault});
    IntoTransfer("500000", 115200);
    Bytes record = SecondDataRecord(1, {9, 9});
    for (const auto& expected : c.replies)
      EXPECT_EQ(Reply(record), expected);
    if (std::string(c.fault) == "refuse-record=2:1") {
      Bytes second = SecondDataRecord(2, {8, 8});
      EXPECT_EQ(Reply(second), "ECC\r\n");
      EXPECT_EQ(Reply(second), "P02\r\n");
    }
    auto report = StopSim();
    EXPECT_EQ(report.at("recordsResent").AsInt(),
              static_cast<long long>(
                  std::string(c.fault) == "refuse-record=2:1" ? 1 : c.replies.size() - 1));
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
  // Split replies come in pieces yet whole in the end.
  StartSim({"--family", "TK20B", "--erase-ms", "60", "--fault", "split"});
  IntoTransfer("500000", 115200);
  loader_->Send(SecondDataRecord(1, {1, 1}));
  Bytes first = loader_->ReadCount(1, 500);
  Bytes rest = loader_->ReadFor(5);
  EXPECT_LE(first.size() + rest.size(), 3u);
  EXPECT_TRUE(Contains(loader_->ReadUntil("\r\n", 500), "\r\n"));
  StopSim();
}

TEST_F(SecondFamilyLine, ProtocolViolationsAreReported) {
  StartSim({"--family", "TK20B", "--erase-ms", "100"});
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(Preparation("500000"));  // before the loader was woken
  loader_->Send(kWake1);
  loader_->Send(kWake2);
  ASSERT_TRUE(Contains(loader_->ReadUntil(kTk20bText, 1000), kTk20bText));
  std::string badSum = Preparation("500000");
  badSum[22] = badSum[22] == 'F' ? 'E' : 'F';
  loader_->Send(badSum);
  loader_->Send(Preparation("700000"));
  EXPECT_FALSE(Contains(loader_->ReadUntil("PRG", 300), "PRG"));
  loader_->Send(Preparation("500000"));
  ASSERT_TRUE(Contains(loader_->ReadUntil("PRG\r\n", 1000), "PRG\r\n"));
  loader_->SendAndDrain("x");  // nothing is expected while erasing
  loader_->SetLine(115200, 2);
  ASSERT_TRUE(Contains(loader_->ReadUntil("PXF\r\n", 1000), "PXF\r\n"));
  // Still at 2 stop bits: the transfer wants 1.
  loader_->SendAndDrain(Bytes{0x8B});
  // Without throttling the receiver judges a byte by the settings it sees when it reads it:
  // give it time to read this one before the settings change.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  loader_->SetLine(115200, 1);
  Bytes headerB{0x8A, 3, 'V', '1', '0', 0x0D, 0x0A};
  loader_->Send(headerB);
  Bytes bad = SecondDataRecord(1, {1, 2});
  bad.back() ^= 1;
  EXPECT_EQ(Reply(bad), "ECC\r\n");
  Bytes end = SecondEndRecord(2);
  end.back() ^= 1;
  // Then the receiver, its program incomplete, repeats its text at 4800 again.
  EXPECT_EQ(Reply(end).substr(0, 5), "ECP\r\n");
  auto report = StopSim();
  EXPECT_TRUE(HasViolation(report, "preparation sentence before the loader was woken"))
      << Violations(report);
  EXPECT_TRUE(HasViolation(report, "bad sum or shape")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "preparation sentence with bad data")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "while the receiver erases")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "at 115200/2 while the receiver listens at 115200/1"))
      << Violations(report);
  EXPECT_TRUE(HasViolation(report, "header record (0x8A) sent")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "bad check byte in data record")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "bad check byte in the end record")) << Violations(report);
  EXPECT_EQ(report.at("outcomes").at(0).AsString(), "ECP");
}

TEST_F(SecondFamilyLine, SilentPhases) {
  for (const char* phase : {"prepare", "erase", "record", "end"}) {
    SCOPED_TRACE(phase);
    std::string p = phase;
    StartSim({"--family", "TK20B", "--erase-ms", "60", "--fault", "silent=" + p});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Send(kWake2);
    ASSERT_TRUE(Contains(loader_->ReadUntil(kTk20bText, 1000), kTk20bText));
    loader_->Send(Preparation("500000"));
    EXPECT_EQ(Contains(loader_->ReadUntil("PRG", 300), "PRG"), p != "prepare");
    if (p != "prepare") {
      loader_->SetLine(115200, 2);
      EXPECT_EQ(Contains(loader_->ReadUntil("PXF", 300), "PXF"), p != "erase");
    }
    if (p == "record" || p == "end") {
      loader_->SetLine(115200, 1);
      EXPECT_EQ(Reply(SecondDataRecord(1, {3, 3})).empty(), p == "record");
      EXPECT_EQ(Reply(SecondEndRecord(2)).empty(), p == "end");
    }
    StopSim();
  }
}

TEST_F(SecondFamilyLine, TransferAbandonedOrVanished) {
  StartSim({"--family", "TK20B", "--erase-ms", "60", "--exit-after", "1"});
  IntoTransfer("500000", 115200);
  EXPECT_EQ(Reply(SecondDataRecord(1, {3, 3})), "P01\r\n");
  loader_->Close();  // gives up before the end record
  auto report = sim_.WaitForExit(4000);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->at("outcomes").at(0).AsString(), "abandoned");

  CSimProcess second;
  ASSERT_TRUE(second.Start({"--family", "TK20B", "--erase-ms", "60", "--fault", "vanish=1"}));
  loader_ = std::make_unique<CScriptedLoader>(second.SlavePath());
  IntoTransfer("500000", 115200);
  EXPECT_EQ(Reply(SecondDataRecord(1, {3, 3})), "P01\r\n");
  auto vanished = second.WaitForExit(3000);
  ASSERT_TRUE(vanished);
  EXPECT_EQ(vanished->at("outcomes").at(0).AsString(), "vanished");
}

// Family recognition from the loader's first words.
class AutoFamily : public SimLineTest {
 protected:
  void IntoTransferAuto() {
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Send(kWake2);
    ASSERT_TRUE(Contains(loader_->ReadUntil(kTk20bText, 1000), kTk20bText));
    loader_->Send(Preparation("500000"));
    ASSERT_TRUE(Contains(loader_->ReadUntil("PRG\r\n", 1000), "PRG\r\n"));
    loader_->SetLine(115200, 2);
    ASSERT_TRUE(Contains(loader_->ReadUntil("PXF\r\n", 1000), "PXF\r\n"));
    loader_->Close();
    ASSERT_TRUE(loader_->Open(115200, 1));
    loader_->Send(SecondEndRecord(1));
    EXPECT_TRUE(Contains(loader_->ReadUntil("POK\r\n", 500), "POK\r\n"));
  }
};

TEST_F(AutoFamily, RecognisesEachFamilyFromWhatTheLoaderSendsFirst) {
  {
    StartSim({});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->SendAndDrain(kVrReadOut);
    loader_->SetLine(9600, 2);
    EXPECT_EQ(DumpRecords(loader_->ReadFor(600)).size(), 45u);
    EXPECT_EQ(StopSim().at("family").AsString(), "VR");
  }
  {
    StartSim({});
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(std::string("$KZNPROJ", 9));
    EXPECT_TRUE(Contains(loader_->ReadUntil(kTkText, 600), kTkText));
    EXPECT_EQ(StopSim().at("family").AsString(), "TK");
  }
  {
    // Woken, it shows the VR text at 9600 and the TK20B text at 4800 until a "0" decides.
    StartSim({});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->SendAndDrain(kWake2);
    loader_->Close();
    ASSERT_TRUE(loader_->Open(9600, 2));
    EXPECT_TRUE(Contains(loader_->ReadUntil(kVrText, 600), kVrText));
    loader_->Send("0");
    EXPECT_TRUE(Contains(loader_->ReadUntil("1", 2000), "1"));
    auto report = StopSim();
    EXPECT_EQ(report.at("family").AsString(), "VR");
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  }
  {
    StartSim({"--erase-ms", "60"});
    IntoTransferAuto();
    auto report = StopSim();
    EXPECT_EQ(report.at("family").AsString(), "TK20B");
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
    EXPECT_EQ(report.at("outcomes").at(0).AsString(), "POK");
  }
}

}  // namespace
}  // namespace simtest
