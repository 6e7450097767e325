#include <unistd.h>

#include <filesystem>

#include "catalogue/catalogue.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace {

// Six records; which are listed depends on the mode, the language and the files present.
const char* const kCatalogue =
    "NAM:stray line before the first record\n"
    "REC:VR540\n"
    "NAM:VR540\n"
    "E/S:VR\n"
    "LFR:fra;Version fran\xe7"
    "aise\n"
    "LGB:gb;English version\n"
    "REC:Missing\n"
    "NAM:MISS\n"
    "LFR:fra;Nothing on disk\n"
    "REC:EnglishOnly\n"
    "NAM:EN\n"
    "LGB:gb;English\n"
    "REC:\n"
    "NAM:VR540\n"
    "LFR:fra;Never listed\n"
    "REC:VR540\n"
    "NAM:OTHER\n"
    "E/S:TK20B\n"
    "REC:VR540 \n"
    "NAM:BLANK\n"
    "LFR:fra;Trailing blank\n";

TEST_F(CatalogueTest, StandardModeListsTypesWithALanguageFileForTheRunningLanguage) {
  WriteCatalogue(kCatalogue);
  Touch({"VR540.fra", "EN.gb", "BLANK.fra"});
  EXPECT_EQ(FillReceiverTypeList(w), 1);
  // The duplicate is kept and judged by the first record of that name; the trailing blank
  // makes a name of its own.
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"VR540", "VR540", "VR540 "}));
  EXPECT_EQ(w.receiverTypes.selection, 0);

  // English interface: "LGB:" lines count, "LFR:" lines no longer do.
  LanguageOffset = kEnglishOffset;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"EnglishOnly"}));
  Touch({"VR540.gb"});
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"VR540", "EnglishOnly", "VR540"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CatalogueTest, ExpertModeListsEveryNamedTypeAndDuplicatesFindTheFirstRecord) {
  WriteCatalogue(kCatalogue);
  w.mode = 1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries,
            (Entries{"VR540", "Missing", "EnglishOnly", "VR540", "VR540 "}));
  w.receiverTypes.selection = 3;  // the second "VR540"
  EXPECT_EQ(GetModelName(w), "VR540");
  EXPECT_EQ(GetFamilyTag(w), "VR");
  w.receiverTypes.selection = 4;  // "VR540 "
  EXPECT_EQ(GetModelName(w), "BLANK");
}

TEST_F(CatalogueTest, OnlyExactUpperCaseTagsAtTheStartOfALineCount) {
  WriteCatalogue(
      "rec:lower\r\n"
      " REC:indented\r\n"
      "RE\r\n"
      "\r\n"
      "REC:A\r\n"
      "nam:lower\r\n"
      " NAM:indented\r\n"
      "NAM:  model with blanks  \r\n"
      "NAM:second\r\n"
      "e/s:VR\r\n"
      "WRG:$PKZN,ERR\r\r\n"
      "REC:B\r\n"
      "E/S:TK\r\n"
      "WRG:no line end");
  w.mode = 1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"A", "B"}));
  // Values are verbatim and the first one wins; a CR that is not part of CR LF stays.
  EXPECT_EQ(GetModelName(w), "  model with blanks  ");
  EXPECT_EQ(GetWrongChecksumText(w), "$PKZN,ERR\r");
  // No "E/S:" line in the record: the next record's one is not borrowed.
  EXPECT_EQ(GetFamilyTag(w), "");
  w.receiverTypes.selection = 1;
  EXPECT_EQ(GetFamilyTag(w), "TK");
  EXPECT_EQ(GetWrongChecksumText(w), "no line end");
}

TEST_F(CatalogueTest, RememberedIndexBeyondTheListFallsBackToTheFirstEntry) {
  WriteCatalogue("REC:A\nREC:B\nREC:C\n");
  w.mode = 1;
  w.rememberedTypeIndex = 5;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.selection, 0);
  EXPECT_EQ(w.rememberedTypeIndex, 0);

  w.rememberedTypeIndex = 2;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.selection, 2);
  w.rememberedTypeIndex = 3;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_EQ(w.receiverTypes.selection, 0);
  EXPECT_EQ(w.rememberedTypeIndex, 0);

  w.rememberedTypeIndex = -1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_FALSE(w.receiverTypes.HasSelection());
  EXPECT_EQ(w.rememberedTypeIndex, -1);
  EXPECT_EQ(GetModelName(w), "");
  EXPECT_TRUE(ui.messages.empty());

  // An empty list leaves nothing selected.
  WriteCatalogue("REC:\n");
  w.rememberedTypeIndex = 0;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_TRUE(w.receiverTypes.entries.empty());
  EXPECT_FALSE(w.receiverTypes.HasSelection());
}

