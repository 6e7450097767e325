// The finer points of the windows, offscreen: labels that show text as it is, the file
// window's filters, Enter on a focused button, the port buttons' tooltips, windows as wide as
// their title, and Qt's own texts in French.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/qt/about_dlg.h"
#include "app/qt/file_window.h"
#include "app/qt/language_dlg.h"
#include "app/qt/progress_dlg.h"
#include "app/qt/qt_translations.h"
#include "app/qt/window_fit.h"
#include "catalogue/catalogue.h"
#include "tests/gui/scripted_qt_ui.h"
#include "tests/support/recording_ui.h"

namespace {

class WindowPoints : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // A header text with markup in it, and a file name with some too.
    catalogue.Write("chgt.cfg", "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nLFR:fra;Version\r\n");
    const std::string version = "VR540 <b>2.40</b>";
    catalogue.Write("VR540.fra", "\x8A" + std::string(1, static_cast<char>(version.size())) +
                                     version + std::string(24, ' ') + "\x8B");
  }
  void TearDown() override { InstallQtTranslations(Language::kEnglish); }
};

// Labels show text as it is; an empty version label (no catalogue) draws no frame.
TEST_F(WindowPoints, VersionAndFileLabelsShowMarkupAsTextAndAnEmptyOneNoFrame) {
  Open();  // standard mode: the version of VR540's French file
  auto* version = Find<QLabel>("versionLabel");
  EXPECT_EQ(version->textFormat(), Qt::PlainText);
  EXPECT_TRUE(version->text().contains("<b>2.40</b>")) << version->text().toStdString();
  EXPECT_EQ(version->frameShape(), QFrame::Panel);
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  settings.SetText("FILE_LOCATION", "DIR", "/tmp/<i>x</i>/");
  std::remove(catalogue.File("chgt.cfg").c_str());
  CLoaderState fresh(ui, clock, settings, link);
  Open(NoLanguageClicked, &fresh);
  auto* file = Find<QLabel>("filePath");
  EXPECT_EQ(file->textFormat(), Qt::PlainText);
  EXPECT_EQ(file->text(), "/tmp/<i>x</i>/");
  EXPECT_TRUE(Find<QLabel>("versionLabel")->text().isEmpty());
  EXPECT_EQ(Find<QLabel>("versionLabel")->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(ui.Numbers(), std::vector<int>{kMsgCatalogueOpenError});
}

// In French, with Qt's own texts in French too.
TEST_F(WindowPoints, AllFilesKeepsItsLabelAndShowsNamesWithoutADot) {
  ASSERT_TRUE(InstallQtTranslations(Language::kFrench));
  catalogue.Write("PROGRAM", "x");
  QWidget owner;
  std::unique_ptr<QFileDialog> window =
      CreateFileWindow(&owner, catalogue.Path(), Language::kFrench);
  auto* lookIn = window->findChild<QLabel*>("lookInLabel");
  ASSERT_NE(lookIn, nullptr);
  EXPECT_NE(lookIn->text(), "Look in:");
  auto* types = window->findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 13);
  EXPECT_EQ(types->itemText(0), "Version Française (*.fra)");
  EXPECT_EQ(types->itemText(12), "All Files (*.*)");
  window->selectNameFilter(window->nameFilters().last());
  window->show();
  auto* files = window->findChild<QAbstractItemView*>("listView");
  ASSERT_NE(files, nullptr);
  auto shown = [&] {
    QStringList names;
    const QModelIndex root = files->rootIndex();
    for (int row = 0; row < files->model()->rowCount(root); ++row)
      names << files->model()->index(row, 0, root).data().toString();
    return names;
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return shown().contains("PROGRAM"); }, 10000))
      << shown().join(",").toStdString();
  EXPECT_TRUE(shown().contains("VR540.fra"));
  window->selectNameFilter(window->nameFilters().first());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !shown().contains("PROGRAM"); }, 10000));
}

