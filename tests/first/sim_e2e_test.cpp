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

// A first-family load through the real port, with kznsim at the other end of the line.
class SimLoad {
 public:
  explicit SimLoad(Family kind)
      : settings(dir.File("kznload.INI")),
        port(ui, [this](int) { return sim.SlavePath(); }),
        w(ui, clock, settings, port),
        family(kind) {
    tag = std::string(FamilyTag(kind));
    PrepareLoad(dir, w, tag, tag + " LOADER BAD CHECKSUM");
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
  TempDir dir;
  CSteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings;
  CSimProcess sim;
  CSerialPort port;
  CLoaderState w;
  Family family;
  std::string tag;
  simreport::Json report;
};

// A receiver already in its wrong-checksum state. After an unfinished load answered Yes
// (TK) the old dump is used and nothing is asked of the receiver, whose memory went with that
// load; ten refusals of a record are forgiven, not eleven. Otherwise (VR) it gets the saved
// almanac only (the doppler table of an earlier load is forgotten) and judges the end
// record, or vanishes mid-upload, which fails the load at once.
struct WrongStateCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<int> messages;
};

// Names the case in test listings.
void PrintTo(const WrongStateCase& c, std::ostream* out) {
  *out << c.name;
}

constexpr int kFailed = kMsgLoadingFailed, kUnfinished = kMsgLastLoadingUnfinished;

class FirstFamilySimWrongState : public ::testing::TestWithParam<WrongStateCase> {};

TEST_P(FirstFamilySimWrongState, EndsAsTheReceiverAnswers) {
  const auto old = first_test::MakeDump(0x5C, 2300);
  {
    const WrongStateCase& c = GetParam();
    const bool unfinished = c.messages[0] == kUnfinished;
    const bool ok = c.messages.back() == kMsgLoadingOk;
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
    EXPECT_EQ(load.dir.Read("~tmp1.tmp"), unfinished ? std::string(old.begin(), old.end()) : "");
    EXPECT_FALSE(load.port.IsOpen());
    EXPECT_FALSE(load.ui.progressOpen);
    if (kWallClockBounds) {
      EXPECT_LT(seconds, 40.0);
    }
    // What the receiver heard (after a resume, no read-out request), which records it took
    // and judged, the tables written back (from the old dump after a resume), its end.
    simreport::ExpectReportAsExpected(load.report, KZN_SOURCE_DIR "/tests/first/expected");
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachAnswer, FirstFamilySimWrongState,
    ::testing::Values(
        WrongStateCase{
            "TenRefusals", {"--fault", "refuse-record=2:10"}, {kUnfinished, kMsgLoadingOk}},
        WrongStateCase{"ElevenRefusals", {"--fault", "refuse-record=2:11"}, {kUnfinished, kFailed}},
        WrongStateCase{"Verdict1", {"--verdict", "1"}, {kFailed, kFailed}},
        WrongStateCase{"Busy", {"--fault", "busy=3"}, {kMsgLoadingOk}},
        WrongStateCase{"Verdict4", {"--verdict", "4"}, {kMsgBadChecksum, kFailed}},
        WrongStateCase{"Verdict6", {"--verdict", "6"}, {kMsgBadSoftwareVersion, kFailed}},
        WrongStateCase{"Verdict7", {"--verdict", "7"}, {kMsgFlashWriteError, kFailed}},
        WrongStateCase{"Vanish", {"--fault", "vanish=3"}, {kFailed}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace

#endif
