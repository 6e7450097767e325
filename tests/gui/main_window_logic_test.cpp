// The main window's operations on its state, without widgets.
#include "app/main_window_logic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/gui/window_fixture.h"
#include "tests/support/recording_ui.h"

namespace {

struct Started {
  int first = 0;
  int second = 0;
  std::string tag;
  std::string file;
};

LoadSequences Recorder(Started* started) {
  return LoadSequences{[started](CLoaderState& w, const std::string& tag) {
                         ++started->first;
                         started->tag = tag;
                         started->file = w.FilePath();
                       },
                       [started](CLoaderState& w, const std::string& tag) {
                         ++started->second;
                         started->tag = tag;
                         started->file = w.FilePath();
                       }};
}

class MainWindowLogic : public ::testing::Test, public WindowFixture<RecordingUi> {
 protected:
  int asked = 0;
  bool Initialise() {
    WindowInitialisation window;
    window.askLanguage = [this] { ++asked; };
    return InitialiseMainWindow(w, window, catalogue.Path());
  }
  int IndexOf(const std::string& name) {
    for (std::size_t i = 0; i < w.receiverTypes.entries.size(); ++i)
      if (w.receiverTypes.entries[i] == name) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(MainWindowLogic, FreshSettingsGiveTheDefaultsAndStoreTheOtherPort) {
  ASSERT_TRUE(Initialise());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(LanguageOffset, kFrenchOffset);
  EXPECT_EQ(w.mode, 0);
  EXPECT_EQ(w.portNumber, 1);
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 2);
  // Standard mode resolved the first type's first version: the file to send is set.
  EXPECT_EQ(w.FilePath(), catalogue.Path() + "/VR540.fra");
  EXPECT_EQ(w.receiverTypes.selection, 0);
  // "Ghost" has no language file and is not offered in standard mode.
  EXPECT_EQ(w.receiverTypes.entries, (std::vector<std::string>{"VR540", "TK20B", "Odd", "Blank"}));
  ASSERT_EQ(w.languageVersions.entries, std::vector<std::string>{kFrenchLabel1252});
  EXPECT_FALSE(w.versionLabel.empty());
  EXPECT_EQ(w.doubleClickCounter, 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowLogic, StoredLanguageAndSettingsAreUsedWithoutAsking) {
  settings.SetInt("LANGUAGE", "TYPE_LANG", 1);
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  settings.SetInt("COMMUNICATION", "PORT", 3);
  settings.SetText("FILE_LOCATION", "DIR", "/tmp/x/");
  settings.SetText("FILE_LOCATION", "FILE", "mine.gb");
  settings.SetInt("FILE_LOCATION", "REC", 4);
  ASSERT_TRUE(Initialise());
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(LanguageOffset, kEnglishOffset);
  EXPECT_TRUE(w.IsExpertMode());
  EXPECT_EQ(w.portNumber, 3);
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 3);  // only 1 and 2 are swapped
  EXPECT_EQ(w.FilePath(), "/tmp/x/mine.gb");
  // Expert mode lists every named type, "Ghost" included, and selects the remembered one.
  ASSERT_EQ(w.receiverTypes.entries.size(), 5u);
  EXPECT_EQ(w.receiverTypes.selection, 4);
  EXPECT_TRUE(w.languageVersions.entries.empty());
}

TEST_F(MainWindowLogic, MissingCatalogueStopsAfterTellingTheUserOnce) {
  std::filesystem::remove(catalogue.File("chgt.cfg"));
  w.versionLabel = "untouched";
  EXPECT_FALSE(Initialise());
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgCatalogueOpenError});
  EXPECT_EQ(ui.messages[0].style, kStyleStop);
  EXPECT_TRUE(w.receiverTypes.entries.empty());
  EXPECT_EQ(w.versionLabel, "untouched");
}

TEST_F(MainWindowLogic, CloseWritesEverySettingInItsOrder) {
  ASSERT_TRUE(Initialise());
  SelectReceiverType(w, 1);
  ClickPort(w, 2);
  ASSERT_EQ(link.OpenPort(2, 9600, 'N', 8, 1), 1);
  const std::int64_t before = clock.NowMs();
  WindowPlacement placement;
  placement.flags = kPlacementRestoreToMaximized;
  placement.left = 10, placement.top = 20, placement.right = 410, placement.bottom = 320;
  CloseMainWindow(w, placement);

  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(clock.NowMs() - before, kCloseSettleMs);
  EXPECT_EQ(StoredInt("COMMUNICATION", "PORT"), 2);
  EXPECT_EQ(StoredInt("LANGUAGE", "TYPE_LANG"), 0);
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "DIR", "?"), catalogue.Path() + "/");
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "FILE", "?"), "TK20B.fra");
  EXPECT_EQ(StoredInt("FILE_LOCATION", "REC"), 1);
  EXPECT_EQ(StoredInt("UIMODE", "TYPE_UI"), 0);
  EXPECT_EQ(settings.GetText("Settings", "WindowPos", "?"), "2,0,0,0,0,0,10,20,410,320");
  // New sections land in the file in the order they were first written.
  const std::string text = config.Read("kznload.INI");
  const std::size_t order[] = {text.find("[COMMUNICATION]"), text.find("[Settings]"),
                               text.find("[LANGUAGE]"),      text.find("DIR="),
                               text.find("FILE="),           text.find("REC="),
                               text.find("[UIMODE]")};
  for (std::size_t i = 1; i < std::size(order); ++i)
    EXPECT_LT(order[i - 1], order[i]) << text;
}

