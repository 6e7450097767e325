// Whole first-family loads through the real serial port against kznsim on a
// pseudo-terminal, with the real clock. The simulator's report tells what the receiver
// saw; the dump file, alm.alm and the messages tell what the loader made of it.
#if __has_include("serial/serial_port.h") && defined(KZN_SIM_PATH)

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "app/messages.h"
#include "loader/first/tables.h"
#include "serial/serial_port.h"
#include "tests/first/first_rig.h"
#include "tests/support/json_lite.h"
#include "tests/support/sim_process.h"

namespace {

using json_lite::BytesFromHex;
using json_lite::HexFromBytes;

const char* WrgOf(FirstFamilyKind kind) {
  return kind == FirstFamilyKind::kVr ? "VR LOADER BAD CHECKSUM" : "TK LOADER BAD CHECKSUM";
}

class LanguageGuard {
 public:
  explicit LanguageGuard(std::int16_t offset) { LanguageOffset = offset; }
  ~LanguageGuard() { LanguageOffset = kFrenchOffset; }
};

// A catalogue folder, the settings store, the port and the main window's state, with
// kznsim at the other end of the line.
class SimLoad {
 public:
  SimLoad(FirstFamilyKind kind, int records = 4, int dataBytes = 64)
      : settings(dir.File("kznload.INI")),
        port(ui, [this](int) { return sim.SlavePath(); }),
        w(ui, clock, settings, port) {
    tag = kind == FirstFamilyKind::kVr ? "VR" : "TK";
    dir.Write("chgt.cfg", "REC:Model\nNAM:MODEL\nE/S:" + tag + "\nWRG:" + WrgOf(kind) + "\n");
    w.catalogueFolder = dir.Path();
    w.receiverTypes.entries = {"Model"};
    w.receiverTypes.selection = 0;
    program = first_test::MakeProgram(records, dataBytes, 0x33);
    dir.Write("MODEL.fra", std::string(program.bytes.begin(), program.bytes.end()));
    w.folder = dir.Path() + "/";
    w.fileName = "MODEL.fra";
  }

