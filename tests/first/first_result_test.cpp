#include "loader/first/first_result.h"

#include <gtest/gtest.h>

#include "tests/first/first_rig.h"
#include "tests/support/recording_ui.h"

namespace {

TEST(FirstResultTable, ReportShowsTheMappedBoxInTheGivenLanguage) {
  RecordingUi ui;
  ReportFirstResult(ui, Language::kEnglish, FirstResult::kBadChecksum);
  ReportFirstResult(ui, Language::kFrench, FirstResult::kLoaded);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].textNumber, kMsgBadChecksum + kEnglishOffset);
  EXPECT_EQ(ui.messages[0].text, "Failure while loading (Bad checksum). Retry.");
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_EQ(ui.messages[1].textNumber, kMsgLoadingOk);
  EXPECT_EQ(ui.messages[1].style, kStyleInformation);
}

// A port that opens but refuses the family's line settings is only traced by the serial
// layer; the load tells the user once, before any byte goes out or the marker changes.
class FirstPortRefusal : public ::testing::TestWithParam<Family> {};

TEST_P(FirstPortRefusal, APortThatRefusesItsSettingsIsToldOnceAndNothingIsSent) {
  FirstRig rig(GetParam());
  rig.link.refuseOpensUntold = true;
  RunFirstLoadFrom(rig.w, rig.family);
  ASSERT_EQ(rig.ui.messages.size(), 1u);
  EXPECT_EQ(rig.ui.messages[0].textNumber, TextNumber(kMsgPortNotReady, rig.w.language));
  EXPECT_EQ(rig.ui.messages[0].style, kStyleExclamation);
  EXPECT_TRUE(rig.link.writes.empty());
  EXPECT_NE(rig.settings.GetInt("LAST_LOADING", std::to_string(rig.w.portNumber), 1), -1);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, FirstPortRefusal, ::testing::Values(Family::kVr, Family::kTk),
                         [](const auto& param) {
                           return param.param == Family::kVr ? "VR" : "TK";
                         });

}  // namespace