TEST_F(CatalogueTest, MissingCatalogueIsReportedByEveryOperationAndKeepsTheList) {
  WriteCatalogue("REC:A\nNAM:MODEL\n");
  w.mode = 1;
  ASSERT_EQ(FillReceiverTypeList(w), 1);
  std::filesystem::remove(dir.File("chgt.cfg"));
  EXPECT_EQ(FillReceiverTypeList(w), -1);
  EXPECT_EQ(w.receiverTypes.entries, (Entries{"A"}));
  EXPECT_EQ(w.receiverTypes.selection, 0);
  EXPECT_EQ(GetModelName(w), "");
  EXPECT_FALSE(HasLanguageFile(w, "A"));
  // Without a selection the lookup still reports the missing file.
  w.receiverTypes.selection = -1;
  EXPECT_EQ(GetFamilyTag(w), "");
  EXPECT_EQ(CountShown(kMsgCatalogueOpenError, kStyleStop), 4);
  EXPECT_EQ(ui.messages.size(), 4u);
}

TEST_F(CatalogueTest, TheCatalogueFolderIsTheWorkingDirectory) {
  std::string before = TakeCatalogueFolder();
  ASSERT_FALSE(before.empty());
  // A path longer than a first guess at the buffer size.
  std::string deep = dir.File(std::string(200, 'd') + "/" + std::string(200, 'e'));
  std::filesystem::create_directories(deep);
  ASSERT_EQ(::chdir(deep.c_str()), 0);
  std::string taken = TakeCatalogueFolder();
  ASSERT_EQ(::chdir(before.c_str()), 0);
  EXPECT_EQ(std::filesystem::path(taken), std::filesystem::canonical(deep));
}

TEST_F(CatalogueTest, EveryOperationRereadsTheCatalogue) {
  WriteCatalogue("REC:A\nE/S:VR\n");
  SelectType("A");
  EXPECT_EQ(GetFamilyTag(w), "VR");
  WriteCatalogue("REC:A\nE/S:TK20B\n");
  EXPECT_EQ(GetFamilyTag(w), "TK20B");
}

TEST_F(CatalogueTest, LinesOfAnyLengthAreReadWhole) {
  // Longer than the reader's buffer, so lines cross its refills.
  std::string longName(150'000, 'n');
  longName[70'000] = '\r';
  WriteCatalogue("REC:A\nNAM:" + longName + "\nWRG:after\r\nREC:" + longName + "\nE/S:TK\n");
  SelectType("A");
  EXPECT_EQ(GetModelName(w), longName);
  EXPECT_EQ(GetWrongChecksumText(w), "after");
  SelectType(longName);
  EXPECT_EQ(GetFamilyTag(w), "TK");
}

TEST_F(CatalogueTest, UnreadableCatalogueIsReportedNotTakenAsEmpty) {
  // A folder opens but fails to read.
  std::filesystem::create_directory(dir.File("chgt.cfg"));
  w.mode = 1;
  EXPECT_EQ(FillReceiverTypeList(w), 1);
  EXPECT_TRUE(w.receiverTypes.entries.empty());
  EXPECT_EQ(ui.fileReadErrors, 1);
}

TEST_F(CatalogueTest, HasLanguageFileUsesTheRecordsModelNameAndSkipsFolders) {
  WriteCatalogue(
      "REC:A\n"
      "NAM:\n"  // an empty model name does not stop the search
      "LFR:xyz;first\n"
      "NAM:M\n"
      "NAM:IGNORED\n"
      "LFR:fra;French\n"
      "REC:NoModel\n"
      "LFR;no colon, not a tag\n"
      "LFR:gb\n"
      "REC:Next\n"
      "NAM:N\n");
  EXPECT_FALSE(HasLanguageFile(w, "A"));
  std::filesystem::create_directory(dir.File("M.fra"));
  EXPECT_FALSE(HasLanguageFile(w, "A"));
  Touch({"IGNORED.fra"});
  EXPECT_FALSE(HasLanguageFile(w, "A"));
  Touch({"M.xyz"});
  EXPECT_TRUE(HasLanguageFile(w, "A"));
  // No model name (the next record's is not borrowed) and a line without ";": the file
  // would be "." + "" = the folder itself.
  Touch({"N."});
  EXPECT_FALSE(HasLanguageFile(w, "NoModel"));
  EXPECT_FALSE(HasLanguageFile(w, "Unknown"));
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
