// The message boxes and the file window.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMessageBox>

#include "app/messages.h"
#include "app/qt/file_window.h"
#include "app/qt/qt_user_interaction.h"
#include "tests/gui/gui_support.h"

namespace {

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
  EXPECT_EQ(filters.last(), "All Files (*.*)");
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
