// Whole second-family loads against kznsim on a pseudo-terminal, real clock, real port.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "app/clock.h"
#include "loader/second/second_family.h"
#include "serial/serial_port.h"
#include "tests/second/tk_support.h"
#include "tests/support/json_lite.h"
#include "tests/support/sim_process.h"

namespace {

std::string SimBytes(const json_lite::Value& hex) {
  auto bytes = json_lite::BytesFromHex(hex.AsString());
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<bad hex>");
}

// kznsim as a TK20B receiver with `simArgs`, and a main window to load `program` into it.
class TkSimRun {
 public:
  TkSimRun(const std::vector<std::string>& simArgs, TkProgramFile file) : program(std::move(file)) {
    std::vector<std::string> args = {"--family", "TK20B"};
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    started = sim.Start(args);
    std::string slave = sim.SlavePath();
    port = std::make_unique<CSerialPort>(ui, [slave](int) { return slave; });
    w = std::make_unique<CLoaderState>(ui, clock, settings, *port);
    SelectTk20b(*w, dir, "TK20B BOOT WAITING", "TK20B.gb");
    dir.Write(w->fileName, program.Bytes());
  }

  // Runs the load, stops the simulator and returns its report, once checked for what
  // holds whatever the outcome: port and progress window closed, no protocol violation
  // (the header is one), each record whole and as in the file at 115200 bit/s with 1 stop
  // bit, detection and preparation at 4800 bit/s with 2.
  json_lite::Value Load() {
    std::int64_t start = clock.NowMs();
    RunTkLoad(*w, "TK20B");
    loadMs = clock.NowMs() - start;
    std::optional<json_lite::Value> stopped = sim.Stop();
    if (!stopped) ADD_FAILURE() << "kznsim left no report";
    json_lite::Value report = stopped.value_or(json_lite::Value());

    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(ui.progressClosed, 1);
    EXPECT_EQ(report.at("family").AsString(), "TK20B");
    const json_lite::Value& violations = report.at("violations");
    for (std::size_t i = 0; i < violations.size(); ++i)
      ADD_FAILURE() << "violation: " << violations.at(i).AsString();
    const json_lite::Value& records = report.at("records");
    for (std::size_t i = 0; i < records.size(); ++i) {
      const json_lite::Value& r = records.at(i);
      std::string bytes = SimBytes(r.at("hex"));
      EXPECT_NE(std::find(program.records.begin(), program.records.end(), bytes),
                program.records.end())
          << "record " << i << " is not in the file";
      EXPECT_EQ(r.at("bitRate").AsInt(), 115200);
      EXPECT_EQ(r.at("stopBits").AsInt(), 1);
    }
    const json_lite::Value& phases = report.at("phases");
    for (std::size_t i = 0; i < phases.size(); ++i) {
      const json_lite::Value& p = phases.at(i);
      std::string name = p.at("phase").AsString();
      bool slow = name == "normal" || name == "identify";
      EXPECT_EQ(p.at("bitRate").AsInt(), slow ? 4800 : 115200) << name;
      EXPECT_EQ(p.at("stopBits").AsInt(), slow ? 2 : 1) << name;
    }
    return report;
  }

