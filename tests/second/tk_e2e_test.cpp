// Whole second-family loads against kznsim on a pseudo-terminal, real clock, real port.
#include <gtest/gtest.h>

#include "app/messages.h"
#include "tests/second/tk_sim_run.h"

namespace {

#define START_OR_FAIL(run) ASSERT_TRUE((run).Started()) << (run).StartError()

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
