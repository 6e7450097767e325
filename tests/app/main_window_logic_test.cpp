// The main window's operations on its state, without any widget: start-up, selections, the
// mode switch, the start button's dispatch and the close command.
#include "app/main_window_logic.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "app/catalogue_folder.h"
#include "app/loader_state.h"
#include "app/window_settings.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "base/system_error.h"
#include "catalogue/family.h"
#include "loader/load_context.h"
#include "tests/support/fake_link.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

#ifdef _WIN32
constexpr int kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
#else
constexpr int kFileNotFound = ENOENT;
#endif

// A language file opening with its version record (0x8A, length, text).
std::string LanguageFile(const std::string& version) {
  return "\x8A" + std::string(1, static_cast<char>(version.size())) + version + "  \x8C" +
         std::string(7, '\0');
}

class MainWindowLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    // "VR540" (first family, its label in 1252), "TK20B" (second), "Odd" (tag "tk"),
    // "Blank" (tag "VR "), "Ghost" (no language file).
    catalogue.Write("chgt.cfg",
                    "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nWRG:BAD CHECKSUM\r\n"
                    "LFR:fra;Version fran\xE7"
                    "aise\r\nLGB:gb;English version\r\n"
                    "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:ERR\r\n"
                    "LFR:fra;Version TK\r\nLGB:fra;French version\r\n"
                    "REC:Odd\r\nNAM:ODD\r\nE/S:tk\r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
                    "REC:Blank\r\nNAM:BLANK\r\nE/S:VR \r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
                    "REC:Ghost\r\nNAM:GHOST\r\nE/S:VR\r\nLFR:fra;Version\r\n");
    for (const std::string version : {"VR540 FR 2.40 2001", "TK20B 1.00", "ODD", "BLANK"})
      catalogue.Write(version.substr(0, version.find(' ')) + ".fra", LanguageFile(version));
  }

  bool Initialise(const std::string& folder, WindowInitialisation window = {}) {
    return InitialiseMainWindow(w, window, folder);
  }
  // Starts a load, the family's sequence replaced by one that notes what it was given.
  LoadEnd Start() {
    return StartLoad(
               w,
               [this](LoadContext& context, const LoadTarget& target, TableStore&) {
                 started.push_back(std::string(FamilyTag(context.family)) + " " + target.filePath);
                 return LoadedOutcome(kMsgLoadingOk, false);
               })
        .end;
  }
  // The selected type, language version, version label and file to send, in one line.
  std::string Shown() const {
    auto selected = [](const ChoiceList& list) {
      return list.HasSelection() ? list.SelectedText() : std::string("-");
    };
    return selected(w.receiverTypes) + " | " + selected(w.languageVersions) + " | " +
           w.versionLabel + " | " + w.fileName;
  }
  // A first-family label: the header text from its fourth byte, 21 positions wide.
  static std::string VrLabel(std::string text) {
    text.resize(21, ' ');
    return " " + text;
  }
  void DoubleClicks(int times) {
    for (int i = 0; i < times; ++i)
      CountDoubleClick(w);
  }

  TempDir catalogue, config;
  CSettingsStore settings{config.File("kznload.INI")};
  CVirtualClock clock;
  FakeLink link{clock};
  RecordingUi ui;
  CLoaderState w{ui, clock, settings, link};
  std::vector<std::string> started;
};

// Only the exact tags "VR" and "TK20B" start a family; "tk" and "VR " are a wrong catalogue
// (message 126) and start nothing.
TEST_F(MainWindowLogic, TheLanguageIsAskedOnceAndTheStartDispatchesOnTheExactTag) {
  int asked = 0;
  WindowInitialisation window;
  window.askLanguage = [&]() -> std::optional<Language> {
    ++asked;
    return Language::kEnglish;
  };
  catalogue.Write("VR540.gb", LanguageFile("VR540 GB 2.50 2003"));
  ASSERT_TRUE(Initialise(catalogue.Path(), window));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(w.language, Language::kEnglish);
  EXPECT_EQ(w.receiverTypes.entries, (std::vector<std::string>{"VR540", "TK20B", "Odd", "Blank"}));
  EXPECT_EQ(w.languageVersions.entries, std::vector<std::string>{"English version"});
  std::vector<LoadEnd> ends;
  for (int type : {3, 2, 0, 1}) {
    SelectReceiverType(w, type);
    ends.push_back(Start());
  }
  EXPECT_EQ(w.versionLabel.rfind("Version : TK20B 1.00", 0), 0u) << w.versionLabel;
  EXPECT_EQ(started, (std::vector<std::string>{"VR " + catalogue.File("VR540.gb"),
                                               "TK20B " + catalogue.File("TK20B.fra")}));
  EXPECT_EQ(ends, (std::vector<LoadEnd>{LoadEnd::kRefused, LoadEnd::kRefused, LoadEnd::kLoaded,
                                        LoadEnd::kLoaded}));
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgBadConfigFile, kMsgBadConfigFile}));
  EXPECT_TRUE(link.opens.empty());  // the replaced sequences open nothing
}

