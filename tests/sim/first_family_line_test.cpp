// The first-family receiver driven over its pseudo-terminal by a scripted loader.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include <unistd.h>

#include "tests/sim/sim_fixture.h"

namespace simtest {
namespace {

constexpr std::uint32_t kVrBase = 0xC1F400;
constexpr std::uint32_t kTkBase = 0xC0F400;

Bytes HexBytes(const json_lite::Value& v) {
  auto b = json_lite::BytesFromHex(v.AsString());
  return b ? *b : Bytes{};
}

std::uint32_t BlockAddress(std::uint32_t base, int block) {
  if (block <= 10) return base + 120u * static_cast<std::uint32_t>(block);
  return base + 1412u + 42u * static_cast<std::uint32_t>(block - 13);
}

class FirstFamilyLine : public SimLineTest {};

TEST_F(FirstFamilyLine, VrLoadReadsTablesUploadsWritesBackAndEndsWith5) {
  StartSim({"--family", "VR", "--seed", "5"});
  // Read-out: asked at 4800, answered at 9600.
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->SendAndDrain(kVrReadOut);
  loader_->SetLine(9600, 2);
  Bytes capture = loader_->ReadFor(1200);
  EXPECT_GT(capture.size(), 3017u) << "the records alone are judged too few";
  auto dump = DumpRecords(capture);
  ASSERT_EQ(dump.size(), 45u);
  for (int b = 0; b < 45; ++b)
    ASSERT_EQ(dump[static_cast<std::size_t>(b)].block, b);
  loader_->Close();

  VrIntoLoader();
  std::vector<Bytes> program = {FirstDataRecord(0x010000, Bytes(64, 0x8B)),
                                FirstDataRecord(0x010040, {0x0D, 0x0A, 0x00, 0x30}),
                                FirstDataRecord(0x010044, Bytes(256, 0xA5))};
  unsigned sum = 0;
  Bytes programBytes;
  for (const auto& r : program) {
    EXPECT_EQ(Exchange(r), "0");
    sum += DataSum(Bytes(r.begin() + 5, r.end() - 1));
    programBytes.insert(programBytes.end(), r.begin(), r.end());
  }
  // Almanac first, then the doppler table with its word sum behind block 10.
  for (int b = 13; b < 45; ++b) {
    const Bytes& row = dump[static_cast<std::size_t>(b)].data;
    EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(kVrBase, b), row)), "0") << b;
    sum += DataSum(row);
  }
  unsigned wordSum = 0;
  for (int b = 0; b <= 10; ++b) {
    Bytes data = dump[static_cast<std::size_t>(b)].data;
    for (std::size_t i = 0; i < data.size(); i += 2)
      wordSum += data[i] << 8 | data[i + 1];
    if (b == 10) {
      data.push_back(static_cast<std::uint8_t>(wordSum >> 8));
      data.push_back(static_cast<std::uint8_t>(wordSum));
    }
    EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(kVrBase, b), data)), "0") << b;
    sum += DataSum(data);
  }
  EXPECT_EQ(Exchange(FirstEndRecord(static_cast<std::uint16_t>(sum))), "5");

  auto report = StopSim();
  EXPECT_EQ(report.at("family").AsString(), "VR");
  EXPECT_EQ(report.at("loads").AsInt(), 1);
  EXPECT_EQ(report.at("outcomes").at(0).AsString(), "5");
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  EXPECT_EQ(report.at("program").AsString(), Hex(programBytes));
  EXPECT_EQ(report.at("recordsAccepted").AsInt(), 3);
  EXPECT_EQ(report.at("recordsResent").AsInt(), 0);
  EXPECT_EQ(report.at("writeBack").size(), 43u);
  EXPECT_EQ(report.at("writeBack").at(0).at("block").AsInt(), 13);
  EXPECT_EQ(report.at("writeBack").at(42).at("block").AsInt(), 10);
  EXPECT_EQ(report.at("endRecord").at("sum").AsInt(), static_cast<long long>(sum & 0xFFFF));
  EXPECT_EQ(report.at("endRecord").at("expectedSum").AsInt(), static_cast<long long>(sum & 0xFFFF));
  const auto& memory = report.at("memory");
  EXPECT_EQ(memory.at("almanac").AsString(), memory.at("initialAlmanac").AsString());
  EXPECT_EQ(memory.at("doppler").AsString(), memory.at("initialDoppler").AsString());
  EXPECT_EQ(HexBytes(memory.at("doppler")).size(), 1282u);
  EXPECT_EQ(HexBytes(report.at("dump")).size(), 2977u);
  EXPECT_TRUE(Contains(capture, Text(HexBytes(report.at("dump")))))
      << capture.size() << " " << report.at("dump").AsString().size();
  // What was received, phase by phase, with the settings it came at.
  const auto& phases = report.at("phases");
  ASSERT_EQ(phases.size(), 3u);
  EXPECT_EQ(phases.at(0).at("phase").AsString(), "normal");
  EXPECT_EQ(phases.at(0).at("bitRate").AsInt(), 4800);
  EXPECT_EQ(phases.at(0).at("stopBits").AsInt(), 2);
  EXPECT_EQ(Text(HexBytes(phases.at(0).at("bytes"))), std::string(kVrReadOut) + kWake1 + kWake2);
  EXPECT_EQ(phases.at(1).at("phase").AsString(), "identify");
  EXPECT_EQ(phases.at(1).at("bitRate").AsInt(), 9600);
  EXPECT_EQ(phases.at(2).at("phase").AsString(), "record");
  EXPECT_EQ(report.at("records").at(0).at("answer").AsString(), "0");
  EXPECT_EQ(report.at("records").at(0).at("kind").AsString(), "data");
  EXPECT_EQ(report.at("records").at(45).at("kind").AsString(), "writeback");
  EXPECT_EQ(report.at("records").at(46).at("kind").AsString(), "end");
}

