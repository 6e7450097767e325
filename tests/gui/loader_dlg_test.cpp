// The main window driven through its real widgets on the offscreen platform.
#include "app/qt/loader_dlg.h"

#include <gtest/gtest.h>

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

  // Opens the window over `state` (the fixture's when null); `ask` plays the user in the
  // language window.
  CLoaderDlg& Open(
      std::function<void()> ask = [] {}, CLoaderState* state = nullptr) {
    dlg.reset();
    dlg = std::make_unique<CLoaderDlg>(state != nullptr ? *state : w, ui, std::move(ask));
    ui.owner = dlg.get();
    dlg->Initialise(catalogue.Path());
    dlg->show();
    return *dlg;
  }
  template <class T = QWidget>
  T* Find(const char* name) {
    T* child = dlg->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QStringList Items(const char* name) {
    QStringList items;
    for (auto* list = Find<QComboBox>(name); items.size() < list->count();)
      items << list->itemText(static_cast<int>(items.size()));
    return items;
  }
  // Double clicks on a point of the window's own surface, on no control.
  void DoubleClick(int times) {
    ASSERT_EQ(dlg->childAt(3, 3), nullptr);
    for (int i = 0; i < times; ++i)
      QTest::mouseDClick(dlg.get(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  }
  void ExpectExpertControls(bool expert) {
    for (const char* name : {"fileButton", "filePath", "keepUserData"})
      EXPECT_EQ(Find(name)->isVisible(), expert) << name;
    EXPECT_EQ(Find("languageVersions")->isVisible(), !expert);
  }
  std::string CheckedPorts() {
    std::string names;
    for (const char* name : {"port1", "port2", "port3", "port4"})
      if (Find<QRadioButton>(name)->isChecked()) names += name;
    return names;
  }

  std::unique_ptr<CLoaderDlg> dlg;
};

TEST_F(MainWindow, FirstStartAsksTheLanguageAndSpeaksWhatWasClicked) {
  // Language buttons clicked ('e' English, 'f' French), then Escape or OK.
  for (const auto& [clicks, escape, offset] : {std::tuple{"e", true, kEnglishOffset},
                                               {"", false, kFrenchOffset},
                                               {"ef", false, kFrenchOffset}}) {
    LanguageOffset = kNoLanguageYet;
    int shown = 0;
    Open([&] {
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
    EXPECT_EQ(Find<QGroupBox>("receiverTypeGroup")->title(),
              fr ? "Type de récepteur" : "Receiver type");
    EXPECT_EQ(Find<QLabel>("startPrompt")->text(),
              fr ? "Appuyer ici pour démarrer le chargement  ===>"
                 : "Click here to start loading  =======>");
  }
  // Standard mode: "Ghost" has no language file; the ç of VR540's label is byte 0xE7.
  ExpectExpertControls(false);
  EXPECT_EQ(Items("receiverTypes"), (QStringList{"VR540", "TK20B", "Odd", "Blank"}));
  EXPECT_EQ(Items("languageVersions"), QStringList{"Version française"});
  EXPECT_EQ(w.FilePath(), catalogue.File("VR540.fra"));
  Find<QComboBox>("receiverTypes")->setCurrentIndex(1);
  EXPECT_EQ(w.fileName, "TK20B.fra");
  EXPECT_TRUE(Find<QLabel>("versionLabel")->text().startsWith("Version : TK20B 1.00"));
}

TEST_F(MainWindow, TwentyOneDoubleClicksOnTheSurfaceSwitchToExpertAndFortyTwoBack) {
  Open();
  const QStringList versions = Items("languageVersions");
  DoubleClick(20);
  ExpectExpertControls(false);
  DoubleClick(1);
  ExpectExpertControls(true);
  EXPECT_EQ(Items("receiverTypes").size(), 5);
  EXPECT_EQ(Find<QLabel>("filePath")->text().toStdString(), w.FilePath());
  // Double clicks on a control do not count.
  for (int i = 0; i < 30; ++i)
    QTest::mouseDClick(Find("startButton"), Qt::LeftButton);
  ExpectExpertControls(true);
  DoubleClick(21);
  ExpectExpertControls(false);
  EXPECT_EQ(Items("receiverTypes").size(), 4);
  EXPECT_EQ(Items("languageVersions"), versions);
  dlg->close();
  EXPECT_EQ(StoredInt("UIMODE", "TYPE_UI"), 0);
}

TEST_F(MainWindow, ExpertStartWithoutAFileShowsMessage107AndEnterElsewhereDoesNothing) {
  TempDir home;
  setenv("HOME", home.Path().c_str(), 1);
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  Open();
  ExpectExpertControls(true);
  EXPECT_EQ(w.FilePath(), home.Path() + "/");  // the home folder stands in for "c:\"
  // Fresh settings: port 1 is offered and port 2 stored for the next start (which, ended
  // without the close command, is then offered the other port).
  EXPECT_EQ(w.portNumber, 1);
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 2);
  QTest::mouseClick(Find("startButton"), Qt::LeftButton);
  Find("receiverTypes")->setFocus();
  QTest::keyClick(Find("receiverTypes"), Qt::Key_Return);  // neither starts nor ends
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgSelectFileFirst});
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_EQ(ui.messages[0].caption, "KZN LOAD 1.12 January 2001");
  EXPECT_TRUE(link.opens.empty());
  EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainWindow, CloseCommandSavesSettingsAndPlacementAndEscapeSavesNothing) {
  const QRect normal(40, 50, 900, 330);
  Open();
  Find<QComboBox>("receiverTypes")->setCurrentIndex(1);
  QTest::mouseClick(Find("port2"), Qt::LeftButton);
  dlg->setGeometry(normal);
  dlg->setWindowState(Qt::WindowMaximized);
  ASSERT_EQ(link.OpenPort(2, 9600, 'N', 8, 1), 1);
  const std::int64_t before = clock.NowMs();
  EXPECT_TRUE(dlg->close());
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(clock.NowMs() - before, kCloseSettleMs);
  const std::string saved = config.Read("kznload.INI");
  // The port swap of the initialisation came first; then the close, key after key; the
  // placement: maximised, and the normal rectangle as left, top, right, bottom.
  std::size_t at = 0;
  for (const std::string& line : std::vector<std::string>{
           "PORT=2", "[Settings]\nWindowPos=2,3,", ",40,50,940,380\n", "[LANGUAGE]\nTYPE_LANG=0",
           "DIR=" + catalogue.Path() + "/", "FILE=TK20B.fra", "REC=1", "[UIMODE]\nTYPE_UI=0"}) {
    at = saved.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in\n" << saved;
  }
  CLoaderState again(ui, clock, settings, link);
  Open([] {}, &again);
  EXPECT_TRUE(dlg->isMaximized());
  EXPECT_EQ(dlg->normalGeometry(), normal);
  EXPECT_EQ(again.portNumber, 2);
  EXPECT_EQ(again.receiverTypes.selection, 1);
  QTest::keyClick(dlg.get(), Qt::Key_Escape);
  EXPECT_FALSE(dlg->isVisible());
  dlg.reset();
  // Only the port swap of the initialisation reached the store.
  config.Write("expected.INI", saved);
  CSettingsStore(config.File("expected.INI")).SetInt("COMMUNICATION", "PORT", 1);
  EXPECT_EQ(config.Read("kznload.INI"), config.Read("expected.INI"));
}

TEST_F(MainWindow, StoredPortAndPlacementAreHonouredOnlyWhenValid) {
  settings.SetInt("COMMUNICATION", "PORT", 3);
  settings.SetText("Settings", "WindowPos", "0,1,-1,-1,-1,-1,20,30,920,360");
  Open();
  EXPECT_FALSE(dlg->isMaximized());
  EXPECT_EQ(dlg->geometry().topLeft(), QPoint(20, 30));
  EXPECT_EQ(CheckedPorts(), "port3");
  EXPECT_FALSE(Find("port3")->isVisible());
  EXPECT_EQ(w.portNumber, 3);
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 3);  // only 1 and 2 are swapped
  ASSERT_EQ(link.OpenPort(3, 9600, 'N', 8, 2), 1);
  QTest::mouseClick(Find("port1"), Qt::LeftButton);
  EXPECT_EQ(w.portNumber, 1);
  EXPECT_EQ(CheckedPorts(), "port1");
  EXPECT_FALSE(link.IsOpen());  // a port click closes the port first
  // Out of range: no port button checked; four numbers are no placement, the window opens
  // where the platform puts it.
  settings.SetInt("COMMUNICATION", "PORT", 9);
  settings.SetText("Settings", "WindowPos", "0,1,-1,-1");
  Open();
  EXPECT_EQ(CheckedPorts(), "");
  EXPECT_NE(dlg->geometry().topLeft(), QPoint(20, 30));
}

}  // namespace
