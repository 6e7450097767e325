// The main window driven through its real widgets on the offscreen platform.
#include "app/qt/loader_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "app/main_window_logic.h"
#include "app/qt/language_dlg.h"
#include "tests/gui/gui_support.h"
#include "tests/gui/window_fixture.h"

namespace {

class MainWindow : public ::testing::Test, public WindowFixture<ScriptedQtUi> {
 protected:
  void SetUp() override { EnsureApplication(); }

  // A window over the fixture's state; `ask` plays the user in the language window.
  std::unique_ptr<CLoaderDlg> Open(std::function<void()> ask = [] {}) {
    auto dlg = std::make_unique<CLoaderDlg>(w, ui, std::move(ask));
    ui.owner = dlg.get();
    dlg->Initialise(catalogue.Path());
    dlg->show();
    return dlg;
  }
  template <class T>
  static T* Find(QWidget* dlg, const char* name) {
    T* child = dlg->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  static QStringList Items(QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
      items << list->itemText(i);
    return items;
  }
  // A point of the window's own surface, on no control.
  static QPoint FreeSurface(QWidget* dlg) {
    const QPoint p(3, 3);
    EXPECT_EQ(dlg->childAt(p), nullptr);
    return p;
  }
  static void DoubleClick(QWidget* dlg, int times) {
    const QPoint p = FreeSurface(dlg);
    for (int i = 0; i < times; ++i)
      QTest::mouseDClick(dlg, Qt::LeftButton, Qt::NoModifier, p);
  }
  static void ExpectExpertControls(QWidget* dlg, bool expert) {
    EXPECT_EQ(Find<QPushButton>(dlg, "fileButton")->isVisible(), expert);
    EXPECT_EQ(Find<QLabel>(dlg, "filePath")->isVisible(), expert);
    EXPECT_EQ(Find<QCheckBox>(dlg, "keepUserData")->isVisible(), expert);
    EXPECT_EQ(Find<QComboBox>(dlg, "languageVersions")->isVisible(), !expert);
  }
};

TEST_F(MainWindow, FirstStartWithoutAClickSpeaksFrench) {
  auto dlg = Open([] {
    CLanguageDlg language;
    language.show();
    QTest::mouseClick(language.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(LanguageOffset, kFrenchOffset);
  EXPECT_EQ(dlg->windowTitle(), "KZN LOAD 1.12 January 2001");
  EXPECT_EQ(Find<QGroupBox>(dlg.get(), "receiverTypeGroup")->title(), "Type de récepteur");
  EXPECT_EQ(Find<QGroupBox>(dlg.get(), "fileGroup")->title(), "Version du récepteur");
  EXPECT_EQ(Find<QLabel>(dlg.get(), "startPrompt")->text(),
            "Appuyer ici pour démarrer le chargement  ===>");
}

TEST_F(MainWindow, FirstStartClickingEnglishThenEscapeSpeaksEnglish) {
  auto dlg = Open([] {
    CLanguageDlg language;
    language.show();
    QTest::mouseClick(language.EnglishButton(), Qt::LeftButton);
    QTest::keyClick(&language, Qt::Key_Escape);
  });
  EXPECT_EQ(LanguageOffset, kEnglishOffset);
  EXPECT_EQ(Find<QGroupBox>(dlg.get(), "receiverTypeGroup")->title(), "Receiver type");
  EXPECT_EQ(Find<QLabel>(dlg.get(), "startPrompt")->text(),
            "Click here to start loading  =======>");
  dlg->close();
  EXPECT_EQ(StoredInt("LANGUAGE", "TYPE_LANG"), 1);
}

TEST_F(MainWindow, StandardModeListsShowDecodedNamesAndFollowTheSelection) {
  auto dlg = Open();
  QComboBox* types = Find<QComboBox>(dlg.get(), "receiverTypes");
  QComboBox* versions = Find<QComboBox>(dlg.get(), "languageVersions");
  ExpectExpertControls(dlg.get(), false);
  EXPECT_EQ(Items(types), (QStringList{"VR540", "TK20B", "Odd", "Blank"}));
  EXPECT_EQ(types->currentIndex(), 0);
  // Written on Windows: the ç is byte 0xE7 in the catalogue.
  EXPECT_EQ(Items(versions), QStringList{"Version française"});
  EXPECT_EQ(versions->currentIndex(), 0);
  EXPECT_TRUE(Find<QPushButton>(dlg.get(), "startButton")->isEnabled());

  types->setCurrentIndex(1);
  EXPECT_EQ(w.receiverTypes.selection, 1);
  EXPECT_EQ(Items(versions), QStringList{"Version française"});
  EXPECT_EQ(w.fileName, "TK20B.fra");
  EXPECT_TRUE(Find<QLabel>(dlg.get(), "versionLabel")->text().startsWith("Version : TK20B 1.00"));
}

TEST_F(MainWindow, TwentyOneDoubleClicksOnTheSurfaceSwitchToExpertAndFortyTwoBack) {
  auto dlg = Open();
  const QStringList versions = Items(Find<QComboBox>(dlg.get(), "languageVersions"));
  DoubleClick(dlg.get(), 20);
  ExpectExpertControls(dlg.get(), false);
  DoubleClick(dlg.get(), 1);
  ExpectExpertControls(dlg.get(), true);
  EXPECT_EQ(Find<QComboBox>(dlg.get(), "receiverTypes")->count(), 5);
  EXPECT_EQ(Find<QLabel>(dlg.get(), "filePath")->text().toStdString(), w.FilePath());
  // Double clicks on a control do not count.
  for (int i = 0; i < 30; ++i)
    QTest::mouseDClick(Find<QPushButton>(dlg.get(), "startButton"), Qt::LeftButton);
  ExpectExpertControls(dlg.get(), true);
  DoubleClick(dlg.get(), 21);
  ExpectExpertControls(dlg.get(), false);
  EXPECT_EQ(Find<QComboBox>(dlg.get(), "receiverTypes")->count(), 4);
  EXPECT_EQ(Items(Find<QComboBox>(dlg.get(), "languageVersions")), versions);  // kept
  dlg->close();
  EXPECT_EQ(StoredInt("UIMODE", "TYPE_UI"), 0);
}

TEST_F(MainWindow, ExpertStartWithoutAFileShowsMessage107) {
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  auto dlg = Open();
  ExpectExpertControls(dlg.get(), true);
  QTest::mouseClick(Find<QPushButton>(dlg.get(), "startButton"), Qt::LeftButton);
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{kMsgSelectFileFirst});
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_EQ(ui.messages[0].caption, "KZN LOAD 1.12 January 2001");
  EXPECT_TRUE(link.opens.empty());
}

TEST_F(MainWindow, CloseCommandSavesTheSettingsAndEscapeSavesNothing) {
  {
    auto dlg = Open();
    Find<QComboBox>(dlg.get(), "receiverTypes")->setCurrentIndex(1);
    QTest::mouseClick(Find<QRadioButton>(dlg.get(), "port2"), Qt::LeftButton);
    EXPECT_EQ(w.portNumber, 2);
    EXPECT_TRUE(dlg->close());
    EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 2);
    EXPECT_EQ(StoredInt("FILE_LOCATION", "REC"), 1);
    EXPECT_EQ(StoredInt("LANGUAGE", "TYPE_LANG"), 0);
    EXPECT_EQ(settings.GetText("FILE_LOCATION", "FILE", "?"), "TK20B.fra");
    EXPECT_NE(settings.GetText("Settings", "WindowPos", "none"), "none");
  }
  const std::string saved = config.Read("kznload.INI");
  {
    CLoaderState again(ui, clock, settings, link);
    CLoaderDlg dlg(again, ui, [] {});
    dlg.Initialise(catalogue.Path());
    dlg.show();
    EXPECT_EQ(again.portNumber, 2);
    EXPECT_EQ(again.receiverTypes.selection, 1);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
  }
  // Only the port swap of the initialisation reached the store.
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 1);
  CSettingsStore expected(config.File("expected.INI"));
  config.Write("expected.INI", saved);
  expected.SetInt("COMMUNICATION", "PORT", 1);
  EXPECT_EQ(config.Read("kznload.INI"), config.Read("expected.INI"));
}

TEST_F(MainWindow, EnterOutsideAButtonNeitherStartsNorEndsTheWindow) {
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  auto dlg = Open();
  QPushButton* start = Find<QPushButton>(dlg.get(), "startButton");
  start->setFocus();
  QTest::keyClick(start, Qt::Key_Return);  // a focused button takes Enter: message 107
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgSelectFileFirst});
  QComboBox* types = Find<QComboBox>(dlg.get(), "receiverTypes");
  types->setFocus();
  QTest::keyClick(types, Qt::Key_Return);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainWindow, RememberedHiddenPortIsHonouredUntilAVisibleOneIsClicked) {
  settings.SetInt("COMMUNICATION", "PORT", 3);
  auto dlg = Open();
  EXPECT_TRUE(Find<QRadioButton>(dlg.get(), "port3")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>(dlg.get(), "port3")->isVisible());
  EXPECT_FALSE(Find<QRadioButton>(dlg.get(), "port1")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>(dlg.get(), "port2")->isChecked());
  EXPECT_EQ(w.portNumber, 3);
  ASSERT_EQ(link.OpenPort(3, 9600, 'N', 8, 2), 1);
  QTest::mouseClick(Find<QRadioButton>(dlg.get(), "port1"), Qt::LeftButton);
  EXPECT_EQ(w.portNumber, 1);
  EXPECT_FALSE(Find<QRadioButton>(dlg.get(), "port3")->isChecked());
  EXPECT_FALSE(link.IsOpen());  // a port click closes the port first

  settings.SetInt("COMMUNICATION", "PORT", 9);  // out of range: no button checked
  auto other = Open();
  for (const char* name : {"port1", "port2", "port3", "port4"})
    EXPECT_FALSE(Find<QRadioButton>(other.get(), name)->isChecked()) << name;
}