TEST_F(FirstFamilyLine, TkLoadWithoutWriteBackLeavesItsTablesErased) {
  StartSim({"--family", "TK"});
  TkIntoLoader();
  Bytes record = FirstDataRecord(0x000100, {1, 2, 3, 250});
  EXPECT_EQ(Exchange(record), "0");
  EXPECT_EQ(Exchange(FirstEndRecord(1 + 2 + 3 + 250)), "5");
  // The new program runs: it streams its (erased) tables when asked with the marker.
  loader_->Send(std::string("$KZNPROG", 9));
  auto dump = DumpRecords(loader_->ReadFor(800));
  ASSERT_EQ(dump.size(), 45u);
  EXPECT_EQ(dump[20].data, Bytes(42, 0xFF));
  EXPECT_EQ(dump[11].data.size(), 120u);
  auto report = StopSim();
  EXPECT_EQ(report.at("family").AsString(), "TK");
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
  EXPECT_EQ(report.at("memory").at("almanac").AsString(), std::string(2 * 1344, 'F'));
  EXPECT_NE(report.at("memory").at("initialAlmanac").AsString(), std::string(2 * 1344, 'F'));
}

TEST_F(FirstFamilyLine, EndRecordVerdicts) {
  struct Case {
    std::vector<std::string> args;
    std::uint16_t sumOffset;
    bool spoilFourthByte;
    std::string answers;
  };
  const Case cases[] = {
      {{}, 1, false, "4"},                       // sum that does not match
      {{"--verdict", "6"}, 0, false, "6"},       // forced verdict
      {{"--fault", "busy=2"}, 0, false, "335"},  // busy twice, a second apart
      {{}, 0, true, "1"},                        // fourth byte not high + low
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--family", "TK"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    StartSim(args);
    TkIntoLoader();
    EXPECT_EQ(Exchange(FirstDataRecord(0x000200, {0x10, 0x20})), "0");
    Bytes end = FirstEndRecord(static_cast<std::uint16_t>(0x30 + c.sumOffset));
    if (c.spoilFourthByte) end[3] ^= 1;
    loader_->Send(end);
    std::string got = Text(loader_->ReadCount(c.answers.size(), 3000));
    EXPECT_EQ(got, c.answers);
    auto report = StopSim();
    EXPECT_EQ(report.at("endRecord").at("expectedSum").AsInt(), 0x30);
    EXPECT_EQ(report.at("endRecord").at("sum").AsInt(), 0x30 + c.sumOffset);
    EXPECT_EQ(report.at("endRecord").at("verdict").AsString(),
              c.answers.substr(c.answers.size() - 1));
    EXPECT_EQ(HasViolation(report, "fourth byte"), c.spoilFourthByte);
    // A refused end record may be sent again; closing the port instead abandons the load.
    EXPECT_EQ(report.at("loads").AsInt(), 1);
    EXPECT_EQ(report.at("outcomes").at(0).AsString(),
              c.answers == "1" ? "abandoned" : c.answers.substr(c.answers.size() - 1));
  }
}

