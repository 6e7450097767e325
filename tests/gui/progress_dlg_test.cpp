// The progress window: percent rule, cancel requests, and the main window held disabled.
#include "app/qt/progress_dlg.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "app/messages.h"
#include "tests/gui/gui_support.h"

namespace {

TEST(ProgressWindow, PercentTextFollowsItsRuleAndIsRewrittenOnlyWhenItChanges) {
  EnsureApplication();
  LanguageOffset = kFrenchOffset;
  QDialog owner;
  CProgressDlg progress;
  ASSERT_TRUE(progress.OpenProgress(&owner, "Zephan GPS KZN"));
  EXPECT_EQ(progress.windowTitle(), "Zephan GPS KZN");
  EXPECT_EQ(progress.CancelButton()->text(), "Annuler");
  EXPECT_EQ(progress.PercentText(), "0%");
  const int before = progress.PercentTextWrites();
  // Position given, previous position returned, percent shown afterwards.
  const int steps[][3] = {{0, 0, 0},      {37, 0, 37},    {37, 37, 37},
                          {100, 37, 100}, {150, 100, 50}, {200, 100, 0}};
  for (const auto& [position, previous, percent] : steps) {
    EXPECT_EQ(progress.SetProgressPosition(position), previous) << position;
    EXPECT_EQ(progress.PercentText(), QString::number(percent) + "%") << position;
  }
  EXPECT_EQ(progress.PercentTextWrites(), before + 4);  // "0%" and the repeated "37%" left alone
  progress.SetProgressText("Chargement du programme en cours...");
  EXPECT_EQ(progress.StatusText(), "Chargement du programme en cours...");
}

TEST(ProgressWindow, EveryCancelGestureIsOneRequestAndLeavesTheWindowOpen) {
  EnsureApplication();
  LanguageOffset = kEnglishOffset;
  QDialog owner;
  CProgressDlg progress;
  progress.OpenProgress(&owner, "KZN GPS Receivers");
  EXPECT_EQ(progress.CancelButton()->text(), "Cancel");
  EXPECT_EQ(progress.PollCancel(), 0);
  QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
  QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(progress.PollCancel(), 1);  // two clicks before a poll are one request
  EXPECT_EQ(progress.PollCancel(), 0);
  QTest::keyClick(&progress, Qt::Key_Escape);
  EXPECT_EQ(progress.PollCancel(), 1);
  EXPECT_FALSE(progress.close());  // the close box
  EXPECT_EQ(progress.PollCancel(), 1);
  QTest::keyClick(&progress, Qt::Key_Return);  // the default button is cancel
  EXPECT_EQ(progress.PollCancel(), 1);
  EXPECT_TRUE(progress.isVisible());
}

TEST(ProgressWindow, OwnerGetsBackTheEnabledStateItHadEvenWithoutCloseProgress) {
  EnsureApplication();
  QDialog owner;
  auto* start = new QPushButton("start", &owner);
  owner.show();
  for (const auto& [enabledBefore, closeProgress] :
       {std::pair{true, true}, {true, false}, {false, true}}) {
    owner.setEnabled(enabledBefore);
    {
      CProgressDlg progress;
      progress.OpenProgress(start, "t");  // the top-level window of the button is disabled
      EXPECT_FALSE(owner.isEnabled());
      EXPECT_TRUE(progress.isEnabled());
      if (closeProgress) progress.CloseProgress();
    }
    EXPECT_EQ(owner.isEnabled(), enabledBefore) << closeProgress;
  }
}

}  // namespace
