// Whole second-family loads against kznsim on a pseudo-terminal, real clock, real port.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "base/clock.h"
#include "loader/second/second_family.h"
#include "serial/serial_port.h"
#include "tests/second/tk20b_support.h"
#include "tests/support/sim_process.h"
#include "tests/support/sim_report.h"
#include "tests/support/wall_clock.h"

namespace {

std::string SimBytes(const simreport::Json& hex) {
  auto bytes = simreport::BytesFromHex(hex.get<std::string>());
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<bad hex>");
}

// kznsim as a TK20B receiver, and a main window to load `program` into it.
struct Tk20bSimRun {
  Tk20bSimRun(std::vector<std::string> args, Tk20bProgramFile file) : program(std::move(file)) {
    args.insert(args.begin(), {"--family", "TK20B"});
    started = sim.Start(args);
    std::string slave = sim.SlavePath();
    port = std::make_unique<CSerialPort>(ui, [slave](int) { return slave; });
    w = std::make_unique<CLoaderState>(ui, clock, settings, *port);
    SelectTk20b(*w, dir, "TK20B BOOT WAITING", "TK20B.gb");
    dir.Write(w->fileName, program.Bytes());
  }

  // Runs the load and returns the simulator's report; the port and the progress window are
  // closed whatever the outcome.
  simreport::Json Load() {
    std::int64_t start = clock.NowMs();
    RunTk20bLoadFrom(*w);
    loadMs = clock.NowMs() - start;
    std::optional<simreport::Json> stopped = sim.Stop();
    if (!stopped) ADD_FAILURE() << "kznsim left no report";
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(ui.progressClosed, 1);
    return stopped.value_or(simreport::Json());
  }

  TempDir dir;
  CSteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  std::unique_ptr<CSerialPort> port;
  std::unique_ptr<CLoaderState> w;
  const Tk20bProgramFile program;
  std::int64_t loadMs = 0;
  CSimProcess sim;
  bool started = false;
};

#define START_OR_FAIL(run) ASSERT_TRUE((run).started) << (run).sim.Error()

std::string Outcomes(const simreport::Json& report) {
  return simreport::Joined(report.at("outcomes"), "", ",");
}

// What the receiver heard, at which rate, and what it holds: the expected report of each
// load. French, form A, user data erased; English, form B, kept, "DXF" first, throttled.
// Then "M01" twice and "P02" for record 1, "ECC" ten times for record 3, the most a record
// may take.
TEST(Tk20bLoadE2e, LoadsEveryRecordOnceAtTheAgreedRateAndResendsUpToTenTimes) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    char form;
    int records;
    std::uint8_t count;
    Language language;
    int erasingTexts;  // "Erasing the program" shown again after "DXF"
  } cases[] = {
      {"French", {}, 'A', 60, 100, Language::kFrench, 0},
      {"EnglishKeepingUserData", {"--dxf", "--throttle"}, 'B', 60, 100, Language::kEnglish, 2},
      {"Resends",
       {"--fault", "m-word=2", "--fault", "wrong-record=1", "--fault", "refuse-record=3:10"},
       'A',
       6,
       20,
       Language::kEnglish,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tk20bSimRun run(c.args, MakeTk20bProgram(c.form, c.records, c.count));
    START_OR_FAIL(run);
    run.w->keepUserData = c.erasingTexts > 0;
    run.w->language = c.language;
    simreport::Json report = run.Load();
    ASSERT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    EXPECT_EQ(run.ui.messages[0].textNumber, TextNumber(kMsgLoadingOk, c.language));
    const auto& t = run.ui.progressTexts;
    EXPECT_EQ(std::count(t.begin(), t.end(), LoadMessageText(kMsgErasingSoftware, c.language)),
              c.erasingTexts);
    simreport::ExpectMatchesExpected(report, KZN_SOURCE_DIR "/tests/second/expected",
                                     std::string("Load") + c.name,
                                     {"/droppedBytes", "/garbledBytes"});
  }
}

TEST(Tk20bLoadE2e, CancelNoGoesOnYesStops) {
  Tk20bSimRun run({}, MakeTk20bProgram('A', 40, 60));
  START_OR_FAIL(run);
  int pressed = 0;
  run.ui.cancelWhen = [&] {
    int at = run.ui.positions.empty() ? 0 : run.ui.positions.back();
    return at >= 20 + 40 * pressed && pressed < 2 && ++pressed > 0;
  };
  run.ui.answers = {kResultNo, kResultYes};
  simreport::Json report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(),
            (std::vector<int>{kMsgConfirmAbort, kMsgConfirmAbort, kMsgUserCancel}));
  // Stopped past the first question and before the end, every record whole, no end record.
  const long long accepted = report.at("recordsAccepted").get<long long>();
  EXPECT_GT(accepted, 40 * 20 / 100);
  EXPECT_LT(accepted, 40);
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(static_cast<std::size_t>(accepted)));
  EXPECT_EQ(Outcomes(report), "abandoned");
  EXPECT_TRUE(report.at("endRecord").is_null());
}

TEST(Tk20bLoadE2e, AReceiverThatDisappearsEndsTheLoadWithAFailure) {
  Tk20bSimRun run({"--fault", "vanish=5"}, MakeTk20bProgram('A', 20, 30));
  START_OR_FAIL(run);
  simreport::Json report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  EXPECT_EQ(report.at("outcomes").at(0).get<std::string>(), "vanished");
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(5));
  if (kWallClockBounds) {
    EXPECT_LT(run.loadMs, 30000);
  }
}

}  // namespace