TEST_F(FirstFamilyLine, RefusedRecordsAreAcceptedWhenSentAgain) {
  StartSim({"--family", "TK", "--fault", "refuse=2", "--fault", "refuse-record=2:1", "--fault",
            "refuse-writeback=1"});
  TkIntoLoader();
  Bytes first = FirstDataRecord(0x000300, {7, 7, 7});
  Bytes second = FirstDataRecord(0x000303, {9});
  EXPECT_EQ(Exchange(first), "1");
  EXPECT_EQ(Exchange(first), "1");
  EXPECT_EQ(Exchange(first), "0");
  EXPECT_EQ(Exchange(second), "1");
  EXPECT_EQ(Exchange(second), "0");
  Bytes row(42, 0x80);
  Bytes writeBack = FirstDataRecord(BlockAddress(kTkBase, 13), row);
  EXPECT_EQ(Exchange(writeBack), "1");
  EXPECT_EQ(Exchange(writeBack), "0");
  EXPECT_EQ(Exchange(FirstEndRecord(static_cast<std::uint16_t>(21 + 9 + 42 * 0x80))), "5");
  auto report = StopSim();
  EXPECT_EQ(report.at("recordsAccepted").AsInt(), 2);
  EXPECT_EQ(report.at("recordsResent").AsInt(), 3);
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(report.at("program").AsString(), Hex(both));
  EXPECT_EQ(report.at("records").size(), 8u);
  EXPECT_EQ(report.at("writeBack").size(), 2u);
  EXPECT_FALSE(report.at("writeBack").at(0).at("accepted").AsBool());
  EXPECT_TRUE(report.at("writeBack").at(1).at("accepted").AsBool());
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
}

TEST_F(FirstFamilyLine, ProtocolViolationsAreReported) {
  StartSim({"--family", "TK"});
  ASSERT_TRUE(loader_->Open(9600, 2));
  loader_->Send(FirstDataRecord(0x000100, {1}));  // no loader yet
  loader_->ReadFor(50);
  loader_->Send(std::string("$KZNPROJ", 9));
  ASSERT_TRUE(Contains(loader_->ReadUntil(kTkText, 1000), kTkText));
  loader_->SetLine(4800, 2);
  loader_->SendAndDrain("0");  // the wrong bit rate: the receiver sees garbage
  loader_->SetLine(9600, 2);
  loader_->Send("0");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  loader_->Send("0");
  ASSERT_TRUE(Contains(loader_->ReadUntil("1", 1000), "1"));
  // The header record: text, and it does not check.
  Bytes header{0x8B, 0x02, 'K', 'Z', 'N', 'V', 'R', '5', '4', '0'};
  EXPECT_EQ(Exchange(header), "1");
  loader_->ReadFor(50);
  Bytes bad = FirstDataRecord(0x000100, {1, 2});
  bad.back() ^= 0x40;
  EXPECT_EQ(Exchange(bad), "1");
  EXPECT_EQ(Exchange(FirstDataRecord(kTkBase + 5, Bytes(42, 0))), "0");
  Bytes doppler(82, 0);
  doppler[81] = 1;  // the word sum of all zeros is 0
  EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(kTkBase, 10), doppler)), "0");
  EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(kTkBase, 13), Bytes(40, 0))), "0");
  auto report = StopSim();
  EXPECT_TRUE(HasViolation(report, "no loader was ready")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "at 4800/2 while the receiver listens at 9600/2"))
      << Violations(report);
  EXPECT_TRUE(HasViolation(report, "header record sent")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "stray byte")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "bad check byte in data record")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "starts no table block")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "doppler word sum 1 written")) << Violations(report);
  EXPECT_TRUE(HasViolation(report, "40 data bytes instead of 42")) << Violations(report);
  EXPECT_EQ(report.at("recordsAccepted").AsInt(), 0);
}

