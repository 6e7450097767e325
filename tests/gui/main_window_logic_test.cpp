// The main window's operations on its state, without widgets.
#include "app/main_window_logic.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/gui/gui_support.h"
#include "tests/support/recording_ui.h"

namespace {

class MainWindowLogic : public ::testing::Test, public WindowFixture<RecordingUi> {
 protected:
  int asked = 0;
  std::vector<std::string> started;  // family number, tag and file of each start

  bool Initialise() {
    WindowInitialisation window;
    window.askLanguage = [this] { ++asked; };
    return InitialiseMainWindow(w, window, catalogue.Path());
  }
  void Start() {
    auto record = [this](const char* family) {
      return [this, family](CLoaderState& state, const std::string& tag) {
        started.push_back(std::string(family) + " " + tag + " " + state.FilePath());
      };
    };
    StartLoad(w, LoadSequences{record("1"), record("2")});
  }
};

TEST_F(MainWindowLogic, StartDispatchesOnTheExactFamilyTag) {
  ASSERT_TRUE(Initialise());
  for (int type = 0; type < 4; ++type) {  // VR540, TK20B, Odd (tag "tk"), Blank (tag "VR ")
    SelectReceiverType(w, type);
    Start();
  }
  const std::string dir = catalogue.Path() + "/";
  EXPECT_EQ(started, (std::vector<std::string>{"1 VR " + dir + "VR540.fra",
                                               "2 TK20B " + dir + "TK20B.fra"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowLogic, NothingStartsWithoutAVersionOrWhenItsFileWentAway) {
  ASSERT_TRUE(Initialise());
  w.languageVersions.entries.clear();
  w.languageVersions.selection = -1;
  Start();
  EXPECT_TRUE(ui.messages.empty());
  SelectReceiverType(w, 1);  // TK20B, then VR540
  SelectReceiverType(w, 0);
  // The list still offers the version, but its file went away: the file name must not
  // still name the file of the type chosen before.
  std::filesystem::remove(catalogue.File("VR540.fra"));
  w.fileName = "TK20B.fra";
  Start();
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgLanguageFileMissing});
  EXPECT_TRUE(started.empty());
}

TEST_F(MainWindowLogic, StoredSettingsAreUsedAndExpertStartFollowsTheTypeNotTheFile) {
  settings.SetInt("LANGUAGE", "TYPE_LANG", 1);
  settings.SetInt("UIMODE", "TYPE_UI", 1);
  settings.SetText("FILE_LOCATION", "DIR", "/tmp/x/");
  settings.SetText("FILE_LOCATION", "FILE", "mine.gb");
  settings.SetInt("FILE_LOCATION", "REC", 4);
  ASSERT_TRUE(Initialise());
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(LanguageOffset, kEnglishOffset);
  EXPECT_EQ(w.FilePath(), "/tmp/x/mine.gb");
  // Expert mode lists every named type, "Ghost" without a language file included.
  EXPECT_EQ(w.receiverTypes.entries.size(), 5u);
  EXPECT_EQ(w.receiverTypes.selection, 4);
  EXPECT_TRUE(w.languageVersions.entries.empty());
  ChooseFile(w, catalogue.File("VR540.gb"));
  SelectReceiverType(w, 1);  // TK20B
  Start();
  EXPECT_EQ(started, std::vector<std::string>{"2 TK20B " + catalogue.File("VR540.gb")});
}

TEST_F(MainWindowLogic, MissingCatalogueStopsAfterTellingTheUserOnceAndCloseStillSaves) {
  std::filesystem::remove(catalogue.File("chgt.cfg"));
  EXPECT_FALSE(Initialise());
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{kMsgCatalogueOpenError});
  EXPECT_EQ(ui.messages[0].style, kStyleStop);
  EXPECT_TRUE(w.receiverTypes.entries.empty());
  // No selection is stored as -1; without a placement from the platform none is written.
  CloseMainWindow(w, std::nullopt);
  EXPECT_EQ(StoredInt("FILE_LOCATION", "REC"), -1);
  EXPECT_EQ(settings.GetText("Settings", "WindowPos", "none"), "none");
}

}  // namespace
