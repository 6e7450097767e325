#include <unistd.h>

#include <filesystem>

#include "app/window_selection.h"
#include "catalogue/catalogue.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace {

TEST_F(CatalogueTest, TypeListFollowsModeLanguageAndLanguageFiles) {
  WriteCatalogue(
      "NAM:stray line before the first record\n"
      "REC:VR540\nNAM:VR540\nE/S:VR\nLFR:fra;Version fran\xe7"
      "aise\nLGB:gb;English version\n"
      "REC:Missing\nNAM:MISS\nLFR:fra;Nothing on disk\n"
      "REC:EnglishOnly\nNAM:EN\nLGB:gb;English\n"
      "REC:\nNAM:VR540\nLFR:fra;Never listed\n"
      "REC:VR540\nNAM:OTHER\nE/S:TK20B\n"
      "REC:VR540 \nNAM:BLANK\nLFR:fra;Trailing blank\n");
  Touch({"VR540.fra", "EN.gb", "BLANK.fra"});
  EXPECT_EQ(FillReceiverTypeList(w), 1);
  // The duplicate is judged by the first record of that name; the trailing blank makes a
  // name of its own.
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"VR540", "VR540", "VR540 "}));
  EXPECT_EQ(w.receiverTypes.selection, 0);

  // English interface: "LGB:" lines count, "LFR:" lines no longer do.
  w.language = Language::kEnglish;
  Touch({"VR540.gb"});
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"VR540", "EnglishOnly", "VR540"}));

  w.mode = 1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries,
            (Entries{"VR540", "Missing", "EnglishOnly", "VR540", "VR540 "}));
  w.receiverTypes.selection = 3;  // the second "VR540"
  EXPECT_EQ(GetModelName(w), "VR540");
  EXPECT_EQ(GetFamilyTag(CatalogueChoiceOf(w), w.ui, w.language), "VR");
  w.receiverTypes.selection = 4;
  EXPECT_EQ(GetModelName(w), "BLANK");

  // A remembered index outside the list selects the first entry, or nothing for -1.
  const std::int16_t cases[][2] = {{4, 4}, {5, 0}, {-1, -1}};  // remembered, then selected
  for (const auto& c : cases) {
    w.rememberedTypeIndex = c[0];
    ASSERT_EQ(FillReceiverTypeList(w), 1);
    EXPECT_EQ(w.receiverTypes.selection, c[1]) << c[0];
    EXPECT_EQ(w.rememberedTypeIndex, c[1]) << c[0];
  }
  EXPECT_EQ(GetModelName(w), "");
  EXPECT_TRUE(ui.messages.empty());
  WriteCatalogue("REC:\n");
  w.rememberedTypeIndex = 0;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_TRUE(w.receiverTypes.entries.empty());
  EXPECT_FALSE(w.receiverTypes.HasSelection());
}

TEST_F(CatalogueTest, OnlyExactUpperCaseTagsAtTheStartOfALineCountAndValuesAreVerbatim) {
  // Longer than the reader's buffer, so lines cross its refills.
  std::string longName = "  " + std::string(150'000, 'n') + "  ";
  longName[70'000] = '\r';
  WriteCatalogue(
      "rec:lower\r\n REC:indented\r\nRE\r\n\r\n"
      "REC:A\r\nnam:lower\r\n NAM:indented\r\nNAM:" +
      longName +
      "\r\nNAM:second\r\n"
      "e/s:VR\r\nWRG:$PKZN,ERR\r\r\n"
      "REC:" +
      longName + "\r\nE/S:TK\r\nWRG:no line end");
  w.mode = 1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"A", longName}));
  // The first value wins; a CR that is not part of CR LF stays.
  EXPECT_EQ(GetModelName(w), longName);
  EXPECT_EQ(GetWrongChecksumText(CatalogueChoiceOf(w), w.ui, w.language), "$PKZN,ERR\r");
  // No "E/S:" line in the record: the next record's one is not borrowed.
  EXPECT_EQ(GetFamilyTag(CatalogueChoiceOf(w), w.ui, w.language), "");
  w.receiverTypes.selection = 1;
  EXPECT_EQ(GetFamilyTag(CatalogueChoiceOf(w), w.ui, w.language), "TK");
  EXPECT_EQ(GetWrongChecksumText(CatalogueChoiceOf(w), w.ui, w.language), "no line end");
  // Every operation reads the file anew.
  WriteCatalogue("REC:" + longName + "\nE/S:TK20B\n");
  EXPECT_EQ(GetFamilyTag(CatalogueChoiceOf(w), w.ui, w.language), "TK20B");
}

