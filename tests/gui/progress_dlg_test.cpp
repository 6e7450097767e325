// The progress window: percent rule, cancel requests, and the main window held disabled.
#include "app/qt/progress_dlg.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/messages.h"
#include "tests/gui/gui_support.h"

namespace {

class ProgressWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    LanguageOffset = kFrenchOffset;
    ownerWindow = std::make_unique<QDialog>();
    ownerWindow->show();
  }
  std::unique_ptr<QDialog> ownerWindow;  // made once the application exists
  QDialog& owner() { return *ownerWindow; }
};

TEST_F(ProgressWindow, PercentTextFollowsItsRuleAndIsRewrittenOnlyWhenItChanges) {
  CProgressDlg progress;
  ASSERT_TRUE(progress.OpenProgress(&owner(), "Zephan GPS KZN"));
  EXPECT_EQ(progress.windowTitle(), "Zephan GPS KZN");
  EXPECT_EQ(progress.CancelButton()->text(), "Annuler");
  EXPECT_EQ(progress.PercentText(), "0%");
  const int before = progress.PercentTextWrites();
  EXPECT_EQ(progress.SetProgressPosition(0), 0);
  EXPECT_EQ(progress.PercentTextWrites(), before);  // "0%" again: left alone
  EXPECT_EQ(progress.SetProgressPosition(37), 0);
  EXPECT_EQ(progress.PercentText(), "37%");
  EXPECT_EQ(progress.SetProgressPosition(37), 37);
  EXPECT_EQ(progress.PercentTextWrites(), before + 1);
  progress.SetProgressPosition(100);
  EXPECT_EQ(progress.PercentText(), "100%");
  progress.SetProgressPosition(150);
  EXPECT_EQ(progress.PercentText(), "50%");
  progress.SetProgressPosition(200);
  EXPECT_EQ(progress.PercentText(), "0%");
  progress.SetProgressText("Chargement du programme en cours...");
  EXPECT_EQ(progress.StatusText(), "Chargement du programme en cours...");
}

TEST_F(ProgressWindow, EveryCancelGestureIsOneRequestAndLeavesTheWindowOpen) {
  LanguageOffset = kEnglishOffset;
  CProgressDlg progress;
  progress.OpenProgress(&owner(), "KZN GPS Receivers");
  EXPECT_EQ(progress.CancelButton()->text(), "Cancel");
  EXPECT_EQ(progress.PollCancel(), 0);

  QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
  QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(progress.PollCancel(), 1);  // two clicks before a poll are one request
  EXPECT_EQ(progress.PollCancel(), 0);

  QTest::keyClick(&progress, Qt::Key_Escape);
  EXPECT_TRUE(progress.isVisible());
  EXPECT_EQ(progress.PollCancel(), 1);

  EXPECT_FALSE(progress.close());  // the close box
  EXPECT_TRUE(progress.isVisible());
  EXPECT_EQ(progress.PollCancel(), 1);

  QTest::keyClick(&progress, Qt::Key_Return);  // the default button is cancel
  EXPECT_EQ(progress.PollCancel(), 1);
}

TEST_F(ProgressWindow, OwnerIsDisabledWhileOpenAndGivenBackAtClose) {
  QPushButton* ownerButton = new QPushButton("start", &owner());
  ownerButton->show();
  int ownerClicks = 0;
  QObject::connect(ownerButton, &QPushButton::clicked, [&] { ++ownerClicks; });
  {
    CProgressDlg progress;
    progress.OpenProgress(ownerButton, "t");
    EXPECT_FALSE(owner().isEnabled());
    EXPECT_TRUE(progress.isEnabled());
    QTest::mouseClick(ownerButton, Qt::LeftButton);
    progress.PumpPendingMessages();
    EXPECT_EQ(ownerClicks, 0);
    progress.CloseProgress();
    EXPECT_TRUE(owner().isEnabled());
  }
  // An owner that was already disabled stays so: the window gives back what it took.
  owner().setEnabled(false);
  {
    CProgressDlg progress;
    progress.OpenProgress(&owner(), "t");
  }
  EXPECT_FALSE(owner().isEnabled());
  owner().setEnabled(true);
  // Destroyed without CloseProgress: the owner comes back all the same.
  {
    CProgressDlg progress;
    progress.OpenProgress(&owner(), "t");
  }
  EXPECT_TRUE(owner().isEnabled());
}

TEST_F(ProgressWindow, PumpDeliversEventsWithoutWaiting) {
  CProgressDlg progress;
  progress.OpenProgress(&owner(), "t");
  bool delivered = false;
  QMetaObject::invokeMethod(
      &owner(), [&] { delivered = true; }, Qt::QueuedConnection);
  QElapsedTimer timer;
  timer.start();
  progress.PumpPendingMessages();
  EXPECT_TRUE(delivered);
  progress.PumpPendingMessages();  // nothing waiting: returns at once
  EXPECT_LT(timer.elapsed(), 1000);
}

}  // namespace
