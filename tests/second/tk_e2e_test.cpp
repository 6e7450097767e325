// Whole second-family loads against kznsim on a pseudo-terminal, real clock, real port.
#include <gtest/gtest.h>

#include "tests/second/tk_harness.h"
#include "tests/second/tk_sim_run.h"

namespace {

std::string DataRecords(const TkProgramFile& program, std::size_t count) {
  std::string all;
  for (std::size_t i = 0; i < count && i < program.records.size(); ++i) {
    if (static_cast<std::uint8_t>(program.records[i][0]) == 0x8B) all += program.records[i];
  }
  return all;
}

std::vector<std::string> Strings(const json_lite::Value& list) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < list.size(); ++i)
    out.push_back(list.at(i).AsString());
  return out;
}

#define START_OR_FAIL(run) ASSERT_TRUE((run).Started()) << (run).StartError()

struct HappyCase {
  const char* name;
  std::int16_t language;
  bool formB;
  bool keepUserData;
  bool dataErasedFirst;
  bool throttled;
};

class TkLoadE2e : public testing::TestWithParam<HappyCase> {};

TEST_P(TkLoadE2e, LoadsEveryRecordOnceAtTheAgreedRate) {
  const HappyCase& c = GetParam();
  ScopedLanguage language(c.language);
  TkProgramFile program = MakeTkProgram(
      c.formB ? TkFormBHeader("TK20B V4.02") : TkFormAHeader("TK20B V4.02 FORM A"), 60, 100);
  std::vector<std::string> args;
  if (c.dataErasedFirst) args.push_back("--dxf");
  if (c.throttled) args.push_back("--throttle");
  TkSimRun run(args, program);
  START_OR_FAIL(run);
  run.w->keepUserData = c.keepUserData;
  auto report = run.Load();
  ASSERT_TRUE(report.has_value());

  ASSERT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(run.ui.messages[0].textNumber, kMsgLoadingOk + c.language);
  EXPECT_EQ(run.ui.messages[0].style, kStyleInformation);
  ExpectCleanExchange(*report, program, 115200);
  EXPECT_EQ(SimBytes(report->at("program")), DataRecords(program, program.records.size()));
  EXPECT_EQ(SimBytes(report->at("endRecord").at("hex")), program.records.back());
  EXPECT_EQ(SimRecords(*report).size(), program.records.size());
  EXPECT_EQ(Strings(report->at("outcomes")), std::vector<std::string>{"POK"});
  EXPECT_EQ(report->at("preparation").at("rateChar").AsString(), "5");
  EXPECT_EQ(report->at("preparation").at("userDataChar").AsString(), c.keepUserData ? "0" : "1");
  EXPECT_EQ(run.ui.positions.back(), 100);
  bool dataErasedShown = std::count(run.ui.progressTexts.begin(), run.ui.progressTexts.end(),
                                    LoadMessageText(kMsgErasingSoftware)) > 0;
  EXPECT_EQ(dataErasedShown, c.keepUserData || c.dataErasedFirst);
  EXPECT_FALSE(run.port->IsOpen());
  EXPECT_EQ(run.ui.progressClosed, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Loads, TkLoadE2e,
    testing::Values(HappyCase{"FrenchFormAErase", kFrenchOffset, false, false, false, false},
                    HappyCase{"EnglishFormBKeepThrottled", kEnglishOffset, true, true, true, true},
                    HappyCase{"FrenchFormBKeepDataErasedFirst", kFrenchOffset, true, true, true,
                              false}),
    [](const testing::TestParamInfo<HappyCase>& param) { return param.param.name; });

TEST(TkLoadE2eResends, RefusedOrForeignRepliesAreResentThenAccepted) {
  const struct {
    const char* fault;
    long long resent;
  } cases[] = {{"m-word=2", 2}, {"wrong-record=1", 1}, {"refuse-record=3:10", 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    TkProgramFile program = MakeTkProgram(TkFormAHeader("TK20B V4.02"), 6, 20);
    TkSimRun run({"--fault", c.fault}, program);
    START_OR_FAIL(run);
    auto report = run.Load();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    ExpectCleanExchange(*report, program, 115200);
    EXPECT_EQ(report->at("recordsResent").AsInt(), c.resent);
    EXPECT_EQ(SimBytes(report->at("program")), DataRecords(program, program.records.size()));
    EXPECT_EQ(SimRecords(*report).size(), program.records.size() + c.resent);
  }
}

TEST(TkLoadE2eResends, ARecordUnansweredElevenTimesFailsTheLoad) {
  TkProgramFile program = MakeTkProgram(TkFormAHeader("TK20B V4.02"), 3, 20);
  TkSimRun run({"--fault", "silent=record"}, program);
  START_OR_FAIL(run);
  auto report = run.Load();
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  ExpectCleanExchange(*report, program, 115200);
  std::vector<SimRecord> records = SimRecords(*report);
  ASSERT_EQ(records.size(), 11u);
  for (const SimRecord& r : records)
    EXPECT_EQ(r.bytes, program.records[0]);
  // Eleven windows of 1500 ms with 200 ms pauses between them.
  EXPECT_GE(run.LoadMs(), 11 * 1500 + 10 * 200);
  EXPECT_LT(run.LoadMs(), 11 * 1500 + 10 * 200 + 5000);
  EXPECT_FALSE(run.port->IsOpen());
}

TEST(TkLoadE2eCancel, NoGoesOnYesStops) {
  TkProgramFile program = MakeTkProgram(TkFormAHeader("TK20B V4.02"), 40, 60);
  TkSimRun run({}, program);
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
  auto report = run.Load();
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(run.ui.MessageIds(),
            (std::vector<int>{kMsgConfirmAbort, kMsgConfirmAbort, kMsgUserCancel}));
  ExpectCleanExchange(*report, program, 115200);
  // The load stopped past the first question and before the end, every record whole.
  const long long accepted = report->at("recordsAccepted").AsInt();
  EXPECT_GT(accepted, 40 * 20 / 100);
  EXPECT_LT(accepted, 40);
  EXPECT_EQ(SimBytes(report->at("program")),
            DataRecords(program, static_cast<std::size_t>(accepted)));
  // The receiver saw its loader go away in mid-load; no end record reached it.
  EXPECT_EQ(Strings(report->at("outcomes")), std::vector<std::string>{"abandoned"});
  EXPECT_TRUE(report->at("endRecord").IsNull());
  EXPECT_FALSE(run.port->IsOpen());
}

TEST(TkLoadE2eVanish, AReceiverThatDisappearsEndsTheLoadWithAFailure) {
  TkProgramFile program = MakeTkProgram(TkFormAHeader("TK20B V4.02"), 20, 30);
  TkSimRun run({"--fault", "vanish=5"}, program);
  START_OR_FAIL(run);
  auto report = run.Load();
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(run.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  ASSERT_GE(report->at("outcomes").size(), 1u);
  EXPECT_EQ(report->at("outcomes").at(0).AsString(), "vanished");
  EXPECT_EQ(SimBytes(report->at("program")), DataRecords(program, 5));
  EXPECT_LT(run.LoadMs(), 30000);
  EXPECT_FALSE(run.port->IsOpen());
  EXPECT_EQ(run.ui.progressClosed, 1);
}

}  // namespace
