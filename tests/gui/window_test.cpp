// The windows' real widgets, offscreen, boxes answered through the UserInteraction seam; and
// one full load per family from the start button against the simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>

#include "app/catalogue_folder.h"
#include "app/main_window_logic.h"
#include "app/qt/language_dlg.h"
#include "app/qt/stop_signals.h"
#include "loader/load_context.h"
#include "serial/serial_port.h"
#include "tests/gui/scripted_qt_ui.h"
#include "tests/support/sim_process.h"

namespace {

// "VR540" (first family, label in 1252), "TK20B" (second), "Odd" (tag "tk"), "Blank" (tag
// "VR "), "Ghost" (no language file); each file opens with its version (0x8A, length, text).
void WriteSampleCatalogue(const TempDir& folder) {
  folder.Write("chgt.cfg",
               "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nWRG:BAD CHECKSUM\r\n"
               "LFR:fra;Version fran\xE7"
               "aise\r\nLGB:gb;English version\r\n"
               "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:ERR\r\n"
               "LFR:fra;Version française\r\nLGB:fra;French version\r\n"
               "REC:Odd\r\nNAM:ODD\r\nE/S:tk\r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
               "REC:Blank\r\nNAM:BLANK\r\nE/S:VR \r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
               "REC:Ghost\r\nNAM:GHOST\r\nE/S:VR\r\nLFR:fra;Version\r\n");
  for (const std::string version : {"VR540 FR 2.40 2001", "TK20B 1.00", "ODD", "BLANK"})
    folder.Write(version.substr(0, version.find(' ')) + ".fra",
                 "\x8A" + std::string(1, static_cast<char>(version.size())) + version + "  \x8C" +
                     std::string(7, '\0'));
}

class MainWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WriteSampleCatalogue(catalogue);
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
};

