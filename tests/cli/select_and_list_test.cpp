#include <gtest/gtest.h>

#include <sstream>

#include "app/loader_state.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "cli/cli_commands.h"
#include "tests/support/fake_link.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

// Two loadable types, one whose only file is missing, one without a family tag, and a
// display name written in Windows-1252.
constexpr const char* kCatalogue =
    "REC:TK20B\nNAM:TK20B\nE/S:TK20B\nWRG:BOOT\n"
    "LFR:gb;Version anglaise\nLGB:gb;English version\nLGB:fra;French version\n"
    "REC:VR540\nNAM:VR540\nE/S:VR\nLGB:gb;English version\n"
    "REC:R\xE9"
    "cepteur\nNAM:REC2\nLGB:gb;English\n"
    "REC:Lost\nNAM:LOST\nE/S:TK\nLGB:gb;English version\n";

CliOptions Load(const std::string& type, std::optional<std::string> version,
                std::optional<std::string> file = std::nullopt) {
  CliOptions options;
  options.command = CliCommand::kLoad;
  options.type = type;
  options.version = std::move(version);
  options.file = std::move(file);
  return options;
}

class SelectAndListTest : public ::testing::Test {
 protected:
  SelectAndListTest()
      : settings(dir.File("kznload.INI")), link(clock), w(ui, clock, settings, link) {
    LanguageOffset = kEnglishOffset;
    dir.Write("chgt.cfg", kCatalogue);
    dir.Write("TK20B.gb", std::string("\x8A\x05V1.05xy", 9));
    dir.Write("TK20B.fra", std::string("\x8A\x05V1.06xy", 9));
    dir.Write("VR540.gb", std::string("\x8C", 1));
    dir.Write("REC2.gb", std::string("\x8C", 1));
    w.catalogueFolder = dir.Path();
  }
  ~SelectAndListTest() override { LanguageOffset = kFrenchOffset; }

  TempDir dir;
  RecordingUi ui;
  VirtualClock clock;
  CSettingsStore settings;
  FakeLink link;
  CLoaderState w;
  std::ostringstream err;
};

TEST_F(SelectAndListTest, TheFileIsChosenByTypeAndLabelOrGivenForAnyListedType) {
  CliOptions options = Load("TK20B", "French version");
  options.portNumber = 3;
  options.keepUserData = true;
  ASSERT_EQ(SelectFileToSend(w, options, err), kExitLoaded) << err.str();
  EXPECT_EQ(w.mode, 0);
  EXPECT_EQ(w.folder, dir.Path() + "/");
  EXPECT_EQ(w.fileName, "TK20B.fra");
  EXPECT_EQ(w.portNumber, 3);
  EXPECT_TRUE(w.keepUserData);
  EXPECT_EQ(w.versionLabel, "Version : V1.06");
  // A name typed as `list` shows it finds the Windows-1252 entry.
  ASSERT_EQ(SelectFileToSend(w, Load("Récepteur", "English"), err), kExitLoaded);
  EXPECT_EQ(w.receiverTypes.SelectedText(),
            "R\xE9"
            "cepteur");
  EXPECT_EQ(w.fileName, "REC2.gb");
  // Expert mode: a type without files here takes any file, its path made plain.
  dir.Write("own.bin", std::string("\x8A\x02OKzz", 6));
  ASSERT_EQ(SelectFileToSend(w, Load("Lost", {}, dir.Path() + "/./sub/../own.bin"), err),
            kExitLoaded)
      << err.str();
  EXPECT_EQ(w.mode, 1);
  EXPECT_EQ(w.folder, dir.Path() + "/");
  EXPECT_EQ(w.fileName, "own.bin");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SelectAndListTest, UnknownTypesVersionsAndFilesAreUsageErrorsThatListTheChoices) {
  EXPECT_EQ(SelectFileToSend(w, Load("TK20", "English version"), err), kExitUsage);
  EXPECT_NE(err.str().find("unknown receiver type 'TK20'"), std::string::npos);
  EXPECT_NE(err.str().find("\n  TK20B\n  VR540\n  Récepteur\n"), std::string::npos) << err.str();
  EXPECT_EQ(SelectFileToSend(w, Load("Lost", "English version"), err), kExitUsage);
  EXPECT_NE(err.str().find("no language file here"), std::string::npos) << err.str();
  EXPECT_EQ(SelectFileToSend(w, Load("TK20B", "German version"), err), kExitUsage);
  EXPECT_NE(err.str().find("\n  English version\n  French version\n"), std::string::npos);
  EXPECT_EQ(SelectFileToSend(w, Load("TK20B", {}, dir.File("missing.bin")), err), kExitUsage);
  EXPECT_NE(err.str().find("no such file"), std::string::npos);
  EXPECT_EQ(SelectFileToSend(w, Load("TK20B", {}, dir.Path()), err), kExitUsage);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SelectAndListTest, ListShowsEveryTypeWithItsVersionsAndAMissingCatalogueIs110) {
  std::ostringstream out;
  ASSERT_EQ(ListReceiverTypes(w, out), kExitLoaded);
  EXPECT_EQ(out.str(),
            "TK20B\tTK20B\n"
            "\tEnglish version\tTK20B.gb\tVersion : V1.05\n"
            "\tFrench version\tTK20B.fra\tVersion : V1.06\n"
            "VR540\tVR\n"
            "\tEnglish version\tVR540.gb\t-\n"
            "Récepteur\t-\n"
            "\tEnglish\tREC2.gb\t-\n"
            "Lost\tTK\n");
  EXPECT_TRUE(ui.messages.empty());
  std::remove(dir.File("chgt.cfg").c_str());
  out.str("");
  EXPECT_EQ(ListReceiverTypes(w, out), kExitFailed);
  EXPECT_EQ(SelectFileToSend(w, Load("TK20B", "English version"), err), kExitFailed);
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{kMsgCatalogueOpenError, kMsgCatalogueOpenError}));
  EXPECT_EQ(out.str(), "");
}

}  // namespace