TEST_F(FirstFamilyLine, WhatTheLoaderCannotHearIsGarbledOrLost) {
  StartSim({"--family", "VR"});
  // The loader forgets to switch to 9600 after its request: the dump arrives garbled.
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->SendAndDrain(kVrReadOut);
  Bytes heard = loader_->ReadFor(800);
  loader_->Close();
  // Woken, the receiver repeats its text while no one holds the port: it is lost.
  ASSERT_TRUE(loader_->Open(4800, 2));
  loader_->Send(kWake1);
  loader_->SendAndDrain(kWake2);
  loader_->Close();
  std::this_thread::sleep_for(std::chrono::milliseconds(350));
  ASSERT_TRUE(loader_->Open(9600, 2));
  Bytes text = loader_->ReadUntil(kVrText, 1000);
  EXPECT_TRUE(Contains(text, kVrText));
  auto report = StopSim();
  Bytes stream = HexBytes(report.at("dumpStream"));
  ASSERT_EQ(heard.size(), stream.size());
  for (std::size_t i = 0; i < heard.size(); ++i)
    ASSERT_EQ(heard[i], stream[i] ^ 0xFF) << i;
  EXPECT_GE(report.at("garbledBytes").AsInt(), static_cast<long long>(stream.size()));
  EXPECT_GE(report.at("droppedBytes").AsInt(), 3 * 24);
  EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
}

TEST_F(FirstFamilyLine, SilentPhasesLeaveTheLoaderWaiting) {
  struct Case {
    const char* phase;
    const char* silentAt;  // the step that gets no answer
  };
  const Case cases[] = {{"detect", "text"}, {"identify", "text"}, {"dump", "dump"},
                        {"ready", "1"},     {"record", "record"}, {"writeback", "writeback"},
                        {"end", "end"},     {"reply", "record"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.phase);
    StartSim({"--family", "TK", "--fault", std::string("silent=") + c.phase});
    ASSERT_TRUE(loader_->Open(9600, 2));
    std::string step = c.silentAt;
    loader_->Send(std::string("$KZNPROG", 9));
    Bytes dump = loader_->ReadFor(400);
    EXPECT_EQ(dump.empty(), step == "dump");
    loader_->Send(std::string("$KZNPROJ", 9));
    Bytes text = loader_->ReadUntil(kTkText, 400);
    EXPECT_EQ(Contains(text, kTkText), step != "text");
    if (std::string(c.phase) == "detect") {
      StopSim();
      continue;
    }
    loader_->Send("0");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    loader_->Send("0");
    EXPECT_EQ(Contains(loader_->ReadUntil("1", 400), "1"), step != "1");
    if (step != "1") {
      EXPECT_EQ(Exchange(FirstDataRecord(0x10, {5})).empty(), step == "record");
      EXPECT_EQ(Exchange(FirstDataRecord(BlockAddress(kTkBase, 13), Bytes(42, 1))).empty(),
                step == "writeback" || std::string(c.phase) == "reply");
      EXPECT_EQ(Exchange(FirstEndRecord(5 + 42)).empty(),
                step == "end" || std::string(c.phase) == "reply");
    }
    StopSim();
  }
}

TEST_F(FirstFamilyLine, DumpFaults) {
  {
    StartSim({"--family", "TK", "--fault", "bad-dump-check"});
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(std::string("$KZNPROG", 9));
    auto records = DumpRecords(loader_->ReadFor(600));
    EXPECT_EQ(records.size(), 5u) << "record 5 does not check";
    StopSim();
  }
  {
    StartSim({"--family", "TK", "--fault", "short-dump=1000"});
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(std::string("$KZNPROG", 9));
    EXPECT_EQ(loader_->ReadFor(600).size(), 1000u);
    StopSim();
  }
  {
    StartSim({"--family", "VR", "--fault", "no-8b-run"});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->SendAndDrain(kVrReadOut);
    loader_->SetLine(9600, 2);
    Bytes capture = loader_->ReadFor(800);
    auto first8b = std::find(capture.begin(), capture.end(), 0x8B);
    EXPECT_GT(first8b - capture.begin(), 500);
    EXPECT_EQ(DumpRecords(capture).size(), 45u);
    StopSim();
  }
}