  bool Start(std::vector<std::string> args) {
    args.insert(args.begin(), {"--family", tag});
    return sim.Start(args);
  }
  // Runs the load; the seconds it took.
  double Run() {
    auto start = std::chrono::steady_clock::now();
    RunFirstFamilyLoad(w, tag);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  json_lite::Value Report() {
    auto report = sim.Stop();
    return report ? *report : json_lite::Value();
  }
  std::vector<std::uint8_t> File(const std::string& name) const {
    std::string text = dir.Read(name);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  }
  int Marker() const { return settings.GetInt("LAST_LOADING", "1", 1); }

  TempDir dir;
  SteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings;
  CSimProcess sim;
  CSerialPort port;
  CLoaderState w;
  std::string tag;
  first_test::ProgramFile program;
};

std::string ProgramHex(const first_test::ProgramFile& program) {
  std::vector<std::uint8_t> all;
  for (const auto& r : program.dataRecords)
    all.insert(all.end(), r.begin(), r.end());
  return HexFromBytes(all);
}

std::vector<std::uint8_t> Hex(const json_lite::Value& v) {
  return BytesFromHex(v.AsString()).value_or(std::vector<std::uint8_t>{});
}

// What every complete load must show in the receiver's report.
void ExpectReceiverLoaded(SimLoad& load, const json_lite::Value& report, std::uint32_t base) {
  EXPECT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(load.Marker(), 1);
  EXPECT_FALSE(load.port.IsOpen());
  EXPECT_EQ(report.at("violations").size(), 0u) << report.at("violations").at(0).AsString();
  // Every data record arrived unchanged, the header record never.
  EXPECT_EQ(report.at("program").AsString(), ProgramHex(load.program));
  EXPECT_EQ(report.at("recordsAccepted").AsInt(),
            static_cast<long long>(load.program.dataRecords.size()));
  // The almanac first, then the doppler table, at the family's addresses.
  const json_lite::Value& writeBack = report.at("writeBack");
  ASSERT_EQ(writeBack.size(), 43u);
  for (std::size_t i = 0; i < 43; ++i) {
    long long block = i < 32 ? 13 + static_cast<long long>(i) : static_cast<long long>(i) - 32;
    EXPECT_EQ(writeBack.at(i).at("block").AsInt(), block);
    std::uint32_t offset = block >= 13 ? 1412u + 42u * static_cast<std::uint32_t>(block - 13)
                                       : 120u * static_cast<std::uint32_t>(block);
    EXPECT_EQ(writeBack.at(i).at("address").AsInt(), base + offset);
  }
  const json_lite::Value& end = report.at("endRecord");
  EXPECT_EQ(end.at("sum").AsInt(), end.at("expectedSum").AsInt());
  EXPECT_EQ(end.at("verdict").AsString(), "5");
  // The receiver holds its own doppler table again, and the merged almanac.
  const json_lite::Value& memory = report.at("memory");
  EXPECT_EQ(memory.at("doppler").AsString(), memory.at("initialDoppler").AsString());
  EXPECT_EQ(Hex(memory.at("almanac")), load.File("alm.alm"));
}

TEST(FirstFamilySim, VrHappyPathAtLineRateInFrench) {
  SimLoad load(FirstFamilyKind::kVr);
  ASSERT_TRUE(load.Start({"--throttle", "--seed", "7"})) << load.sim.Error();
  load.Run();
  json_lite::Value report = load.Report();
  ExpectReceiverLoaded(load, report, kVrTableBase);
  EXPECT_EQ(HexFromBytes(load.File("~tmp1.tmp")), report.at("dumpStream").AsString());
  // First run without a backup: the receiver's own almanac comes back.
  EXPECT_EQ(report.at("memory").at("almanac").AsString(),
            report.at("memory").at("initialAlmanac").AsString());
  EXPECT_EQ(load.ui.progressTexts.size(), 3u);
}

TEST(FirstFamilySim, TkHappyPathAtLineRateInEnglish) {
  LanguageGuard english(kEnglishOffset);
  SimLoad load(FirstFamilyKind::kTk);
  ASSERT_TRUE(load.Start({"--throttle", "--seed", "11"})) << load.sim.Error();
  load.Run();
  json_lite::Value report = load.Report();
  ASSERT_EQ(load.ui.messages.size(), 1u);
  EXPECT_EQ(load.ui.messages[0].text, "Software version succesfully loaded.");
  load.ui.messages[0].textNumber = kMsgLoadingOk;
  ExpectReceiverLoaded(load, report, kTkTableBase);
  EXPECT_EQ(HexFromBytes(load.File("~tmp1.tmp")), report.at("dumpStream").AsString());
}

TEST(FirstFamilySim, SavedAlmanacIsMergedIntoTheReceiver) {
  // A backup from another receiver: the newer row of each slot goes back.
  SimLoad load(FirstFamilyKind::kVr);
  ASSERT_TRUE(load.Start({"--throttle", "--seed", "3"})) << load.sim.Error();
  load.w.tables.savedAlmanacValid = true;
  for (int slot = 0; slot < 32; ++slot) {
    auto week = static_cast<std::uint16_t>(CurrentGpsWeek() + (slot < 16 ? 5 : -5));
    load.w.tables.savedAlmanac[slot].fill(static_cast<std::uint8_t>(slot));
    load.w.tables.savedAlmanac[slot][4] = static_cast<std::uint8_t>(week >> 8);
    load.w.tables.savedAlmanac[slot][5] = static_cast<std::uint8_t>(week);
  }
  auto saved = load.w.tables.savedAlmanac;
  load.Run();
  json_lite::Value report = load.Report();
  ExpectReceiverLoaded(load, report, kVrTableBase);
  std::vector<std::uint8_t> initial = Hex(report.at("memory").at("initialAlmanac"));
  std::vector<std::uint8_t> now = Hex(report.at("memory").at("almanac"));
  ASSERT_EQ(now.size(), 1344u);
  for (std::size_t slot = 0; slot < 32; ++slot) {
    auto row = std::vector<std::uint8_t>(now.begin() + static_cast<long>(slot * 42),
                                         now.begin() + static_cast<long>(slot * 42 + 42));
    if (slot < 16)
      EXPECT_EQ(row, std::vector<std::uint8_t>(saved[slot].begin(), saved[slot].end()));
    else
      EXPECT_EQ(row,
                std::vector<std::uint8_t>(initial.begin() + static_cast<long>(slot * 42),
                                          initial.begin() + static_cast<long>(slot * 42 + 42)));
  }
}

TEST(FirstFamilySim, UnfinishedLoadUsesTheOldDumpAndAsksNothingOfTheReceiver) {
  SimLoad load(FirstFamilyKind::kTk);
  load.settings.SetInt("LAST_LOADING", "1", -1);
  auto old = first_test::MakeDump(0x5C, CurrentGpsWeek(), kReceiverPreface);
  load.dir.Write("~tmp1.tmp", std::string(old.begin(), old.end()));
  load.ui.answers = {kResultYes};
  // Its memory was lost with the unfinished load.
  ASSERT_TRUE(load.Start({"--fault", "already-wrong"})) << load.sim.Error();
  load.Run();
  json_lite::Value report = load.Report();
  EXPECT_EQ(load.ui.MessageIds(), (std::vector<int>{kMsgLastLoadingUnfinished, kMsgLoadingOk}));
  EXPECT_EQ(load.Marker(), 1);
  std::string heard;
  for (std::size_t i = 0; i < report.at("phases").size(); ++i)
    heard += report.at("phases").at(i).at("bytes").AsString();
  EXPECT_EQ(heard.find(HexFromBytes({'$', 'K', 'Z', 'N', 'P', 'R', 'O', 'G'})), std::string::npos);
  // The doppler table of the old dump went back.
  std::vector<std::uint8_t> doppler = Hex(report.at("memory").at("doppler"));
  ASSERT_GE(doppler.size(), 120u);
  auto block0 = first_test::BlockData(0x5C, CurrentGpsWeek(), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(doppler.begin(), doppler.begin() + 120), block0);
}

TEST(FirstFamilySim, ReceiverInItsWrongChecksumStateGetsTheSavedAlmanacOnly) {
  SimLoad load(FirstFamilyKind::kVr);
  load.w.tables.savedAlmanacValid = true;
  load.w.tables.savedAlmanac[0].fill(0x42);
  load.w.tables.dopplerValid = true;  // from an earlier load: cleared at the start
  ASSERT_TRUE(load.Start({"--fault", "already-wrong"})) << load.sim.Error();
  load.Run();
  json_lite::Value report = load.Report();
  EXPECT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(report.at("writeBack").size(), 32u);
  EXPECT_EQ(report.at("violations").size(), 0u) << report.at("violations").at(0).AsString();
  EXPECT_EQ(report.at("endRecord").at("sum").AsInt(),
            report.at("endRecord").at("expectedSum").AsInt());
  EXPECT_EQ(load.File("~tmp1.tmp").size(), 0u);
}

TEST(FirstFamilySim, TenRefusalsAreForgivenTheEleventhIsNot) {
  for (int refusals : {10, 11}) {
    SimLoad load(FirstFamilyKind::kTk);
    ASSERT_TRUE(load.Start(
        {"--fault", "already-wrong", "--fault", "refuse-record=2:" + std::to_string(refusals)}))
        << load.sim.Error();
    load.Run();
    json_lite::Value report = load.Report();
    if (refusals == 10) {
      EXPECT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
      EXPECT_EQ(report.at("recordsResent").AsInt(), 10);
      EXPECT_EQ(report.at("program").AsString(), ProgramHex(load.program));
    } else {
      EXPECT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
      EXPECT_EQ(load.Marker(), -1);
      EXPECT_TRUE(report.at("endRecord").IsNull());
    }
  }
}

TEST(FirstFamilySim, EndRecordVerdicts) {
  struct Case {
    std::vector<std::string> args;
    std::vector<int> messages;
  };
  const std::vector<Case> cases = {
      {{"--verdict", "1"}, {kMsgLoadingFailed, kMsgLoadingFailed}},
      {{"--verdict", "2"}, {kMsgLoadingFailed, kMsgLoadingFailed}},
      {{"--fault", "busy=3"}, {kMsgLoadingOk}},
      {{"--verdict", "4"}, {kMsgBadChecksum, kMsgLoadingFailed}},
      {{"--verdict", "5"}, {kMsgLoadingOk}},
      {{"--verdict", "6"}, {kMsgBadSoftwareVersion, kMsgLoadingFailed}},
      {{"--verdict", "7"}, {kMsgFlashWriteError, kMsgLoadingFailed}},
  };
  for (const Case& c : cases) {
    SimLoad load(FirstFamilyKind::kVr, 2, 32);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--fault", "already-wrong"});
    ASSERT_TRUE(load.Start(args)) << load.sim.Error();
    load.Run();
    json_lite::Value report = load.Report();
    EXPECT_EQ(load.ui.MessageIds(), c.messages) << c.args[1];
    EXPECT_EQ(load.Marker(), c.messages.back() == kMsgLoadingOk ? 1 : -1) << c.args[1];
    std::size_t ends = 0;
    for (std::size_t i = 0; i < report.at("records").size(); ++i)
      ends += report.at("records").at(i).at("kind").AsString() == "end";
    EXPECT_EQ(ends, c.args[1] == "1" || c.args[1] == "2" ? 3u : 1u) << c.args[1];
  }
}

TEST(FirstFamilySim, ReceiverVanishingMidUploadFailsPromptly) {
  SimLoad load(FirstFamilyKind::kVr, 8, 64);
  ASSERT_TRUE(load.Start({"--fault", "already-wrong", "--fault", "vanish=3"})) << load.sim.Error();
  double seconds = load.Run();
  load.sim.WaitForExit(5000);
  EXPECT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  EXPECT_EQ(load.Marker(), -1);
  EXPECT_FALSE(load.port.IsOpen());
  EXPECT_FALSE(load.ui.progressOpen);
  EXPECT_LT(seconds, 40.0);
}

}  // namespace

#endif
