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
  LanguageOffset = kEnglishOffset;
  {
    CProgress progress(ui);
    EXPECT_EQ(progress.PollCancel(), 0);  // not open: nothing reaches the window
    EXPECT_EQ(ui.polls, 0);
    ASSERT_TRUE(progress.OpenProgress());
    EXPECT_EQ(ui.progressCaption, "KZN GPS Receivers");
    progress.SetProgressPosition(10);
  }  // destruction closes it
  EXPECT_EQ(ui.progressClosed, 1);
  LanguageOffset = kFrenchOffset;
  CProgress french(ui);
  french.OpenProgress();
  EXPECT_EQ(ui.progressCaption, "Zephan GPS KZN");
  CProgress given(ui, kMsgTitle);
  given.OpenProgress();
  EXPECT_EQ(ui.progressCaption, "KZN LOAD 1.12 January 2001");
  french.CloseProgress();
  french.CloseProgress();
  EXPECT_EQ(ui.progressClosed, 2);
}

}  // namespace
