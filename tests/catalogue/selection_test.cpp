#include <filesystem>

#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace {

TEST_F(CatalogueTest, OnlyVersionsWhoseFileExistsAreOfferedAndTheFirstChoosesTheFile) {
  WriteCatalogue(
      "REC:Receiver\nNAM:VR540\nLFR:fra;Version fran\xe7"
      "aise\nLGB:gb;English version\nLFR:gb;Version anglaise\n");
  Touch({"VR540.gb"});
  SelectType("Receiver");
  w.startEnabled = false;
  w.folder = "/elsewhere/";
  FillLanguageVersionList(w);
  EXPECT_EQ(w.languageVersions.entries, (Entries{"Version anglaise"}));
  EXPECT_EQ(w.languageVersions.selection, 0);
  EXPECT_TRUE(w.startEnabled);
  EXPECT_TRUE(w.startHasFocus);
  EXPECT_EQ(ResolveLanguageFile(w), 1);
  EXPECT_EQ(w.FilePath(), dir.Path() + kPathSeparator + "VR540.gb");
  EXPECT_TRUE(ui.messages.empty());

  // English interface and no existing "LGB:" file: nothing to offer, no file to send.
  std::filesystem::remove(dir.File("VR540.gb"));
  Touch({"VR540.fra"});
  LanguageOffset = kEnglishOffset;
  w.startEnabled = false;
  FillLanguageVersionList(w);
  EXPECT_TRUE(w.languageVersions.entries.empty());
  EXPECT_EQ(w.fileName, "");
  EXPECT_FALSE(w.startEnabled);
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(CountShown(kMsgLanguageFileMissing, kStyleExclamation), 1);
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(CatalogueTest, VersionEntriesMapToTheLanguageLinesWhoseFilesExist) {
  WriteCatalogue(
      "REC:T\nLFR:ita;missing\nNAM:M\nLFR: esp ;Espagnol\nLGB:nl;Dutch\nLFR:nor;absent too\n"
      "LFR:no semicolon\nLFR:  fin;Finnois; avec ;\n"
      "REC:U\nLFR:fra;other record\n");
  Touch({"M.esp", "M.", "M.fin", "M.fra", "M.nl"});
  SelectType("T");
  FillLanguageVersionList(w);
  // Blanks around the extension go, the label is everything after the first ";", and a
  // line without ";" names the file with an empty extension and shows the whole line.
  EXPECT_EQ(w.languageVersions.entries,
            (Entries{"Espagnol", "LFR:no semicolon", "Finnois; avec ;"}));
  const char* const files[] = {"M.esp", "M.", "M.fin"};
  for (int index = 0; index < 3; ++index) {
    w.languageVersions.selection = index;
    EXPECT_EQ(ResolveLanguageFile(w), 1) << index;
    EXPECT_EQ(w.fileName, files[index]);
  }
  EXPECT_TRUE(ui.messages.empty());

  // No selection, or a file deleted since the list was filled: message 129 each time, the
  // file name kept.
  w.languageVersions.selection = -1;
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  w.languageVersions.selection = 2;
  std::filesystem::remove(dir.File("M.fin"));
  EXPECT_EQ(ResolveLanguageFile(w), -1);
  EXPECT_EQ(w.fileName, "M.fin");
  EXPECT_EQ(CountShown(kMsgLanguageFileMissing, kStyleExclamation), 2);

  // Expert mode, or no type selected: the file stays as chosen, without a message.
  Touch({"M.fin"});
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
  EXPECT_EQ(ui.messages.size(), 2u);
}

}  // namespace