TEST_F(CatalogueTest, MissingOrUnreadableCatalogueIsReported) {
  WriteCatalogue("REC:A\nNAM:MODEL\n");
  w.mode = 1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  std::filesystem::remove(dir.File("chgt.cfg"));
  EXPECT_EQ(FillReceiverTypeList(w), -1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"A"}));
  EXPECT_EQ(w.receiverTypes.selection, 0);
  EXPECT_EQ(GetModelName(w), "");
  EXPECT_FALSE(HasLanguageFile(w.catalogueFolder, w.ui, w.language, "A"));
  // Without a selection the lookup still reports the missing file.
  w.receiverTypes.selection = -1;
  EXPECT_EQ(GetFamilyTag(CatalogueChoiceOf(w), w.ui, w.language), "");
  EXPECT_EQ(CountShown(kMsgCatalogueOpenError, kStyleStop), 4);
  EXPECT_EQ(ui.messages.size(), 4u);
  // A catalogue that opens but fails to read is reported, not taken as empty.
  std::filesystem::create_directory(dir.File("chgt.cfg"));
  EXPECT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_TRUE(w.receiverTypes.entries.empty());
  EXPECT_EQ(ui.fileReadErrors, 1);
}

TEST_F(CatalogueTest, TheCatalogueFolderIsTheWorkingDirectoryHoweverLong) {
  std::string before = TakeCatalogueFolder();
  std::string deep = dir.File(std::string(200, 'd') + "/" + std::string(200, 'e'));
  std::filesystem::create_directories(deep);
  ASSERT_EQ(::chdir(deep.c_str()), 0);
  std::string taken = TakeCatalogueFolder();
  ASSERT_EQ(::chdir(before.c_str()), 0);
  EXPECT_EQ(std::filesystem::path(taken), std::filesystem::canonical(deep));
}

TEST_F(CatalogueTest, HasLanguageFileUsesTheRecordsModelNameAndSkipsFolders) {
  WriteCatalogue(
      "REC:A\nNAM:\nLFR:xyz;first\nNAM:M\nNAM:IGNORED\nLFR:fra;French\n"
      "REC:NoModel\nLFR;no colon, not a tag\nLFR:gb\n"
      "REC:Next\nNAM:N\n");
  EXPECT_FALSE(HasLanguageFile(w.catalogueFolder, w.ui, w.language, "A"));
  std::filesystem::create_directory(dir.File("M.fra"));
  Touch({"IGNORED.fra"});
  EXPECT_FALSE(HasLanguageFile(w.catalogueFolder, w.ui, w.language, "A"));
  // An empty model name does not stop the search for the first one.
  Touch({"M.xyz"});
  EXPECT_TRUE(HasLanguageFile(w.catalogueFolder, w.ui, w.language, "A"));
  // No model name (the next record's is not borrowed) and a line without ";": the file
  // would be "." + "" = the folder itself.
  Touch({"N."});
  EXPECT_FALSE(HasLanguageFile(w.catalogueFolder, w.ui, w.language, "NoModel"));
  EXPECT_FALSE(HasLanguageFile(w.catalogueFolder, w.ui, w.language, "Unknown"));
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