TEST_F(FirstFamilyLine, SplitAndNoisyRepliesStillReadRight) {
  {
    StartSim({"--family", "TK", "--fault", "split"});
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(std::string("$KZNPROJ", 9));
    Bytes piece = loader_->ReadCount(1, 1000);
    Bytes more = loader_->ReadFor(5);
    EXPECT_LE(piece.size() + more.size(), 3u) << "the text comes in pieces";
    EXPECT_TRUE(Contains(loader_->ReadUntil(kTkText, 1000), kTkText));
    StopSim();
  }
  {
    StartSim({"--family", "TK", "--fault", "noise"});
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(std::string("$KZNPROJ", 9));
    Bytes text = loader_->ReadFor(250);
    EXPECT_FALSE(Contains(text, kTkText));
    EXPECT_NE(std::find(text.begin(), text.end(), 0), text.end());
    text.erase(std::remove(text.begin(), text.end(), 0), text.end());
    EXPECT_TRUE(Contains(text, kTkText)) << "found once the NUL bytes are left out";
    loader_->Send("0");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    loader_->Send("0");
    ASSERT_TRUE(Contains(loader_->ReadUntil("1", 1000), "1"));
    std::string ack = Exchange(FirstDataRecord(0x10, {1}));
    ASSERT_GT(ack.size(), 1u);
    EXPECT_EQ(ack[0], '0');
    EXPECT_EQ(*std::min_element(ack.begin(), ack.end(),
                                [](char a, char b) {
                                  return static_cast<unsigned char>(a) <
                                         static_cast<unsigned char>(b);
                                }),
              '0')
        << "no byte below \"0\", so it stays an acknowledgement";
    StopSim();
  }
}

TEST_F(FirstFamilyLine, ReceiverStartingInItsLoaderAndOneThatVanishes) {
  {
    StartSim({"--family", "TK", "--fault", "already-wrong"});
    ASSERT_TRUE(loader_->Open(9600, 2));
    EXPECT_TRUE(Contains(loader_->ReadUntil(kTkText, 500), kTkText));
    StopSim();
  }
  StartSim({"--family", "TK", "--fault", "vanish=2"});
  TkIntoLoader();
  EXPECT_EQ(Exchange(FirstDataRecord(0x10, {1})), "0");
  EXPECT_EQ(Exchange(FirstDataRecord(0x11, {2})), "0");
  // The adapter is gone: the port hangs up and the simulator ends by itself.
  auto report = sim_.WaitForExit(3000);
  ASSERT_TRUE(report);
  EXPECT_EQ(sim_.ExitStatus(), 0);
  EXPECT_EQ(report->at("outcomes").at(0).AsString(), "vanished");
  EXPECT_EQ(report->at("recordsAccepted").AsInt(), 2);
  loader_->Send(FirstDataRecord(0x12, {3}));
  EXPECT_TRUE(loader_->ReadFor(100).empty());
}

TEST_F(FirstFamilyLine, ExitsAfterTheLoadOnceThePortIsClosed) {
  StartSim({"--family", "TK", "--exit-after", "1"});
  TkIntoLoader();
  EXPECT_EQ(Exchange(FirstEndRecord(0)), "5");
  EXPECT_FALSE(sim_.WaitForExit(300)) << "waits for the loader to close its port";
  loader_->Close();
  auto report = sim_.WaitForExit(2000);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->at("loads").AsInt(), 1);
}

TEST_F(FirstFamilyLine, ThrottledLineCatchesSettingsChangedTooEarly) {
  {
    StartSim({"--family", "VR", "--throttle"});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kVrReadOut);
    loader_->SetLine(9600, 2);  // before the 18 bytes have left at 4800
    loader_->ReadFor(300);
    auto report = StopSim();
    EXPECT_TRUE(HasViolation(report, "at 9600/2 while the receiver listens at 4800/2"))
        << Violations(report);
  }
  {
    StartSim({"--family", "VR", "--throttle"});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Close();  // closed before the sentence has left
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto report = StopSim();
    EXPECT_TRUE(HasViolation(report, "had not yet left the line")) << Violations(report);
  }
  {
    StartSim({"--family", "VR", "--throttle"});
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->SendAndDrain(kVrReadOut);
    loader_->SetLine(9600, 2);
    long long start = NowMs();
    Bytes capture;
    while (DumpRecords(capture).size() < 45 && NowMs() - start < 8000) {
      Bytes more = loader_->ReadFor(100);
      capture.insert(capture.end(), more.begin(), more.end());
    }
    long long took = NowMs() - start;
    auto report = StopSim();
    EXPECT_EQ(report.at("violations").size(), 0u) << Violations(report);
    EXPECT_EQ(DumpRecords(capture).size(), 45u);
    // 3177 bytes or more at 9600 bit/s, 10 bits each, take well over 3 s.
    EXPECT_GE(took, 3000);
  }
}

}  // namespace
}  // namespace simtest