TEST_F(MainWindowLogic, ExpertStartWithoutAFileShows107AndTheTwentyFirstDoubleClickSwitches) {
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  settings.SetInt("LANGUAGE", "TYPE_LANG", 0);
  ASSERT_TRUE(Initialise(catalogue.Path()));
  EXPECT_EQ(w.receiverTypes.entries.size(), 5u);  // with "Ghost"
  EXPECT_EQ(Start(), LoadEnd::kRefused);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].textNumber, kMsgSelectFileFirst);
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_TRUE(started.empty() && link.opens.empty());
  ChooseFile(w, catalogue.File("TK20B.fra"));
  EXPECT_EQ(w.folder, catalogue.Path() + kPathSeparator);
  EXPECT_EQ(Start(), LoadEnd::kLoaded);
  for (int i = 0; i < kDoubleClicksBeforeSwitch; ++i)
    EXPECT_FALSE(CountDoubleClick(w));
  EXPECT_TRUE(CountDoubleClick(w));
  EXPECT_FALSE(w.IsExpertMode());
  EXPECT_EQ(w.receiverTypes.entries.size(), 4u);
  DoubleClicks(20);
  EXPECT_TRUE(CountDoubleClick(w));
  EXPECT_TRUE(w.IsExpertMode());
}

// A type without language files ("Ghost") listed first: in expert mode every index is one
// higher than in standard mode, so a refill by index would show another type.
TEST_F(MainWindowLogic, AModeSwitchKeepsTheTypeItsVersionLabelAndFileTogether) {
  catalogue.Write("chgt.cfg",
                  "REC:Ghost\r\nNAM:GHOST\r\nE/S:VR\r\nLFR:fra;Version\r\n"
                  "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nLFR:fra;Fran\xC3\xA7"
                  "ais\r\nLFR:gb;Anglais\r\n"
                  "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nLFR:fra;Fran\xC3\xA7"
                  "ais TK\r\n");
  catalogue.Write("VR540.gb", "\x8A\x12VR540 GB 2.50 2003" + std::string(24, ' ') + "\x8B");
  settings.SetInt("LANGUAGE", "TYPE_LANG", 0);
  ASSERT_TRUE(Initialise(catalogue.Path()));
  SelectReceiverType(w, 1);
  const std::string tk =
      "TK20B | Fran\xC3\xA7"
      "ais TK | Version : TK20B 1.00 | TK20B.fra";
  EXPECT_EQ(Shown(), tk);
  DoubleClicks(21);  // expert: the same type, its label and file
  EXPECT_EQ(w.receiverTypes.entries.front(), "Ghost");
  EXPECT_EQ(Shown(), tk);
  EXPECT_EQ(w.FilePath(), catalogue.File("TK20B.fra"));
  DoubleClicks(21);  // and back
  EXPECT_EQ(Shown(), tk);

  // The language version chosen stays chosen across two switches.
  SelectReceiverType(w, 0);
  SelectLanguageVersion(w, 1);
  const std::string vrGb = "VR540 | Anglais | " + VrLabel("40 GB 2.50 2003") + " | VR540.gb";
  EXPECT_EQ(Shown(), vrGb);
  DoubleClicks(42);
  EXPECT_EQ(Shown(), vrGb);

  // A type standard mode does not list: the remembered one comes back, with its own
  // versions, label and file.
  DoubleClicks(21);
  SelectReceiverType(w, 0);
  EXPECT_EQ(w.receiverTypes.SelectedText(), "Ghost");
  DoubleClicks(21);
  EXPECT_EQ(Shown(),
            "VR540 | Fran\xC3\xA7"
            "ais | " +
                VrLabel("40 FR 2.40 2001") + " | VR540.fra");
  EXPECT_EQ(Start(), LoadEnd::kLoaded);
  EXPECT_EQ(started, std::vector<std::string>{"VR " + catalogue.File("VR540.fra")});
  EXPECT_TRUE(ui.messages.empty());
}