TEST_F(MainWindow, PlacementRoundTripKeepsTheNormalRectangleAndTheMaximisedState) {
  const QRect normal(40, 50, 900, 330);
  {
    auto dlg = Open();
    dlg->setGeometry(normal);
    dlg->setWindowState(Qt::WindowMaximized);
    dlg->close();
  }
  const std::string stored = settings.GetText("Settings", "WindowPos", "");
  EXPECT_EQ(stored.substr(0, 4), "2,3,");
  EXPECT_NE(stored.find(",40,50,940,380"), std::string::npos) << stored;
  {
    auto dlg = Open();
    EXPECT_TRUE(dlg->isMaximized());
    EXPECT_EQ(dlg->normalGeometry(), normal);
  }
  settings.SetText("Settings", "WindowPos", "0,1,-1,-1,-1,-1,20,30,920,360");
  {
    auto dlg = Open();
    EXPECT_FALSE(dlg->isMaximized());
    EXPECT_EQ(dlg->geometry().topLeft(), QPoint(20, 30));
  }
  // Four numbers are no placement: the window opens where the platform puts it.
  settings.SetText("Settings", "WindowPos", "0,1,-1,-1");
  {
    auto dlg = Open();
    EXPECT_FALSE(dlg->isMaximized());
    EXPECT_NE(dlg->geometry().topLeft(), QPoint(20, 30));
  }
}

}  // namespace