  TempDir dir;
  SteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  std::unique_ptr<CSerialPort> port;
  std::unique_ptr<CLoaderState> w;
  const TkProgramFile program;
  std::int64_t loadMs = 0;
  CSimProcess sim;
  bool started = false;
};

#define START_OR_FAIL(run) ASSERT_TRUE((run).started) << (run).sim.Error()

std::string Outcomes(const json_lite::Value& report) {
  std::string all;
  for (std::size_t i = 0; i < report.at("outcomes").size(); ++i)
    all += (i > 0 ? "," : "") + report.at("outcomes").at(i).AsString();
  return all;
}

struct HappyCase {
  const char* name;
  std::int16_t language;
  char form;
  bool keepUserData;
  bool dxf;  // the receiver tells "DXF" before "PXF"
  bool throttled;
};

class TkLoadE2e : public testing::TestWithParam<HappyCase> {};

TEST_P(TkLoadE2e, LoadsEveryRecordOnceAtTheAgreedRate) {
  const HappyCase& c = GetParam();
  ScopedLanguage language(c.language);
  std::vector<std::string> args;
  if (c.dxf) args.push_back("--dxf");
  if (c.throttled) args.push_back("--throttle");
  TkSimRun run(args, MakeTkProgram(c.form, 60, 100));
  START_OR_FAIL(run);
  run.w->keepUserData = c.keepUserData;
  json_lite::Value report = run.Load();

  ASSERT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(run.ui.messages[0].textNumber, kMsgLoadingOk + c.language);
  EXPECT_EQ(run.ui.messages[0].style, kStyleInformation);
  EXPECT_EQ(report.at("records").size(), run.program.records.size());
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(60));
  EXPECT_EQ(Outcomes(report), "POK");
  EXPECT_EQ(report.at("preparation").at("rateChar").AsString(), "5");
  EXPECT_EQ(report.at("preparation").at("userDataChar").AsString(), c.keepUserData ? "0" : "1");
  const auto& texts = run.ui.progressTexts;
  EXPECT_EQ(std::count(texts.begin(), texts.end(), LoadMessageText(kMsgErasingSoftware)),
            (c.keepUserData ? 1 : 0) + (c.dxf ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Loads, TkLoadE2e,
    testing::Values(HappyCase{"FrenchFormAErase", kFrenchOffset, 'A', false, false, false},
                    HappyCase{"EnglishFormBKeepDxfThrottled", kEnglishOffset, 'B', true, true,
                              true},
                    HappyCase{"FrenchFormBEraseDxf", kFrenchOffset, 'B', false, true, false},
                    HappyCase{"EnglishFormAKeep", kEnglishOffset, 'A', true, false, false}),
    [](const testing::TestParamInfo<HappyCase>& param) { return param.param.name; });

TEST(TkLoadE2eResends, MWordsForeignRepliesAndRefusalsAreResentUpToTenTimes) {
  // Record 1: "M01" twice, then "P02"; record 3: "ECC" ten times, the most a record may take.
  TkSimRun run(
      {"--fault", "m-word=2", "--fault", "wrong-record=1", "--fault", "refuse-record=3:10"},
      MakeTkProgram('A', 6, 20));
  START_OR_FAIL(run);
  json_lite::Value report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(report.at("recordsResent").AsInt(), 13);
  EXPECT_EQ(report.at("records").size(), run.program.records.size() + 13);
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(6));
  EXPECT_EQ(Outcomes(report), "POK");
}

TEST(TkLoadE2eResends, ARecordUnansweredElevenTimesFailsTheLoad) {
  TkSimRun run({"--fault", "silent=record"}, MakeTkProgram('A', 3, 20));
  START_OR_FAIL(run);
  json_lite::Value report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  const json_lite::Value& records = report.at("records");
  ASSERT_EQ(records.size(), 11u);
  for (std::size_t i = 0; i < records.size(); ++i)
    EXPECT_EQ(SimBytes(records.at(i).at("hex")), run.program.records[0]);
  // Eleven windows of 1500 ms with 200 ms pauses between them.
  EXPECT_GE(run.loadMs, 11 * 1500 + 10 * 200);
  EXPECT_LT(run.loadMs, 11 * 1500 + 10 * 200 + 5000);
}

TEST(TkLoadE2eCancel, NoGoesOnYesStops) {
  TkSimRun run({}, MakeTkProgram('A', 40, 60));
  START_OR_FAIL(run);
  int pressed = 0;
  run.ui.cancelWhen = [&] {
    int position = run.ui.positions.empty() ? 0 : run.ui.positions.back();
    if ((pressed == 0 && position >= 20) || (pressed == 1 && position >= 60)) {
      ++pressed;
      return true;
    }
    return false;
  };
  run.ui.answers = {kResultNo, kResultYes};
  json_lite::Value report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(),
            (std::vector<int>{kMsgConfirmAbort, kMsgConfirmAbort, kMsgUserCancel}));
  // Stopped past the first question and before the end, every record whole, no end record.
  const long long accepted = report.at("recordsAccepted").AsInt();
  EXPECT_GT(accepted, 40 * 20 / 100);
  EXPECT_LT(accepted, 40);
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(static_cast<std::size_t>(accepted)));
  EXPECT_EQ(Outcomes(report), "abandoned");
  EXPECT_TRUE(report.at("endRecord").IsNull());
}

TEST(TkLoadE2eVanish, AReceiverThatDisappearsEndsTheLoadWithAFailure) {
  TkSimRun run({"--fault", "vanish=5"}, MakeTkProgram('A', 20, 30));
  START_OR_FAIL(run);
  json_lite::Value report = run.Load();
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  EXPECT_EQ(report.at("outcomes").at(0).AsString(), "vanished");
  EXPECT_EQ(SimBytes(report.at("program")), run.program.Data(5));
  EXPECT_LT(run.loadMs, 30000);
}

}  // namespace
