// The progress window (percent rule, cancel requests, the main window held disabled), the
// message boxes and the file window.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "app/messages.h"
#include "app/qt/file_window.h"
#include "app/qt/progress_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "tests/gui/gui_support.h"

namespace {

TEST(ProgressWindow, PercentRuleAndCancelRequests) {
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
  // Every cancel gesture is one request and leaves the window open.
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

TEST(Dialogs, MessageBoxesCarryTheIconsAndButtonsOfTheirStyle) {
  EnsureApplication();
  const std::tuple<int, QMessageBox::Icon, QMessageBox::StandardButtons> cases[] = {
      {kStyleStop, QMessageBox::Critical, QMessageBox::Ok},
      {kStyleQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No},
      {kStyleExclamation, QMessageBox::Warning, QMessageBox::Ok},
      {kStyleInformation, QMessageBox::Information, QMessageBox::Ok}};
  for (const auto& [style, icon, buttons] : cases) {
    auto box = CreateMessageBox(nullptr, {kMsgLoadingOk, "Chargement OK.", "KZN LOAD", style});
    EXPECT_EQ(box->icon(), icon) << style;
    EXPECT_EQ(box->standardButtons(), buttons) << style;
    EXPECT_EQ(box->windowTitle(), "KZN LOAD");
    EXPECT_EQ(box->text(), "Chargement OK.");
  }
  EXPECT_EQ(MessageBoxResult(QMessageBox::Yes), kResultYes);
  EXPECT_NE(MessageBoxResult(QMessageBox::No), kResultYes);
}

TEST(Dialogs, FileWindowOffersTheLanguageFiltersWithTheFirstPreselected) {
  EnsureApplication();
  LanguageOffset = kEnglishOffset;
  const QStringList filters = FileWindowFilters();
  const QStringList patterns = {"fra", "gb",  "nl",  "esp", "ita", "por", "fin",
                                "all", "dan", "sue", "ind", "nor", "*"};
  ASSERT_EQ(filters.size(), patterns.size());
  EXPECT_EQ(filters.first(), "Version Française (*.fra)");
  auto window = CreateFileWindow(nullptr, "/tmp/");
  EXPECT_EQ(window->windowTitle(), "File to be sent to the receiver ?");
  // The window tidies the blanks of the labels; the patterns and their order stay.
  for (int i = 0; i < filters.size(); ++i) {
    EXPECT_TRUE(filters[i].endsWith("(*." + patterns[i] + ")")) << filters[i].toStdString();
    EXPECT_EQ(window->nameFilters().value(i), filters[i].simplified());
  }
  EXPECT_EQ(window->selectedNameFilter(), filters.first());
  EXPECT_EQ(window->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(window->directory().absolutePath(), "/tmp");
}

}  // namespace
