#include <filesystem>

#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace {

TEST_F(CatalogueTest, OnlyVersionsWhoseFileExistsAreOfferedAndTheFirstChoosesTheFile) {
  WriteCatalogue(
      "REC:Receiver\n"
      "NAM:VR540\n"
      "LFR:fra;Version fran\xe7"
      "aise\n"
      "LGB:gb;English version\n"
      "LFR:gb;Version anglaise\n");
  Touch({"VR540.gb"});
  SelectType("Receiver");
  w.startEnabled = false;
  w.folder = "/elsewhere/";
  w.fileName = "old.bin";

  FillLanguageVersionList(w);
  EXPECT_EQ(w.languageVersions.entries, (Entries{"Version anglaise"}));
  EXPECT_EQ(w.languageVersions.selection, 0);
  EXPECT_TRUE(w.startEnabled);
  EXPECT_TRUE(w.startHasFocus);
  EXPECT_EQ(ResolveLanguageFile(w), 1);
  EXPECT_EQ(w.folder, dir.Path() + kPathSeparator);
  EXPECT_EQ(w.fileName, "VR540.gb");
  EXPECT_TRUE(ui.messages.empty());

  // English interface and no existing "LGB:" file: nothing to offer, no file to send.
  std::filesystem::remove(dir.File("VR540.gb"));
  Touch({"VR540.fra"});
  LanguageOffset = kEnglishOffset;
  w.startEnabled = false;
  FillLanguageVersionList(w);
  EXPECT_TRUE(w.languageVersions.entries.empty());
  EXPECT_FALSE(w.languageVersions.HasSelection());
  EXPECT_EQ(w.fileName, "");
  EXPECT_FALSE(w.startEnabled);
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(CountShown(kMsgLanguageFileMissing, kStyleExclamation), 1);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(w.folder, dir.Path() + kPathSeparator);
}

TEST_F(CatalogueTest, VersionEntriesMapToTheLanguageLinesWhoseFilesExist) {
  WriteCatalogue(
      "REC:T\n"
      "LFR:ita;missing\n"
      "NAM:M\n"
      "LFR: esp ;Espagnol\n"
      "LGB:nl;Dutch\n"
      "LFR:nor;absent too\n"
      "LFR:no semicolon\n"
      "LFR:  fin;Finnois; avec ;\n"
      "REC:U\n"
      "LFR:fra;other record\n");
  Touch({"M.esp", "M.", "M.fin", "M.fra", "M.nl"});
  SelectType("T");
  FillLanguageVersionList(w);
  // Blanks around the extension go, the label is everything after the first ";", and a
  // line without ";" names the file with an empty extension and shows the whole line.
  EXPECT_EQ(w.languageVersions.entries,
            (Entries{"Espagnol", "LFR:no semicolon", "Finnois; avec ;"}));
  const std::pair<int, const char*> expected[] = {{0, "M.esp"}, {1, "M."}, {2, "M.fin"}};
  for (auto [index, file] : expected) {
    w.languageVersions.selection = index;
    EXPECT_EQ(ResolveLanguageFile(w), 1) << index;
    EXPECT_EQ(w.fileName, file);
  }
  EXPECT_TRUE(ui.messages.empty());

  // A selection past the existing files, none at all, or a file deleted since the list was
  // filled: message 129, folder and file name kept.
  w.languageVersions.selection = -1;
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  w.languageVersions.selection = 2;
  std::filesystem::remove(dir.File("M.fin"));
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(w.fileName, "M.fin");
  EXPECT_EQ(CountShown(kMsgLanguageFileMissing, kStyleExclamation), 2);
}

TEST_F(CatalogueTest, ExpertModeAndMissingSelectionLeaveTheFileAlone) {
  WriteCatalogue("REC:T\nNAM:M\nLFR:fra;x\n");
  Touch({"M.fra"});
  w.folder = "/chosen/";
  w.fileName = "own.bin";
  w.mode = 1;
  SelectType("T");
  EXPECT_EQ(ResolveLanguageFile(w), 1);
  EXPECT_EQ(w.FilePath(), "/chosen/own.bin");

  w.mode = 0;
  w.receiverTypes.selection = -1;
  w.languageVersions.entries = {"kept"};
  w.languageVersions.selection = 0;
  FillLanguageVersionList(w);
  EXPECT_EQ(w.languageVersions.entries, (Entries{"kept"}));
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(w.FilePath(), "/chosen/own.bin");
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
