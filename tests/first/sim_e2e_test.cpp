// Whole first-family loads through the real serial port against kznsim on a
// pseudo-terminal, with the real clock. The simulator's report tells what the receiver
// saw; the dump file, alm.alm and the messages tell what the loader made of it.
#if __has_include("serial/serial_port.h") && defined(KZN_SIM_PATH)

#include <gtest/gtest.h>

#include <chrono>

#include "app/messages.h"
#include "loader/first/tables.h"
#include "serial/serial_port.h"
#include "tests/first/first_rig.h"
#include "tests/support/json_lite.h"
#include "tests/support/sim_process.h"

namespace {

using json_lite::HexFromBytes;

// A catalogue folder, the settings store, the port and the main window's state, with
// kznsim at the other end of the line.
class SimLoad {
 public:
  SimLoad(FirstFamilyKind kind, int records = 4, int dataBytes = 64)
      : settings(dir.File("kznload.INI")),
        port(ui, [this](int) { return sim.SlavePath(); }),
        w(ui, clock, settings, port) {
    tag = kind == FirstFamilyKind::kVr ? "VR" : "TK";
    program = PrepareLoad(dir, w, tag, tag + " LOADER BAD CHECKSUM", records, dataBytes);
  }

  // Starts kznsim, runs the load and stops kznsim; the seconds the load took.
  double Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--family", tag});
    if (!sim.Start(args)) ADD_FAILURE() << sim.Error();
    auto start = std::chrono::steady_clock::now();
    RunFirstFamilyLoad(w, tag);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report = sim.Stop().value_or(json_lite::Value());
    return seconds;
  }
  int Marker() const { return settings.GetInt("LAST_LOADING", "1", 0); }
  std::vector<std::uint8_t> Memory(const char* name) const {
    return json_lite::BytesFromHex(report.at("memory").at(name).AsString())
        .value_or(std::vector<std::uint8_t>{});
  }
  // What the receiver saw of a load that ended well (check bytes, word sum, header never
  // sent: each is a violation in its report).
  void ExpectCleanLoad(std::size_t writeBacks) const {
    EXPECT_EQ(report.at("violations").size(), 0u) << report.at("violations").at(0).AsString();
    std::vector<std::uint8_t> sent;
    for (const auto& r : program.dataRecords)
      sent.insert(sent.end(), r.begin(), r.end());
    EXPECT_EQ(report.at("program").AsString(), HexFromBytes(sent));
    EXPECT_EQ(report.at("writeBack").size(), writeBacks);
    EXPECT_EQ(report.at("endRecord").at("sum").AsInt(),
              report.at("endRecord").at("expectedSum").AsInt());
    EXPECT_FALSE(port.IsOpen());
  }

  TempDir dir;
  SteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings;
  CSimProcess sim;
  CSerialPort port;
  CLoaderState w;
  std::string tag;
  first_test::ProgramFile program;
  json_lite::Value report;
};

// At line rate: VR in French with a backup from another receiver (the newer row of each
// slot goes back), TK in English on port 2 without one (its own almanac comes back).
TEST(FirstFamilySim, HappyPathsAtLineRate) {
  struct Case {
    FirstFamilyKind kind;
    std::int16_t language;
    std::int8_t port;
    bool backup;
  };
  for (Case c : {Case{FirstFamilyKind::kVr, kFrenchOffset, 1, true},
                 Case{FirstFamilyKind::kTk, kEnglishOffset, 2, false}}) {
    LanguageGuard language(c.language);
    SimLoad load(c.kind);
    load.w.portNumber = c.port;
    load.w.tables.savedAlmanacValid = c.backup;
    for (int slot = 0; slot < 32; ++slot) {
      auto week = static_cast<std::uint16_t>(CurrentGpsWeek() + (slot < 16 ? 5 : -5));
      load.w.tables.savedAlmanac[slot].fill(static_cast<std::uint8_t>(slot));
      load.w.tables.savedAlmanac[slot][4] = static_cast<std::uint8_t>(week >> 8);
      load.w.tables.savedAlmanac[slot][5] = static_cast<std::uint8_t>(week);
    }
    auto saved = load.w.tables.savedAlmanac;
    load.Run({"--throttle", "--seed", std::to_string(c.port * 7)});
    const json_lite::Value& report = load.report;
    SCOPED_TRACE(load.tag);
    ASSERT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    EXPECT_EQ(load.ui.messages[0].textNumber, kMsgLoadingOk + c.language);
    EXPECT_EQ(load.ui.progressTexts,
              (std::vector<std::string>{LoadMessageText(kMsgWakingReceiver),
                                        LoadMessageText(kMsgReadingReceiver),
                                        LoadMessageText(kMsgLoadingInProgress)}));
    EXPECT_EQ(load.settings.GetInt("LAST_LOADING", std::to_string(c.port), 0), 1);
    std::string dumpFile = "~tmp" + std::to_string(c.port) + ".tmp";
    EXPECT_EQ(HexFromBytes(first_test::Bytes(load.dir.Read(dumpFile))),
              report.at("dumpStream").AsString());
    load.ExpectCleanLoad(43);
    // The almanac first, then the doppler table, at the family's addresses.
    std::uint32_t base = c.kind == FirstFamilyKind::kVr ? kVrTableBase : kTkTableBase;
    ASSERT_EQ(report.at("writeBack").size(), 43u);
    for (long long i = 0; i < 43; ++i) {
      long long block = i < 32 ? 13 + i : i - 32;
      EXPECT_EQ(report.at("writeBack").at(static_cast<std::size_t>(i)).at("address").AsInt(),
                base + (block >= 13 ? 1412 + 42 * (block - 13) : 120 * block))
          << block;
    }
    // The receiver holds its own doppler table again, the merged almanac, and so does alm.alm.
    EXPECT_EQ(load.Memory("doppler"), load.Memory("initialDoppler"));
    std::vector<std::uint8_t> almanac = load.Memory("initialAlmanac");
    ASSERT_EQ(almanac.size(), 1344u);
    for (std::size_t slot = 0; c.backup && slot < 16; ++slot)
      std::copy(saved[slot].begin(), saved[slot].end(), almanac.begin() + slot * 42);
    EXPECT_EQ(load.Memory("almanac"), almanac);
    EXPECT_EQ(load.Memory("almanac"), first_test::Bytes(load.dir.Read("alm.alm")));
  }
}

