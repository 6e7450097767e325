// Whole first-family loads through the real serial port against kznsim on a
// pseudo-terminal, with the real clock. The simulator's report tells what the receiver
// saw; the dump file, alm.alm and the messages tell what the loader made of it.
#if __has_include("serial/serial_port.h") && defined(KZN_SIM_PATH)

#include <gtest/gtest.h>

#include <chrono>

#include "loader/first/tables.h"
#include "serial/serial_port.h"
#include "tests/first/first_rig.h"
#include "tests/support/sim_process.h"
#include "tests/support/sim_report.h"
#include "tests/support/wall_clock.h"

namespace {

using simreport::HexFromBytes;

// A first-family load through the real port, with kznsim at the other end of the line.
class SimLoad {
 public:
  explicit SimLoad(Family kind)
      : settings(dir.File("kznload.INI")),
        port(ui, [this](int) { return sim.SlavePath(); }),
        w(ui, clock, settings, port),
        family(kind) {
    tag = std::string(FamilyTag(kind));
    program = PrepareLoad(dir, w, tag, tag + " LOADER BAD CHECKSUM");
  }

  // Starts kznsim, runs the load and stops kznsim; the seconds the load took.
  double Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--family", tag});
    if (!sim.Start(args)) ADD_FAILURE() << sim.Error();
    auto start = std::chrono::steady_clock::now();
    RunFirstLoadFrom(w, family);
    report = sim.Stop().value_or(simreport::Json());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  std::vector<std::uint8_t> Memory(const char* name) const {
    return simreport::BytesFromHex(report.at("memory").at(name).get<std::string>())
        .value_or(std::vector<std::uint8_t>{});
  }
  // A load that ended well: the program as it is (the header never sent, the check bytes and
  // word sum right: each a violation), the write-backs, the end record's sum, the port shut.
  void ExpectCleanLoad(std::size_t writeBacks) const {
    EXPECT_EQ(report.at("violations").size(), 0u)
        << report.at("violations").at(0).get<std::string>();
    EXPECT_EQ(report.at("program").get<std::string>(),  // all but the 16-byte header and the end
              HexFromBytes(std::vector<std::uint8_t>(program.begin() + 16, program.end() - 4)));
    EXPECT_EQ(report.at("writeBack").size(), writeBacks);
    EXPECT_EQ(report.at("endRecord").at("sum").get<long long>(),
              report.at("endRecord").at("expectedSum").get<long long>());
    EXPECT_FALSE(port.IsOpen());
  }

