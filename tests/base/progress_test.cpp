#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "tests/support/recording_ui.h"

namespace {

TEST(Progress, PercentTextKeeps100AndWrapsOtherValues) {
  for (auto [position, text] :
       {std::pair{0, "0%"}, {37, "37%"}, {100, "100%"}, {150, "50%"}, {200, "0%"}, {-5, "-5%"}})
    EXPECT_EQ(ProgressPercentText(position), text);
  EXPECT_EQ(ProgressPercentText(5, 5, 5), "0%");
}

TEST(Progress, CaptionIsMessage104InTheRunningLanguageUnlessGiven) {
  RecordingUi ui;
  {
    CProgress progress(ui, Language::kEnglish);
    // Not open: nothing reaches the window.
    EXPECT_EQ(progress.CheckCancel(CancelRule::kAtOnce), CancelAnswer::kNoRequest);
    EXPECT_EQ(ui.polls, 0);
    ASSERT_TRUE(progress.OpenProgress());
    EXPECT_EQ(ui.progressCaption, "KZN GPS Receivers");
    progress.SetProgressPosition(10);
  }  // destruction closes it
  EXPECT_EQ(ui.progressClosed, 1);
  CProgress french(ui, Language::kFrench);
  french.OpenProgress();
  EXPECT_EQ(ui.progressCaption, "Zephan GPS KZN");
  CProgress given(ui, Language::kFrench, kMsgTitle);
  given.OpenProgress();
  EXPECT_EQ(ui.progressCaption, "KZN LOAD 1.12 January 2001");
  french.CloseProgress();
  french.CloseProgress();
  EXPECT_EQ(ui.progressClosed, 2);
}

TEST(Progress, ACancelPressIsOnlyAQuestionInTheLoadsLanguage) {
  RecordingUi ui;
  CProgress progress(ui, Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress());
  bool pressed = false;
  ui.cancelWhen = [&pressed] { return pressed; };
  EXPECT_EQ(progress.CheckCancel(CancelRule::kAsk), CancelAnswer::kNoRequest);
  EXPECT_TRUE(ui.messages.empty());
  pressed = true;
  ui.answers = {kResultNo, kResultYes};
  EXPECT_EQ(progress.CheckCancel(CancelRule::kAsk), CancelAnswer::kDeclined);
  EXPECT_EQ(progress.CheckCancel(CancelRule::kAsk), CancelAnswer::kConfirmed);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(std::pair(ui.messages[1].textNumber, ui.messages[1].style),
            std::pair(kMsgConfirmAbort + kEnglishOffset, kStyleQuestion));
}

}  // namespace