// After an unfinished load answered Yes the old dump is used and nothing is asked of the
// receiver, whose memory was lost with that load; ten refusals of a record are forgiven.
TEST(FirstFamilySim, UnfinishedLoadWithTenRefusalsAndTheEleventh) {
  for (int refusals : {10, 11}) {
    SimLoad load(FirstFamilyKind::kTk);
    load.settings.SetInt("LAST_LOADING", "1", -1);
    auto old = first_test::MakeDump(0x5C, CurrentGpsWeek(), kReceiverPreface);
    load.dir.Write("~tmp1.tmp", std::string(old.begin(), old.end()));
    load.ui.answers = {kResultYes};
    load.Run(
        {"--fault", "already-wrong", "--fault", "refuse-record=2:" + std::to_string(refusals)});
    SCOPED_TRACE(refusals);
    std::string heard;
    for (std::size_t i = 0; i < load.report.at("phases").size(); ++i)
      heard += load.report.at("phases").at(i).at("bytes").AsString();
    EXPECT_EQ(heard.find(HexFromBytes(first_test::Bytes("$KZNPROG"))), std::string::npos);
    if (refusals == 11) {
      EXPECT_EQ(load.ui.MessageIds(),
                (std::vector<int>{kMsgLastLoadingUnfinished, kMsgLoadingFailed}));
      EXPECT_EQ(load.Marker(), -1);
      EXPECT_TRUE(load.report.at("endRecord").IsNull());
      continue;
    }
    EXPECT_EQ(load.ui.MessageIds(), (std::vector<int>{kMsgLastLoadingUnfinished, kMsgLoadingOk}));
    EXPECT_EQ(load.Marker(), 1);
    EXPECT_EQ(load.report.at("recordsResent").AsInt(), 10);
    load.ExpectCleanLoad(43);
    // The doppler table of the old dump went back.
    std::vector<std::uint8_t> doppler = load.Memory("doppler");
    ASSERT_GE(doppler.size(), 120u);
    doppler.resize(120);
    EXPECT_EQ(doppler, first_test::BlockData(0x5C, CurrentGpsWeek(), 0));
  }
}

// A receiver already in its wrong-checksum state gets the saved almanac only (the doppler
// table of an earlier load is forgotten), then judges the end record; or it vanishes
// mid-upload, which fails the load at once with the port closed.
TEST(FirstFamilySim, EndRecordVerdictsAndVanishing) {
  struct Case {
    std::vector<std::string> args;
    std::vector<int> messages;
    std::size_t ends;
  };
  const std::vector<Case> cases = {
      {{"--verdict", "1"}, {kMsgLoadingFailed, kMsgLoadingFailed}, 3},
      {{"--verdict", "2"}, {kMsgLoadingFailed, kMsgLoadingFailed}, 3},
      {{"--fault", "busy=3"}, {kMsgLoadingOk}, 1},
      {{"--verdict", "4"}, {kMsgBadChecksum, kMsgLoadingFailed}, 1},
      {{"--verdict", "6"}, {kMsgBadSoftwareVersion, kMsgLoadingFailed}, 1},
      {{"--verdict", "7"}, {kMsgFlashWriteError, kMsgLoadingFailed}, 1},
      {{"--fault", "vanish=3"}, {kMsgLoadingFailed}, 0},
  };
  for (const Case& c : cases) {
    SimLoad load(FirstFamilyKind::kVr, 8, 32);
    load.w.tables.savedAlmanacValid = true;
    load.w.tables.savedAlmanac[0].fill(0x42);
    load.w.tables.dopplerValid = true;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--fault", "already-wrong"});
    double seconds = load.Run(args);
    SCOPED_TRACE(c.args[1]);
    EXPECT_EQ(load.ui.MessageIds(), c.messages);
    EXPECT_EQ(load.Marker(), c.messages.back() == kMsgLoadingOk ? 1 : -1);
    EXPECT_EQ(load.report.at("writeBack").size(), c.ends > 0 ? 32u : 0u);
    EXPECT_EQ(load.dir.Read("~tmp1.tmp"), "");
    if (c.messages.back() == kMsgLoadingOk) load.ExpectCleanLoad(32);
    std::size_t ends = 0;
    for (std::size_t i = 0; i < load.report.at("records").size(); ++i)
      ends += load.report.at("records").at(i).at("kind").AsString() == "end";
    EXPECT_EQ(ends, c.ends);
    EXPECT_FALSE(load.port.IsOpen());
    EXPECT_FALSE(load.ui.progressOpen);
    EXPECT_LT(seconds, 40.0);
  }
}

}  // namespace

#endif
