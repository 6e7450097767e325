#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "app/window_selection.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace {

// Type T offers four French lines whose files exist (one without ";"), one whose file is
// missing, and one English line.
class LanguageVersionList : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    WriteCatalogue(
        "REC:T\nLFR:ita;missing\nNAM:M\nLFR: esp ;Espagnol\nLGB:nl;Dutch\nLFR:nor;absent too\n"
        "LFR:no semicolon\nLFR:  fin;Finnois; avec ;\n"
        "REC:U\nLFR:fra;other record\n");
    Touch({"M.esp", "M.", "M.fin", "M.fra", "M.nl"});
    SelectType("T");
  }
};

TEST_F(LanguageVersionList, EntriesAreTheRunningLanguagesLinesWhoseFilesExist) {
  w.startEnabled = false;
  w.folder = "/elsewhere/";
  FillLanguageVersionList(w);
  // Blanks around the extension go, the label is everything after the first ";", and a
  // line without ";" names the file with an empty extension and shows the whole line.
  EXPECT_EQ(w.languageVersions.entries,
            (Entries{"Espagnol", "LFR:no semicolon", "Finnois; avec ;"}));
  EXPECT_EQ(w.languageVersions.selection, 0);
  EXPECT_TRUE(w.startEnabled);
  EXPECT_TRUE(w.startHasFocus);
  const char* const files[] = {"M.esp", "M.", "M.fin"};
  for (int index = 0; index < 3; ++index) {
    w.languageVersions.selection = index;
    EXPECT_EQ(ResolveLanguageFile(w), 1) << index;
    EXPECT_EQ(w.FilePath(), dir.Path() + kPathSeparator + files[index]);
  }
  EXPECT_TRUE(ui.messages.empty());
}

// No selection, or a file deleted since the list was filled: message 129 each time, the file
// name kept. Expert mode, or no type selected: the file stays as chosen, without a message.
TEST_F(LanguageVersionList, NoSelectionOrAVanishedFileShows129ExpertModeOrNoTypeNothing) {
  FillLanguageVersionList(w);
  w.languageVersions.selection = 2;
  ASSERT_EQ(ResolveLanguageFile(w), 1);
  w.mode = 1;
  w.languageVersions.selection = 0;
  EXPECT_EQ(ResolveLanguageFile(w), 1);
  EXPECT_EQ(w.fileName, "M.fin");
  w.mode = 0;
  w.receiverTypes.selection = -1;
  FillLanguageVersionList(w);
  EXPECT_EQ(w.languageVersions.entries.size(), 3u);
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(w.fileName, "M.fin");
  EXPECT_TRUE(ui.messages.empty());

  SelectType("T");
  w.languageVersions.selection = -1;
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(w.fileName, "M.fin");
  w.languageVersions.selection = 2;
  std::filesystem::remove(dir.File("M.fin"));
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(w.fileName, "M.fin");
  EXPECT_EQ(CountShown(kMsgLanguageFileMissing, kStyleExclamation), 2);
  EXPECT_EQ(ui.messages.size(), 2u);
}

// English interface and no existing "LGB:" file: nothing to offer, no file to send.
TEST_F(LanguageVersionList, EnglishWithoutItsFileOffersNothing) {
  std::filesystem::remove(dir.File("M.nl"));
  w.language = Language::kEnglish;
  SelectType("T");
  w.startEnabled = false;
  FillLanguageVersionList(w);
  EXPECT_TRUE(w.languageVersions.entries.empty());
  EXPECT_EQ(w.fileName, "");
  EXPECT_FALSE(w.startEnabled);
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(CountShown(kMsgLanguageFileMissing, kStyleExclamation), 1);  // now in English
  EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