// The window shows the state its operations keep (tests/app/main_window_logic_test.cpp);
// here, what only the widgets do: the language window, the lists as text, keys, double
// clicks on the surface, the placement and the folder window.
TEST_F(MainWindow, FirstStartAsksTheLanguageThenListsTheTypesAsText) {
  // Language buttons clicked ('e' English, 'f' French), then Escape or OK.
  for (const auto& [clicks, escape, language] : {std::tuple{"e", true, Language::kEnglish},
                                                 {"", false, Language::kFrench},
                                                 {"ef", false, Language::kFrench}}) {
    int shown = 0;
    Open([&] {
      CLanguageDlg window;
      window.show();
      ++shown;
      for (const char* c = clicks; *c != 0; ++c)
        QTest::mouseClick(*c == 'e' ? window.EnglishButton() : window.FrenchButton(),
                          Qt::LeftButton);
      escape ? QTest::keyClick(&window, Qt::Key_Escape)
             : QTest::mouseClick(window.OkButton(), Qt::LeftButton);
      return window.Chosen();
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(w.language, language);
    EXPECT_EQ(Find<QGroupBox>("receiverTypeGroup")->title(),
              language == Language::kFrench ? "Type de récepteur" : "Receiver type");
  }
  // Standard mode: "Ghost" has no language file; the ç of VR540's label is byte 0xE7.
  ExpectExpertControls(false);
  EXPECT_EQ(Items("receiverTypes"), (QStringList{"VR540", "TK20B", "Odd", "Blank"}));
  EXPECT_EQ(Items("languageVersions"), QStringList{"Version française"});
  Find<QComboBox>("receiverTypes")->setCurrentIndex(1);
  EXPECT_TRUE(Find<QLabel>("versionLabel")->text().startsWith("Version : TK20B 1.00"));
}

TEST_F(MainWindow, EnterStartsOnlyFromTheButtonAndSurfaceDoubleClicksSwitchTheMode) {
  settings.SetInt("UIMODE", "TYPE_UI", 1);  // expert mode offers the home folder, no file
  Open();
  Find("startButton")->setFocus();  // Enter presses the focused button
  QTest::keyClick(Find("startButton"), Qt::Key_Return);
  Find("receiverTypes")->setFocus();
  QTest::keyClick(Find("receiverTypes"), Qt::Key_Return);  // neither starts nor ends
  EXPECT_EQ(ui.Numbers(), std::vector<int>{kMsgSelectFileFirst});
  EXPECT_TRUE(dlg->isVisible());
  for (int i = 0; i < 30; ++i)  // double clicks on a control do not count
    QTest::mouseDClick(Find("port1"), Qt::LeftButton);
  Find<QComboBox>("receiverTypes")->setCurrentIndex(1);  // TK20B
  DoubleClick(20);
  ExpectExpertControls(true);
  DoubleClick(1);
  ExpectExpertControls(false);
  EXPECT_EQ(Items("receiverTypes").size(), 4);
  EXPECT_EQ(Find<QComboBox>("receiverTypes")->currentText(), "TK20B");
  DoubleClick(21);
  ExpectExpertControls(true);
  EXPECT_EQ(Find<QComboBox>("receiverTypes")->currentText(), "TK20B");
  EXPECT_EQ(Find<QLabel>("filePath")->text(), QString::fromStdString(catalogue.File("TK20B.fra")));
}

TEST_F(MainWindow, CloseCommandSavesSettingsAndPlacementAndEscapeSavesNothing) {
  // The window has one size, its controls' or a larger one stored with its placement.
  const QRect normal(40, 50, 900, 330);
  settings.SetText("Settings", "WindowPos", "0,1,-1,-1,-1,-1,40,50,940,380");
  Open();
  EXPECT_EQ(dlg->minimumSize(), normal.size());
  EXPECT_EQ(dlg->maximumSize(), normal.size());
  QTest::mouseClick(Find("port2"), Qt::LeftButton);
  dlg->setWindowState(Qt::WindowMaximized);
  EXPECT_TRUE(dlg->close());
  const std::string saved = config.Read("kznload.INI");
  for (const std::string line : {"WindowPos=2,3,", ",40,50,940,380\n", "PORT=2\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
  CLoaderState again(ui, clock, settings, link);
  Open(NoLanguageClicked, &again);
  EXPECT_TRUE(dlg->isMaximized());
  EXPECT_EQ(dlg->normalGeometry(), normal);
  EXPECT_TRUE(Find<QRadioButton>("port2")->isChecked());
  QTest::keyClick(dlg.get(), Qt::Key_Escape);
  EXPECT_FALSE(dlg->isVisible());
  dlg.reset();
  // Only the port swap of the initialisation reached the store.
  config.Write("expected.INI", saved);
  CSettingsStore(config.File("expected.INI")).SetInt("COMMUNICATION", "PORT", 1);
  EXPECT_EQ(config.Read("kznload.INI"), config.Read("expected.INI"));
}

// After message 110 the folder window offers another catalogue folder; the box names the
// file and the system's reason, and only message 110 does.
TEST_F(MainWindow, AStartWithoutACatalogueOffersTheFolderWindow) {
  TempDir empty;
  const QString workingBefore = QDir::currentPath();
  dlg = std::make_unique<CLoaderDlg>(w, ui, NoLanguageClicked);
  ui.owner = dlg.get();
  dlg->SetCatalogueFolderChooser([&] { return std::optional<std::string>(catalogue.Path()); });
  EXPECT_TRUE(dlg->Initialise(empty.Path()));
  EXPECT_EQ(ui.Numbers(), std::vector<int>{TextNumber(kMsgCatalogueOpenError, w.language)});
  EXPECT_EQ(Items("receiverTypes"), (QStringList{"VR540", "TK20B", "Odd", "Blank"}));
  EXPECT_EQ(QDir::currentPath().toStdString(), catalogue.Path());  // the working folder
  const MessageBoxRequest folderBox{
      kMsgCatalogueOpenError, Language::kEnglish, "Error", "", kStyleStop, ui.messages[0].detail};
  EXPECT_EQ(ui.PrepareMessageBox(folderBox)->informativeText().toStdString(),
            empty.File("chgt.cfg") + ": " + std::strerror(ENOENT));
  EXPECT_TRUE(
      ui.PrepareMessageBox({kMsgLoadingOk, Language::kEnglish, "OK", "", kStyleInformation, {}})
          ->informativeText()
          .isEmpty());
  QDir::setCurrent(workingBefore);
  dlg.reset();
}

TEST_F(MainWindow, APortThatCannotBeOpenedIsShownWithItsDeviceAndReason) {
  const std::string missing = config.File("ttyUSB-gone");
  CSerialPort port(ui, [&missing](int) { return missing; });
  CLoaderState state(ui, clock, settings, port);
  // French: VR540, whose sequence has no box of its own for it. English: the sample
  // catalogue lists TK20B first, which says "port not ready" after the port's box.
  for (const auto& [offset, text, boxes] :
       {std::tuple{kFrenchOffset,
                   "Le port COM1 (" + missing +
                       ") n'a pas pu \xC3\xAAtre ouvert : No such file or directory.",
                   1u},
        {kEnglishOffset, "COM1 (" + missing + ") could not be opened: No such file or directory.",
         2u}}) {
    ui.messages.clear();
    settings.SetInt("LANGUAGE", "TYPE_LANG", offset / kEnglishOffset);
    Open(NoLanguageClicked, &state);
    Find<QComboBox>("receiverTypes")->setCurrentIndex(0);
    QTest::mouseClick(Find("startButton"), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), boxes);
    // The initialisation swaps the remembered port 1 and 2 at each start.
    std::string expected = text;
    expected.replace(expected.find("COM1"), 4, "COM" + std::to_string(state.portNumber));
    EXPECT_EQ(ui.messages[0].text, expected);
    EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
    EXPECT_TRUE(ui.messages[0].progressOpen);
  }
}

// The real window over the sample catalogue, in English, its port leading to kznsim, the
// receiver type `type` chosen.
struct SimWindow {
  SimWindow(const char* family, const char* type) {
    std::filesystem::copy(KZN_BINARY_DIR "/samples", catalogue.Path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    settings.SetInt("LANGUAGE", "TYPE_LANG", 1);
    started = sim.Start({"--family", family, "--throttle"}) && dlg.Initialise(catalogue.Path());
    ui.owner = &dlg;
    dlg.show();
    auto* types = dlg.findChild<QComboBox*>("receiverTypes");
    types->setCurrentIndex(types->findText(type));
  }

  TempDir catalogue, config;
  CSettingsStore settings{config.File("kznload.INI")};
  CSimProcess sim;
  bool started = false;
  CSteadyClock clock;
  ScriptedQtUi ui;
  CSerialPort port{ui, [this](int) { return sim.SlavePath(); }};
  CLoaderState w{ui, clock, settings, port};
  CLoaderDlg dlg{w, ui, NoLanguageClicked};
};

// SIGTERM in the middle of a TK10B upload: the load stops at its next cancel point as after
// a confirmed cancel, the port is closed, the port is marked unfinished, the window ends
// without saving anything.
TEST(GuiStop, ASignalStopsTheLoadAndEndsTheWindow) {
  EnsureApplication();
  SimWindow rig("TK", "TK10B");
  ASSERT_TRUE(rig.started) << rig.sim.Error();
  ScriptedQtUi& ui = rig.ui;
  CLoaderDlg& dlg = rig.dlg;
  CStopSignals stopSignals;
  QObject::connect(&stopSignals, &CStopSignals::stopRequested, &dlg, &CLoaderDlg::Stop);
  bool raised = false, uploadBegan = false;
  int firstRecordAt = -1;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    CProgressDlg* progress = ui.Progress();
    if (raised || progress == nullptr || progress->StatusText() != "Loading in progress....")
      return;
    // The wake-up starts the bar again from 0; each record moves it before it goes out, so
    // a bar past the first record's mark means the receiver took a record.
    const int at = progress->Position();
    if (at < 1) uploadBegan = true;
    if (!uploadBegan || at < 1) return;
    if (firstRecordAt < 0) firstRecordAt = at;
    if (at <= firstRecordAt || at < 5) return;
    raised = true;
    ::raise(SIGTERM);
  });
  watch.start(20);
  QTest::mouseClick(dlg.findChild<QPushButton*>("startButton"), Qt::LeftButton);
  watch.stop();

  EXPECT_TRUE(raised);
  EXPECT_TRUE(ui.StopRequested());
  EXPECT_TRUE(ui.messages.empty());  // the confirmation was answered without a box
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 0), -1);
  EXPECT_EQ(rig.settings.GetText("FILE_LOCATION", "DIR", "none"), "none");
  const std::optional<simreport::Json> report = rig.sim.Stop();
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->at("endRecord").is_null());
  EXPECT_GT(report->at("recordsAccepted").get<double>(), 0);
}