  TempDir dir;
  CSteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings;
  CSimProcess sim;
  CSerialPort port;
  CLoaderState w;
  Family family;
  std::string tag;
  std::vector<std::uint8_t> program;
  simreport::Json report;
};

// At line rate: VR in French with a backup from another receiver (the newer row of each
// slot goes back), TK in English on port 2 without one (its own almanac comes back).
class FirstFamilySimAtLineRate : public ::testing::TestWithParam<bool> {};

TEST_P(FirstFamilySimAtLineRate, LoadsAndWritesTheTablesBack) {
  {
    const bool vr = GetParam();
    const Language language = vr ? Language::kFrench : Language::kEnglish;
    std::int8_t portNumber = vr ? 1 : 2;
    SimLoad load(vr ? Family::kVr : Family::kTk);
    load.w.language = language;
    load.w.portNumber = portNumber;
    load.w.tables.savedAlmanacValid = vr;
    for (int slot = 0; slot < 32; ++slot) {
      auto week = static_cast<std::uint16_t>(CurrentGpsWeek() + (slot < 16 ? 5 : -5));
      load.w.tables.savedAlmanac[slot].fill(static_cast<std::uint8_t>(slot));
      load.w.tables.savedAlmanac[slot][4] = static_cast<std::uint8_t>(week >> 8);
      load.w.tables.savedAlmanac[slot][5] = static_cast<std::uint8_t>(week);
    }
    auto saved = load.w.tables.savedAlmanac;
    load.Run({"--throttle", "--seed", std::to_string(portNumber * 7)});
    const simreport::Json& report = load.report;
    SCOPED_TRACE(load.tag);
    ASSERT_EQ(load.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    EXPECT_EQ(load.ui.messages[0].textNumber, TextNumber(kMsgLoadingOk, language));
    EXPECT_EQ(load.settings.GetInt("LAST_LOADING", std::to_string(portNumber), 0), 1);
    EXPECT_EQ(HexFromBytes(
                  first_test::Bytes(load.dir.Read("~tmp" + std::to_string(portNumber) + ".tmp"))),
              report.at("dumpStream").get<std::string>());
    load.ExpectCleanLoad(43);
    // The almanac first, then the doppler table, at the family's addresses.
    std::uint32_t base = vr ? kVrTableBase : kTkTableBase;
    for (long long i = 0; i < 43; ++i) {
      long long block = i < 32 ? 13 + i : i - 32;
      EXPECT_EQ(
          report.at("writeBack").at(static_cast<std::size_t>(i)).at("address").get<long long>(),
          base + (block >= 13 ? 1412 + 42 * (block - 13) : 120 * block))
          << block;
    }
    // The receiver holds its own doppler table again, the merged almanac, and so does alm.alm.
    EXPECT_EQ(load.Memory("doppler"), load.Memory("initialDoppler"));
    std::vector<std::uint8_t> almanac = load.Memory("initialAlmanac");
    ASSERT_EQ(almanac.size(), 1344u);
    for (std::size_t slot = 0; vr && slot < 16; ++slot)
      std::copy(saved[slot].begin(), saved[slot].end(), almanac.begin() + slot * 42);
    EXPECT_EQ(load.Memory("almanac"), almanac);
    EXPECT_EQ(load.Memory("almanac"), first_test::Bytes(load.dir.Read("alm.alm")));
  }
}

INSTANTIATE_TEST_SUITE_P(EachFamily, FirstFamilySimAtLineRate, ::testing::Values(true, false),
                         [](const auto& param) { return std::string(param.param ? "VR" : "TK"); });

// A receiver already in its wrong-checksum state. After an unfinished load answered Yes
// (TK) the old dump is used and nothing is asked of the receiver, whose memory went with that
// load; ten refusals of a record are forgiven, not eleven. Otherwise (VR) it gets the saved
// almanac only (the doppler table of an earlier load is forgotten) and judges the end
// record, or vanishes mid-upload, which fails the load at once.
struct WrongStateCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<int> messages;
  std::size_t ends;
};

// Names the case in test listings.
void PrintTo(const WrongStateCase& c, std::ostream* out) {
  *out << c.name;
}

constexpr int kFailed = kMsgLoadingFailed, kUnfinished = kMsgLastLoadingUnfinished;

class FirstFamilySimWrongState : public ::testing::TestWithParam<WrongStateCase> {};

TEST_P(FirstFamilySimWrongState, EndsAsTheReceiverAnswers) {
  auto old = first_test::MakeDump(0x5C, CurrentGpsWeek());
  {
    const WrongStateCase& c = GetParam();
    bool unfinished = c.messages[0] == kUnfinished, ok = c.messages.back() == kMsgLoadingOk;
    SimLoad load(unfinished ? Family::kTk : Family::kVr);
    if (unfinished) {
      load.settings.SetInt("LAST_LOADING", "1", -1);
      load.dir.Write("~tmp1.tmp", std::string(old.begin(), old.end()));
      load.ui.answers = {kResultYes};
    }
    load.w.tables.savedAlmanacValid = load.w.tables.dopplerValid = !unfinished;
    load.w.tables.savedAlmanac[0].fill(0x42);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--fault", "already-wrong"});
    double seconds = load.Run(args);
    SCOPED_TRACE(c.args[1]);
    EXPECT_EQ(load.ui.MessageIds(), c.messages);
    EXPECT_EQ(load.settings.GetInt("LAST_LOADING", "1", 0), ok ? 1 : -1);
    std::size_t ends = 0, writeBacks = unfinished ? 43 : 32;
    for (std::size_t i = 0; i < load.report.at("records").size(); ++i)
      ends += load.report.at("records").at(i).at("kind").get<std::string>() == "end";
    EXPECT_EQ(ends, c.ends);
    EXPECT_EQ(load.report.at("writeBack").size(), c.ends > 0 ? writeBacks : 0u);
    EXPECT_EQ(load.dir.Read("~tmp1.tmp"), unfinished ? std::string(old.begin(), old.end()) : "");
    EXPECT_FALSE(load.port.IsOpen());
    EXPECT_FALSE(load.ui.progressOpen);
    if (kWallClockBounds) {
      EXPECT_LT(seconds, 40.0);
    }
    const std::string heard = simreport::Joined(load.report.at("phases"), "bytes");
    EXPECT_TRUE(!unfinished ||
                heard.find(HexFromBytes(first_test::Bytes("$KZNPROG"))) == std::string::npos);
    if (!ok) return;
    load.ExpectCleanLoad(writeBacks);
    if (!unfinished) return;
    EXPECT_EQ(load.report.at("recordsResent").get<long long>(), 10);
    // The doppler table of the old dump went back.
    std::vector<std::uint8_t> doppler = load.Memory("doppler");
    doppler.resize(120);
    EXPECT_EQ(doppler, first_test::BlockData(0x5C, CurrentGpsWeek(), 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachAnswer, FirstFamilySimWrongState,
    ::testing::Values(
        WrongStateCase{
            "TenRefusals", {"--fault", "refuse-record=2:10"}, {kUnfinished, kMsgLoadingOk}, 1},
        WrongStateCase{
            "ElevenRefusals", {"--fault", "refuse-record=2:11"}, {kUnfinished, kFailed}, 0},
        WrongStateCase{"Verdict1", {"--verdict", "1"}, {kFailed, kFailed}, 3},
        WrongStateCase{"Busy", {"--fault", "busy=3"}, {kMsgLoadingOk}, 1},
        WrongStateCase{"Verdict4", {"--verdict", "4"}, {kMsgBadChecksum, kFailed}, 1},
        WrongStateCase{"Verdict6", {"--verdict", "6"}, {kMsgBadSoftwareVersion, kFailed}, 1},
        WrongStateCase{"Verdict7", {"--verdict", "7"}, {kMsgFlashWriteError, kFailed}, 1},
        WrongStateCase{"Vanish", {"--fault", "vanish=3"}, {kFailed}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace

#endif
