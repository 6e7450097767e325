// The language window, the message boxes and the file window.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/messages.h"
#include "app/qt/file_window.h"
#include "app/qt/language_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "tests/gui/gui_support.h"

namespace {

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    LanguageOffset = kNoLanguageYet;
  }
};

TEST_F(Dialogs, LanguageWindowClicksSetTheLanguageAtOnceAndClosingChangesNothing) {
  {
    CLanguageDlg window;
    window.show();
    EXPECT_EQ(window.windowTitle(), "KZN LOAD");
    EXPECT_TRUE(window.FrenchButton()->isChecked());  // shown checked, chooses nothing
    EXPECT_EQ(LanguageOffset, kNoLanguageYet);
    QTest::mouseClick(window.EnglishButton(), Qt::LeftButton);
    EXPECT_EQ(LanguageOffset, kEnglishOffset);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(LanguageOffset, kEnglishOffset);
  }
  {
    CLanguageDlg window;
    window.show();
    QTest::mouseClick(window.EnglishButton(), Qt::LeftButton);
    QTest::mouseClick(window.FrenchButton(), Qt::LeftButton);
    EXPECT_EQ(LanguageOffset, kFrenchOffset);
    QTest::mouseClick(window.OkButton(), Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(LanguageOffset, kFrenchOffset);
  }
}

TEST_F(Dialogs, MessageBoxesCarryTheIconsAndButtonsOfTheirStyle) {
  struct Case {
    int style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
  };
  for (const Case& c :
       {Case{kStyleStop, QMessageBox::Critical, QMessageBox::Ok},
        Case{kStyleQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No},
        Case{kStyleExclamation, QMessageBox::Warning, QMessageBox::Ok},
        Case{kStyleInformation, QMessageBox::Information, QMessageBox::Ok}}) {
    MessageBoxRequest request{kMsgLoadingOk, "Chargement OK.", "KZN LOAD 1.12 January 2001",
                              c.style};
    auto box = CreateMessageBox(nullptr, request);
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->standardButtons(), c.buttons);
    EXPECT_EQ(box->windowTitle(), "KZN LOAD 1.12 January 2001");
    EXPECT_EQ(box->text(), "Chargement OK.");
  }
  EXPECT_EQ(MessageBoxResult(QMessageBox::Yes), kResultYes);
  EXPECT_NE(MessageBoxResult(QMessageBox::No), kResultYes);
  EXPECT_NE(MessageBoxResult(QMessageBox::Ok), kResultYes);
}

TEST_F(Dialogs, FileWindowOffersTheLanguageFiltersWithTheFirstPreselected) {
  LanguageOffset = kEnglishOffset;
  const QStringList filters = FileWindowFilters();
  ASSERT_EQ(filters.size(), 13);
  EXPECT_EQ(filters.first(), "Version Française (*.fra)");
  EXPECT_EQ(filters.last(), "All Files (*.*)");
  const QStringList extensions = {"fra", "gb",  "nl",  "esp", "ita", "por",
                                  "fin", "all", "dan", "sue", "ind", "nor"};
  for (int i = 0; i < extensions.size(); ++i)
    EXPECT_TRUE(filters[i].endsWith("(*." + extensions[i] + ")")) << filters[i].toStdString();

  auto window = CreateFileWindow(nullptr, "/tmp/");
  EXPECT_EQ(window->windowTitle(), "File to be sent to the receiver ?");
  // The window tidies the blanks of the labels; the patterns and their order stay.
  ASSERT_EQ(window->nameFilters().size(), filters.size());
  for (int i = 0; i < filters.size(); ++i)
    EXPECT_EQ(window->nameFilters()[i].toStdString(), filters[i].simplified().toStdString());
  EXPECT_EQ(window->selectedNameFilter().toStdString(), filters.first().toStdString());
  EXPECT_EQ(window->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(window->directory().absolutePath(), "/tmp");
}

}  // namespace