// The close command closes the port, then writes the placement, the port, the language, the
// file choice and the mode, and waits before the window goes.
TEST_F(MainWindowLogic, TheCloseCommandWritesItsKeysInOrderAfterClosingThePort) {
  settings.SetInt("LANGUAGE", "TYPE_LANG", 0);
  settings.SetInt("COMMUNICATION", "PORT", 1);
  ASSERT_TRUE(Initialise(catalogue.Path()));
  EXPECT_EQ(settings.GetInt("COMMUNICATION", "PORT", 0), 2);  // the swap at start
  SelectReceiverType(w, 1);
  ASSERT_TRUE(link.OpenPort(1, 9600, 'N', 8, 1));
  ClickPort(w, 2);
  EXPECT_FALSE(link.IsOpen());
  ASSERT_TRUE(link.OpenPort(2, 9600, 'N', 8, 1));
  const std::int64_t before = clock.NowMs();
  CloseMainWindow(w, WindowPlacement{0, 3, -1, -1, -1, -1, 40, 50, 940, 380});
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(clock.NowMs() - before, kCloseSettleMs);
  const CSettingsStore saved(config.File("kznload.INI"));
  EXPECT_EQ(saved.GetText("Settings", "WindowPos", ""), "0,3,-1,-1,-1,-1,40,50,940,380");
  EXPECT_EQ(saved.GetText("FILE_LOCATION", "DIR", ""), catalogue.Path() + kPathSeparator);
  EXPECT_EQ(saved.GetText("FILE_LOCATION", "FILE", ""), "TK20B.fra");
  for (const auto& [section, key, value] : {std::tuple{"COMMUNICATION", "PORT", 2},
                                            {"LANGUAGE", "TYPE_LANG", 0},
                                            {"FILE_LOCATION", "REC", 1},
                                            {"UIMODE", "TYPE_UI", 0}})
    EXPECT_EQ(saved.GetInt(section, key, -9), value) << key;
  // The next start takes them back, the placement included.
  CLoaderState again(ui, clock, settings, link);
  std::optional<WindowPlacement> restored;
  WindowInitialisation window;
  window.restorePlacement = [&](const WindowPlacement& p) { restored = p; };
  ASSERT_TRUE(InitialiseMainWindow(again, window, catalogue.Path()));
  EXPECT_EQ(again.portNumber, 2);
  EXPECT_EQ(again.receiverTypes.selection, 1);
  ASSERT_TRUE(restored.has_value());
  EXPECT_EQ(FormatWindowPlacement(*restored), "0,3,-1,-1,-1,-1,40,50,940,380");
}

// Started where there is no chgt.cfg (a menu entry): after message 110 the user chooses the
// catalogue folder, which is remembered for the starts to come; a start whose
// catalogue could not be read leaves the remembered type, folder and file alone at its close.
TEST_F(MainWindowLogic, AStartWithoutACatalogueOffersAnotherFolderAndRemembersTheChoice) {
  TempDir empty, noCatalogue;
  settings.SetInt("LANGUAGE", "TYPE_LANG", 0);
  settings.SetInt("FILE_LOCATION", "REC", 1);
  settings.SetText("FILE_LOCATION", "DIR", catalogue.Path() + kPathSeparator);
  settings.SetText("FILE_LOCATION", "FILE", "TK20B.fra");
  std::vector<std::string> named;  // the file each message 110 names
  ui.onMessage = [&](const RecordingUi::Shown& shown) { named.push_back(shown.detail); };
  auto start = [&](std::vector<std::optional<std::string>> choices) {
    ui.messages.clear();
    named.clear();
    CLoaderState state(ui, clock, settings, link);
    std::size_t asked = 0;
    WindowInitialisation window;
    window.chooseCatalogueFolder = [&] {
      return asked < choices.size() ? choices[asked++] : std::nullopt;
    };
    const bool read = InitialiseMainWindow(state, window, empty.Path());
    EXPECT_EQ(asked, choices.size());
    CloseMainWindow(state, std::nullopt);
    return std::pair{read, state.receiverTypes.entries};
  };

  // Cancelled: nothing listed, and the close keeps the good values.
  auto [read, types] = start({std::nullopt});
  EXPECT_FALSE(read);
  EXPECT_TRUE(types.empty());
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgCatalogueOpenError});
  EXPECT_EQ(named, std::vector<std::string>{empty.File("chgt.cfg") + ": " +
                                            SystemErrorText(kFileNotFound)});
  EXPECT_EQ(settings.GetInt("FILE_LOCATION", "REC", 0), 1);
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "DIR", ""), catalogue.Path() + kPathSeparator);
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "FILE", ""), "TK20B.fra");
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "CATALOGUE", "none"), "none");

  // A folder without a catalogue is refused with 110 naming it; the next is taken.
  std::tie(read, types) = start({noCatalogue.Path(), catalogue.Path() + kPathSeparator});
  EXPECT_TRUE(read);
  EXPECT_EQ(types, (std::vector<std::string>{"VR540", "TK20B", "Odd", "Blank"}));
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgCatalogueOpenError, kMsgCatalogueOpenError}));
  ASSERT_EQ(named.size(), 2u);
  EXPECT_EQ(named[1], noCatalogue.File("chgt.cfg") + ": " + SystemErrorText(kFileNotFound));
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "CATALOGUE", ""), catalogue.Path());
  EXPECT_EQ(settings.GetInt("FILE_LOCATION", "REC", 0), 1);  // TK20B stayed selected
  // The next start elsewhere goes straight there; one in a catalogue folder stays there.
  EXPECT_EQ(StartingCatalogueFolder(empty.Path(), settings), catalogue.Path());
  noCatalogue.Write("chgt.cfg", "");
  EXPECT_EQ(StartingCatalogueFolder(noCatalogue.Path(), settings), noCatalogue.Path());
}

}  // namespace
