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
#include <cstdlib>
#include <memory>

#include "app/main_window_logic.h"
#include "app/qt/language_dlg.h"
#include "tests/gui/gui_support.h"

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
  static QStringList Items(QWidget* dlg, const char* name) {
    QStringList items;
    for (auto* list = Find<QComboBox>(dlg, name); items.size() < list->count();)
      items << list->itemText(static_cast<int>(items.size()));
    return items;
  }
  // Double clicks on a point of the window's own surface, on no control.
  static void DoubleClick(QWidget* dlg, int times) {
    ASSERT_EQ(dlg->childAt(3, 3), nullptr);
    for (int i = 0; i < times; ++i)
      QTest::mouseDClick(dlg, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  }
  static void ExpectExpertControls(QWidget* dlg, bool expert) {
    EXPECT_EQ(Find<QPushButton>(dlg, "fileButton")->isVisible(), expert);
    EXPECT_EQ(Find<QLabel>(dlg, "filePath")->isVisible(), expert);
    EXPECT_EQ(Find<QCheckBox>(dlg, "keepUserData")->isVisible(), expert);
    EXPECT_EQ(Find<QComboBox>(dlg, "languageVersions")->isVisible(), !expert);
  }
};

TEST_F(MainWindow, FirstStartAsksTheLanguageAndSpeaksWhatWasClicked) {
  // Language buttons clicked ('e' English, 'f' French), then Escape or OK.
  for (const auto& [clicks, escape, offset] : {std::tuple{"e", true, kEnglishOffset},
                                               {"", false, kFrenchOffset},
                                               {"ef", false, kFrenchOffset}}) {
    LanguageOffset = kNoLanguageYet;
    int shown = 0;
    auto dlg = Open([&] {
      CLanguageDlg language;
      language.show();
      ++shown;
      for (const char* c = clicks; *c != 0; ++c)
        QTest::mouseClick(*c == 'e' ? language.EnglishButton() : language.FrenchButton(),
                          Qt::LeftButton);
      if (escape) QTest::keyClick(&language, Qt::Key_Escape);
      if (!escape) QTest::mouseClick(language.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(LanguageOffset, offset);
    const bool fr = offset == kFrenchOffset;
    EXPECT_EQ(dlg->windowTitle(), "KZN LOAD 1.12 January 2001");
    EXPECT_EQ(Find<QGroupBox>(dlg.get(), "receiverTypeGroup")->title(),
              fr ? "Type de récepteur" : "Receiver type");
    EXPECT_EQ(Find<QLabel>(dlg.get(), "startPrompt")->text(),
              fr ? "Appuyer ici pour démarrer le chargement  ===>"
                 : "Click here to start loading  =======>");
    if (!fr) continue;
    // Standard mode: "Ghost" has no language file; the ç of VR540's label is byte 0xE7.
    ExpectExpertControls(dlg.get(), false);
    EXPECT_EQ(Items(dlg.get(), "receiverTypes"), (QStringList{"VR540", "TK20B", "Odd", "Blank"}));
    EXPECT_EQ(Items(dlg.get(), "languageVersions"), QStringList{"Version française"});
    EXPECT_EQ(w.FilePath(), catalogue.File("VR540.fra"));
    Find<QComboBox>(dlg.get(), "receiverTypes")->setCurrentIndex(1);
    EXPECT_EQ(w.fileName, "TK20B.fra");
    EXPECT_TRUE(Find<QLabel>(dlg.get(), "versionLabel")->text().startsWith("Version : TK20B 1.00"));
  }
}

TEST_F(MainWindow, TwentyOneDoubleClicksOnTheSurfaceSwitchToExpertAndFortyTwoBack) {
  auto dlg = Open();
  const QStringList versions = Items(dlg.get(), "languageVersions");
  DoubleClick(dlg.get(), 20);
  ExpectExpertControls(dlg.get(), false);
  DoubleClick(dlg.get(), 1);
  ExpectExpertControls(dlg.get(), true);
  EXPECT_EQ(Items(dlg.get(), "receiverTypes").size(), 5);
  EXPECT_EQ(Find<QLabel>(dlg.get(), "filePath")->text().toStdString(), w.FilePath());
  // Double clicks on a control do not count.
  for (int i = 0; i < 30; ++i)
    QTest::mouseDClick(Find<QPushButton>(dlg.get(), "startButton"), Qt::LeftButton);
  ExpectExpertControls(dlg.get(), true);
  DoubleClick(dlg.get(), 21);
  ExpectExpertControls(dlg.get(), false);
  EXPECT_EQ(Items(dlg.get(), "receiverTypes").size(), 4);
  EXPECT_EQ(Items(dlg.get(), "languageVersions"), versions);
  dlg->close();
  EXPECT_EQ(StoredInt("UIMODE", "TYPE_UI"), 0);
}

TEST_F(MainWindow, ExpertStartWithoutAFileShowsMessage107AndEnterElsewhereDoesNothing) {
  TempDir home;
  setenv("HOME", home.Path().c_str(), 1);
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  auto dlg = Open();
  ExpectExpertControls(dlg.get(), true);
  EXPECT_EQ(w.FilePath(), home.Path() + "/");  // the home folder stands in for "c:\"
  QPushButton* start = Find<QPushButton>(dlg.get(), "startButton");
  QTest::mouseClick(start, Qt::LeftButton);
  start->setFocus();
  QTest::keyClick(start, Qt::Key_Return);  // a focused button takes Enter
  QComboBox* types = Find<QComboBox>(dlg.get(), "receiverTypes");
  types->setFocus();
  QTest::keyClick(types, Qt::Key_Return);  // neither starts nor ends the window
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgSelectFileFirst, kMsgSelectFileFirst}));
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_EQ(ui.messages[0].caption, "KZN LOAD 1.12 January 2001");
  EXPECT_TRUE(link.opens.empty());
  EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainWindow, CloseCommandSavesTheSettingsInOrderAndEscapeSavesNothing) {
  {
    auto dlg = Open();
    Find<QComboBox>(dlg.get(), "receiverTypes")->setCurrentIndex(1);
    QTest::mouseClick(Find<QRadioButton>(dlg.get(), "port2"), Qt::LeftButton);
    ASSERT_EQ(link.OpenPort(2, 9600, 'N', 8, 1), 1);
    const std::int64_t before = clock.NowMs();
    EXPECT_TRUE(dlg->close());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(clock.NowMs() - before, kCloseSettleMs);
  }
  const std::string saved = config.Read("kznload.INI");
  // The port swap of the initialisation came first; then the close, key after key.
  std::size_t at = 0;
  for (const std::string& line :
       {std::string("PORT=2"), std::string("[Settings]\nWindowPos="),
        std::string("[LANGUAGE]\nTYPE_LANG=0"), "DIR=" + catalogue.Path() + "/",
        std::string("FILE=TK20B.fra"), std::string("REC=1"), std::string("[UIMODE]\nTYPE_UI=0")}) {
    at = saved.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in\n" << saved;
  }
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
  config.Write("expected.INI", saved);
  CSettingsStore(config.File("expected.INI")).SetInt("COMMUNICATION", "PORT", 1);
  EXPECT_EQ(config.Read("kznload.INI"), config.Read("expected.INI"));
}