// On the start button: MainWindow.ExpertStartWithoutAFileShows107And21DoubleClicksSwitchTheMode.
TEST_F(WindowPoints, EnterPressesTheFocusedFileButton) {
  settings.SetInt("UIMODE", "TYPE_UI", 1);  // expert mode
  Open();
  auto* file = Find<QPushButton>("fileButton");
  file->setFocus();
  // The file window is modal: a timer notes its title and closes it.
  QString title;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&title] {
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && title.isEmpty()) {
      title = modal->windowTitle();
      modal->close();
    }
  });
  poll.start(10);
  QTest::keyClick(file, Qt::Key_Enter);  // returns once the file window has closed
  poll.stop();
  EXPECT_EQ(title.toStdString(), LoadMessageText(kMsgFileWindowTitle, Language::kFrench));
  EXPECT_TRUE(dlg->isVisible());  // Enter did not end the window
}

TEST_F(WindowPoints, PortButtonsShowTheirDeviceAsTooltip) {
  int asked = 0;
  Open();
  dlg->SetPortDescriber([&asked] {
    ++asked;
    return std::vector<std::string>{"/dev/ttyUSB0\nFTDI FT232R", "/dev/ttyS0", "", ""};
  });
  EXPECT_EQ(Find<QRadioButton>("port1")->toolTip(), "/dev/ttyUSB0\nFTDI FT232R");
  EXPECT_EQ(Find<QRadioButton>("port2")->toolTip(), "/dev/ttyS0");
  const int before = asked;
  QTest::mouseClick(Find<QRadioButton>("port2"), Qt::LeftButton);
  EXPECT_GT(asked, before);  // an adapter plugged in meanwhile shows up
}

// A window manager cuts a title that does not fit ("KZN LOA… ry 2001", "KZ…AD") and gives a
// resizable window a resize handle along its bottom edge and a maximise button: every window
// is as wide as its title bar needs, and all but the boxes have one size.
TEST_F(WindowPoints, EveryWindowIsAsWideAsItsTitleAndTheDialogsHaveOneSize) {
  Open();
  const std::string caption = LoadMessageText(kMsgTitle, Language::kFrench);
  std::unique_ptr<QMessageBox> box = CreateMessageBox(
      nullptr,
      {kMsgLoadingOk, Language::kFrench, "Chargement OK.", caption, kStyleInformation, {}});
  CLanguageDlg language;
  CAboutDlg about;
  CProgressDlg progress;
  ASSERT_TRUE(progress.OpenProgress(dlg.get(), "Zephan GPS KZN"));
  for (QWidget* window :
       std::initializer_list<QWidget*>{box.get(), &language, &about, &progress, dlg.get()}) {
    SCOPED_TRACE(window->objectName().toStdString() + " " + window->windowTitle().toStdString());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_GE(window->width(), TitleBarWidth(window->windowTitle()));
    if (window != box.get()) {
      EXPECT_EQ(window->minimumSize(), window->maximumSize());
    }
  }
  EXPECT_GT(TitleBarWidth(QString::fromStdString(caption)),
            QFontMetrics(QApplication::font()).horizontalAdvance(QString::fromStdString(caption)));
  progress.CloseProgress();
}

TEST_F(WindowPoints, FrenchInterfaceGetsQtsOwnTextsInFrench) {
  ASSERT_TRUE(InstallQtTranslations(Language::kFrench));
  std::unique_ptr<QMessageBox> question =
      CreateMessageBox(nullptr, {kMsgLastLoadingUnfinished,
                                 Language::kFrench,
                                 "?",
                                 LoadMessageText(kMsgTitle, Language::kFrench),
                                 kStyleQuestion,
                                 {}});
  EXPECT_EQ(question->button(QMessageBox::Yes)->text(), "&Oui");
  EXPECT_EQ(question->button(QMessageBox::No)->text(), "&Non");
  InstallQtTranslations(Language::kEnglish);
  question = CreateMessageBox(
      nullptr, {kMsgLastLoadingUnfinished, Language::kFrench, "?", "", kStyleQuestion, {}});
  EXPECT_EQ(question->button(QMessageBox::Yes)->text(), "&Yes");
}

}  // namespace
