#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "tests/support/recording_ui.h"

namespace {

TEST(Progress, PercentTextKeeps100AndWrapsOtherValues) {
  EXPECT_EQ(ProgressPercentText(0), "0%");
  EXPECT_EQ(ProgressPercentText(37), "37%");
  EXPECT_EQ(ProgressPercentText(100), "100%");
  EXPECT_EQ(ProgressPercentText(150), "50%");
  EXPECT_EQ(ProgressPercentText(200), "0%");
  EXPECT_EQ(ProgressPercentText(-5), "-5%");
  EXPECT_EQ(ProgressPercentText(5, 5, 5), "0%");
}

TEST(Progress, CaptionIsMessage104InTheRunningLanguageUnlessGiven) {
  RecordingUi ui;
  {
    CProgress progress(ui, Language::kEnglish);
    EXPECT_EQ(progress.CheckCancel(CancelRule::kAtOnce),
              CancelAnswer::kNoRequest);  // not open: nothing reaches the window
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
  EXPECT_EQ(ui.messages[1].textNumber, kMsgConfirmAbort + kEnglishOffset);
  EXPECT_EQ(ui.messages[1].style, kStyleQuestion);
}

}  // namespace