TEST_F(MainWindow, RememberedHiddenPortIsHonouredUntilAVisibleOneIsClicked) {
  auto checked = [](QWidget* dlg) {
    std::string names;
    for (const char* name : {"port1", "port2", "port3", "port4"})
      if (Find<QRadioButton>(dlg, name)->isChecked()) names += name;
    return names;
  };
  settings.SetInt("COMMUNICATION", "PORT", 3);
  auto dlg = Open();
  EXPECT_EQ(checked(dlg.get()), "port3");
  EXPECT_FALSE(Find<QRadioButton>(dlg.get(), "port3")->isVisible());
  EXPECT_EQ(w.portNumber, 3);
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 3);  // only 1 and 2 are swapped
  ASSERT_EQ(link.OpenPort(3, 9600, 'N', 8, 2), 1);
  QTest::mouseClick(Find<QRadioButton>(dlg.get(), "port1"), Qt::LeftButton);
  EXPECT_EQ(w.portNumber, 1);
  EXPECT_EQ(checked(dlg.get()), "port1");
  EXPECT_FALSE(link.IsOpen());                  // a port click closes the port first
  settings.SetInt("COMMUNICATION", "PORT", 9);  // out of range: no button checked
  EXPECT_EQ(checked(Open().get()), "");
}

TEST_F(MainWindow, PlacementRoundTripKeepsTheNormalRectangleAndTheMaximisedState) {
  const QRect normal(40, 50, 900, 330);
  auto dlg = Open();
  dlg->setGeometry(normal);
  dlg->setWindowState(Qt::WindowMaximized);
  dlg->close();
  const std::string stored = settings.GetText("Settings", "WindowPos", "");
  EXPECT_EQ(stored.substr(0, 4), "2,3,");
  EXPECT_NE(stored.find(",40,50,940,380"), std::string::npos) << stored;
  dlg = Open();
  EXPECT_TRUE(dlg->isMaximized());
  EXPECT_EQ(dlg->normalGeometry(), normal);
  // Four numbers are no placement: the window opens where the platform puts it.
  for (const std::string text : {"0,1,-1,-1,-1,-1,20,30,920,360", "0,1,-1,-1"}) {
    settings.SetText("Settings", "WindowPos", text);
    dlg = Open();
    EXPECT_FALSE(dlg->isMaximized());
    EXPECT_EQ(dlg->geometry().topLeft() == QPoint(20, 30), text.size() > 10) << text;
  }
}

}  // namespace