// The percent rule is the one base/progress gives every front end: shown, and written only
// when it changes. Every cancel gesture is one request and leaves the window open.
TEST(ProgressWindow, ShowsThePercentAndTakesCancelRequests) {
  EnsureApplication();
  QDialog owner;
  CProgressDlg progress;
  ASSERT_TRUE(progress.OpenProgress(&owner, "Zephan GPS KZN"));
  EXPECT_EQ(progress.CancelButton()->text(), "Annuler");
  EXPECT_EQ(progress.PercentText(), "0%");
  const int before = progress.PercentTextWrites();
  EXPECT_EQ(progress.SetProgressPosition(37), 0);
  EXPECT_EQ(progress.SetProgressPosition(137), 37);  // "37%" again
  EXPECT_EQ(progress.PercentText(), "37%");
  EXPECT_EQ(progress.PercentTextWrites(), before + 1);
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

// Under the bar, the time left of the step under way: none before the step's pace is known,
// and the read-out's bar under the transfer's text counts for nothing. (How the estimate
// follows a whole load, its wake-up included, is tested with the first family.)
TEST(ProgressWindow, TellsTheTimeLeftOfTheStepUnderWay) {
  EnsureApplication();
  QDialog owner;
  CProgressDlg progress(Language::kEnglish);
  std::int64_t now = 0;
  progress.SetClock([&now] { return now; });
  ASSERT_TRUE(progress.OpenProgress(&owner, "KZN GPS Receivers"));
  progress.SetProgressText("Reading receiver...");
  for (int position = 0; position <= 90; position += 10, now += 1000)
    progress.SetProgressPosition(position);
  EXPECT_EQ(progress.TimeLeftText(), "0:01 left");
  progress.SetProgressText("Loading in progress....");
  EXPECT_EQ(progress.TimeLeftText(), "");
  progress.SetProgressPosition(1);
  for (int position = 2; position <= 20; ++position) {
    now += 500;  // two percent a second: 40 s to go at 20 %
    progress.SetProgressPosition(position);
  }
  EXPECT_EQ(progress.TimeLeftText(), "0:40 left");
  now += 10000;  // a step that waits: the time left runs down while the poll pumps
  progress.PollCancel();
  EXPECT_EQ(progress.TimeLeftText(), "0:30 left");
}

class GuiLoad : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(GuiLoad, StartButtonRunsACompleteLoadWithTheMainWindowHeldDisabled) {
  EnsureApplication();
  SimWindow rig("auto", GetParam().first);
  ASSERT_TRUE(rig.started) << rig.sim.Error();
  ScriptedQtUi& ui = rig.ui;
  CLoaderDlg& dlg = rig.dlg;

  bool mainEverEnabled = false, closeRefused = false;
  QString cancelLabel;
  std::set<QString> percents;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    CProgressDlg* progress = ui.Progress();
    if (progress == nullptr || !progress->isVisible()) return;
    if (percents.empty()) closeRefused = !dlg.close();  // the close box mid-load
    cancelLabel = progress->CancelButton()->text();
    mainEverEnabled = mainEverEnabled || dlg.isEnabled();
    percents.insert(progress->PercentText());
  });
  watch.start(20);
  QTest::mouseClick(dlg.findChild<QPushButton*>("startButton"), Qt::LeftButton);
  watch.stop();

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].textNumber, kMsgLoadingOk + kEnglishOffset);
  EXPECT_TRUE(ui.messages[0].progressOpen);  // told while the progress window is open
  EXPECT_FALSE(ui.messages[0].ownerWasEnabled || mainEverEnabled);
  EXPECT_GT(percents.size(), 2u);
  EXPECT_TRUE(closeRefused);
  EXPECT_EQ(cancelLabel, "Cancel");
  EXPECT_EQ(rig.settings.GetText("FILE_LOCATION", "DIR", "none"), "none");  // nothing saved
  EXPECT_TRUE(dlg.isVisible() && dlg.isEnabled() && ui.Progress() == nullptr);
  EXPECT_TRUE(ui.serialMessages.empty());
  const std::optional<simreport::Json> report = rig.sim.Stop();
  ASSERT_TRUE(report.has_value() && report->at("outcomes").size() == 1u);
  EXPECT_EQ(report->at("outcomes").at(0).get<std::string>(), GetParam().second);  // its good end
  EXPECT_EQ(report->at("violations").size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachFamily, GuiLoad,
                         ::testing::Values(std::pair{"VR540", "5"}, std::pair{"TK20B", "POK"}),
                         [](const auto& param) { return std::string(param.param.first); });

}  // namespace
