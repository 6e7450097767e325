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

  // Runs the load and returns the simulator's report, once checked for what holds whatever
  // the outcome: port and progress closed, no violation, each record whole and from the file
  // at 115200 bit/s 1 stop bit, detection and preparation at 4800 bit/s 2 stop bits.
  simreport::Json Load() {
    std::int64_t start = clock.NowMs();
    RunTk20bLoadFrom(*w);
    loadMs = clock.NowMs() - start;
    std::optional<simreport::Json> stopped = sim.Stop();
    if (!stopped) ADD_FAILURE() << "kznsim left no report";
    simreport::Json report = stopped.value_or(simreport::Json());
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(ui.progressClosed, 1);
    EXPECT_EQ(report.at("family").get<std::string>(), "TK20B");
    EXPECT_EQ(simreport::Joined(report.at("violations"), "", "\n"), "");
    for (std::size_t i = 0; i < report.at("records").size(); ++i) {
      const simreport::Json& r = report.at("records").at(i);
      const auto& all = program.records;
      EXPECT_NE(std::find(all.begin(), all.end(), SimBytes(r.at("hex"))), all.end()) << i;
      EXPECT_EQ(r.at("bitRate").get<long long>() * 10 + r.at("stopBits").get<long long>(), 1152001);
    }
    for (std::size_t i = 0; i < report.at("phases").size(); ++i) {
      const simreport::Json& p = report.at("phases").at(i);
      std::string name = p.at("phase").get<std::string>();
      bool slow = name == "normal" || name == "identify";
      EXPECT_EQ(p.at("bitRate").get<long long>() * 10 + p.at("stopBits").get<long long>(),
                slow ? 48002 : 1152001)
          << name;
    }
    return report;
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

TEST(Tk20bLoadE2e, LoadsEveryRecordOnceAtTheAgreedRate) {
  // French, form A, user data erased; English, form B, kept, "DXF" first, throttled.
  for (bool english : {false, true}) {
    SCOPED_TRACE(english);
    const Language language = english ? Language::kEnglish : Language::kFrench;
    std::vector<std::string> args;
    if (english) args = {"--dxf", "--throttle"};
    Tk20bSimRun run(args, MakeTk20bProgram(english ? 'B' : 'A', 60, 100));
    START_OR_FAIL(run);
    run.w->keepUserData = english;
    run.w->language = language;
    simreport::Json report = run.Load();
    ASSERT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    EXPECT_EQ(run.ui.messages[0].textNumber, TextNumber(kMsgLoadingOk, language));
    EXPECT_EQ(run.ui.messages[0].style, kStyleInformation);
    EXPECT_EQ(report.at("records").size(), run.program.records.size());
    EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(60));
    EXPECT_EQ(Outcomes(report), "POK");
    EXPECT_EQ(report.at("preparation").at("rateChar").get<std::string>(), "5");
    EXPECT_EQ(report.at("preparation").at("userDataChar").get<std::string>(), english ? "0" : "1");
    const auto& t = run.ui.progressTexts;
    EXPECT_EQ(std::count(t.begin(), t.end(), LoadMessageText(kMsgErasingSoftware, language)),
              english * 2);
  }
}

TEST(Tk20bLoadE2e, MWordsForeignRepliesAndRefusalsAreResentUpToTenTimes) {
  // Record 1: "M01" twice, then "P02"; record 3: "ECC" ten times, the most a record may take.
  Tk20bSimRun run(
      {"--fault", "m-word=2", "--fault", "wrong-record=1", "--fault", "refuse-record=3:10"},
      MakeTk20bProgram('A', 6, 20));
  START_OR_FAIL(run);
  simreport::Json report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(report.at("recordsResent").get<long long>(), 13);
  EXPECT_EQ(report.at("records").size(), run.program.records.size() + 13);
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(6));
  EXPECT_EQ(Outcomes(report), "POK");
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