TEST_F(MainWindowLogic, CloseWithoutSelectionStoresMinusOneAndNoPlacementWhenNoneIsGiven) {
  ASSERT_TRUE(Initialise());
  SelectReceiverType(w, -1);
  CloseMainWindow(w, std::nullopt);
  EXPECT_EQ(StoredInt("FILE_LOCATION", "REC"), -1);
  EXPECT_EQ(settings.GetText("Settings", "WindowPos", "none"), "none");
}

TEST_F(MainWindowLogic, StartsEndedWithoutClosingOfferTheOtherPortEachTime) {
  std::vector<int> offered;
  for (int run = 0; run < 3; ++run) {
    CLoaderState fresh(ui, clock, settings, link);
    WindowInitialisation window;
    ASSERT_TRUE(InitialiseMainWindow(fresh, window, catalogue.Path()));
    offered.push_back(fresh.portNumber);
  }
  EXPECT_EQ(offered, (std::vector<int>{1, 2, 1}));
}

TEST_F(MainWindowLogic, StartDispatchesOnTheExactFamilyTag) {
  ASSERT_TRUE(Initialise());
  struct Case {
    const char* type;
    int first;
    int second;
  };
  for (const Case& c :
       {Case{"VR540", 1, 0}, Case{"TK20B", 0, 1}, Case{"Odd", 0, 0}, Case{"Blank", 0, 0}}) {
    SCOPED_TRACE(c.type);
    SelectReceiverType(w, IndexOf(c.type));
    Started started;
    StartLoad(w, Recorder(&started));
    EXPECT_EQ(started.first, c.first);
    EXPECT_EQ(started.second, c.second);
    if (c.first + c.second > 0) {
      EXPECT_EQ(started.tag, c.type == std::string("VR540") ? "VR" : "TK20B");
      EXPECT_EQ(started.file, catalogue.Path() + "/" + c.type + ".fra");
    }
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowLogic, ExpertStartNeedsAFileAndThenFollowsTheTypeNotTheFile) {
  TempDir home;
  setenv("HOME", home.Path().c_str(), 1);
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  ASSERT_TRUE(Initialise());
  EXPECT_EQ(w.folder, home.Path() + "/");  // the home folder stands in for "c:\"
  EXPECT_EQ(w.fileName, "");
  Started started;
  StartLoad(w, Recorder(&started));
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgSelectFileFirst});
  EXPECT_EQ(ui.messages[0].style, kStyleExclamation);
  EXPECT_EQ(started.first + started.second, 0);

  ChooseFile(w, catalogue.File("VR540.gb"));
  EXPECT_EQ(w.folder, catalogue.Path() + "/");
  EXPECT_EQ(w.fileName, "VR540.gb");
  SelectReceiverType(w, IndexOf("TK20B"));
  StartLoad(w, Recorder(&started));
  EXPECT_EQ(started.second, 1);
  EXPECT_EQ(started.file, catalogue.File("VR540.gb"));
}

TEST_F(MainWindowLogic, StandardStartWithoutVersionsDoesNothing) {
  ASSERT_TRUE(Initialise());
  w.languageVersions.entries.clear();
  w.languageVersions.selection = -1;
  Started started;
  StartLoad(w, Recorder(&started));
  EXPECT_EQ(started.first + started.second, 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowLogic, VanishedLanguageFileDoesNotSendThePreviousFile) {
  ASSERT_TRUE(Initialise());
  SelectReceiverType(w, IndexOf("TK20B"));
  ASSERT_EQ(w.fileName, "TK20B.fra");
  SelectReceiverType(w, IndexOf("VR540"));
  ASSERT_EQ(w.fileName, "VR540.fra");
  // The list still offers the version, but its file went away: the folder and file name
  // would otherwise still name the file of the type chosen before.
  std::filesystem::remove(catalogue.File("VR540.fra"));
  w.fileName = "TK20B.fra";
  Started started;
  StartLoad(w, Recorder(&started));
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgLanguageFileMissing});
  EXPECT_EQ(started.first + started.second, 0);
}

}  // namespace
