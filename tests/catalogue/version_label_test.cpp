#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace {

// Form A: 0x8B, count n, n + 6 bytes of header text; then a data record follows.
std::string FormA(const std::string& headerText) {
  std::string file{static_cast<char>(0x8B), static_cast<char>(headerText.size() - 6)};
  return file + headerText + "\x8B\x01\x00\x00\x00\xAA\xBB\x00";
}
// Form B: 0x8A, count m, m bytes of header text, two dropped bytes.
std::string FormB(const std::string& headerText) {
  std::string file{static_cast<char>(0x8A), static_cast<char>(headerText.size())};
  return file + headerText + "\x01\x02\x8C";
}

class VersionLabelTest : public CatalogueTest {
 protected:
  // Expert mode with a receiver type of `family` and `model`, sending `content`.
  void Prepare(const std::string& family, const std::string& model, const std::string& content) {
    WriteCatalogue("REC:T\nNAM:" + model + "\nE/S:" + family + "\n");
    SelectType("T");
    w.mode = 1;
    SendFile(content);
  }
  void SendFile(const std::string& content) {
    dir.Write("file.bin", content);
    w.folder = dir.Path() + kPathSeparator;
    w.fileName = "file.bin";
  }
};

TEST_F(VersionLabelTest, SecondFamilyShowsTheWholeVersionText) {
  Prepare("TK20B", "TK20B", FormB("ABCDE"));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, "Version : ABCDE");

  // Versions of 128 characters and more are shown in full, not dropped or wrapped.
  for (std::size_t length : {128u, 206u, 256u, 261u}) {
    std::string text(length, 'v');
    text.back() = 'E';
    SendFile(FormA(text));
    EXPECT_EQ(ReadVersionText(w), static_cast<int>(length));
    UpdateVersionLabel(w);
    EXPECT_EQ(w.versionLabel, "Version : " + text) << length;
  }

  SendFile(FormB(std::string("AB\0CD", 5)));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, "Version : AB");

  // No header record, or no file: 22 blanks.
  SendFile("\x8C\x00\x00");
  EXPECT_EQ(ReadVersionText(w), -2);
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, std::string(22, ' '));
  w.fileName = "gone.bin";
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, std::string(22, ' '));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.fileReadErrors, 0);
}

// Header text "HDR" then label positions 1 to 21; the number starts at label position 9.
std::string LabelHeader(const std::string& number) {
  std::string body = "VR540 V " + number;
  body.resize(21, '-');
  return "HDR" + body;
}

TEST_F(VersionLabelTest, PositionTwelveIsBlankedPerModelAndVersionNumber) {
  struct Case {
    const char* model;
    const char* number;
    bool blanked;
  };
  const Case cases[] = {
      {"VR540", "2.25", true},  {"VR540", "2.30", false},  {"VR540_2", "2.29", true},
      {"VR540_3", "2", true},   {"VRMAX", "2.3e", false},  {"VR540", " 2.29", true},
      {"VR540", "x2.9", true},  {"TK10B", "1.35", true},   {"TK10B", "1.40", false},
      {"TK10B", "-9.5", true},  {"QMV", "9.99", true},     {"QMV", "", true},
      {"vr540", "1.00", false}, {"VR540 ", "1.00", false}, {"VR", "1.00", false},
      {"OTHER", "0.00", false},
  };
  for (const Case& c : cases) {
    Prepare("VR", c.model, FormA(LabelHeader(c.number)));
    UpdateVersionLabel(w);
    std::string expected = " " + LabelHeader(c.number).substr(3);
    if (c.blanked) expected[12] = ' ';
    EXPECT_EQ(w.versionLabel, expected) << c.model << " " << c.number;
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VersionLabelTest, FirstFamilyLabelNeverShowsBytesOfAnEarlierFile) {
  Prepare("TK", "QMV", FormA(std::string(40, 'Z')));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, " " + std::string(11, 'Z') + " " + std::string(9, 'Z'));

  // A shorter header text: the label positions beyond it are blanks.
  SendFile(FormB("HDRAB"));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, " AB" + std::string(19, ' '));
  SendFile(FormB(""));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, std::string(22, ' '));

  // A version text of 128 characters is a version, not an absent one.
  SendFile(FormA("HDR" + std::string(125, 'q')));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, " " + std::string(11, 'q') + " " + std::string(9, 'q'));

  // A NUL byte ends what is shown.
  SendFile(FormA(std::string("HDRabcd\0efgh", 12)));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, " abcd");

  // No file to send, or only a folder: an empty label and no message.
  w.fileName = "";
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, "");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.fileReadErrors, 0);
}

TEST_F(VersionLabelTest, StandardModeLabelFollowsTheSelectedLanguageVersion) {
  WriteCatalogue(
      "REC:Receiver\nNAM:TK20B\nE/S:TK20B\nLFR:fra;Fran\xe7"
      "ais\nLFR:gb;Anglais\n");
  dir.Write("TK20B.fra", FormB("F-1.0"));
  dir.Write("TK20B.gb", FormB("G-2.0"));
  SelectType("Receiver");
  FillLanguageVersionList(w);
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, "Version : F-1.0");
  w.languageVersions.selection = 1;
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, "Version : G-2.0");
  EXPECT_EQ(w.FilePath(), dir.File("TK20B.gb"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VersionLabelTest, WithoutASelectedTypeThePreviousFileIsShownInTheFirstFamilyFormat) {
  Prepare("TK20B", "TK20B", FormA(LabelHeader("1.00")));
  w.mode = 0;
  w.receiverTypes.selection = -1;
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, " " + LabelHeader("1.00").substr(3));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VersionLabelTest, MissingCatalogueIsReportedOncePerFailingLookup) {
  Prepare("VR", "QMV", FormA(LabelHeader("1.00")));
  w.mode = 0;
  w.languageVersions.entries = {"kept"};
  w.languageVersions.selection = 0;
  std::filesystem::remove(dir.File("chgt.cfg"));
  FillLanguageVersionList(w);
  EXPECT_EQ(w.languageVersions.entries, (Entries{"kept"}));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.FilePath(), dir.File("file.bin"));
  // Two for the list (model name, own open), then family tag, model name and own open of
  // the resolution, and the model name for the label; never message 129.
  EXPECT_EQ(CountShown(kMsgCatalogueOpenError, kStyleStop), 6);
  EXPECT_EQ(ui.messages.size(), 6u);
  // Without a family tag the file is shown in the first family's format, model unknown.
  EXPECT_EQ(w.versionLabel, " " + LabelHeader("1.00").substr(3));
}

TEST(VersionNumber, ReadsTheLongestDecimalPrefix) {
  const std::pair<const char*, double> cases[] = {
      {"2.25", 2.25},  {" \t\n2.3xyz", 2.3}, {"+1.4", 1.4}, {"-0.5", -0.5},
      {".5", 0.5},     {"5.", 5.0},          {"1e1", 10.0}, {"1e", 1.0},
      {"1e-", 1.0},    {"2.5e-1", 0.25},     {"0x10", 0.0}, {"", 0.0},
      {".", 0.0},      {"+.e1", 0.0},        {"abc", 0.0},  {"1e-999", 0.0},
      {"0e999", 0.0},  {"inf", 0.0},         {"nan", 0.0},  {"1,5", 1.0},
      {"12 34", 12.0},
  };
  for (auto [text, value] : cases) {
    EXPECT_EQ(ReadVersionNumber(text), value) << '"' << text << '"';
  }
  EXPECT_EQ(ReadVersionNumber("1e999"), HUGE_VAL);
  EXPECT_EQ(ReadVersionNumber("-100e307"), -HUGE_VAL);
  EXPECT_EQ(ReadVersionNumber("0.01e310"), 1e308);
}

// Builds a French locale in a temporary folder when the system has none installed.
bool UseFrenchNumbers(const TempDir& dir) {
  for (const char* name : {"fr_FR.UTF-8", "fr_FR.utf8", "fr_FR"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) return true;
  }
  std::string command = "localedef -i fr_FR -f UTF-8 " + dir.File("fr_FR.UTF-8") + " 2>/dev/null";
  if (std::system(command.c_str()) != 0 && !std::filesystem::exists(dir.File("fr_FR.UTF-8"))) {
    return false;
  }
  setenv("LOCPATH", dir.Path().c_str(), 1);
  bool ok = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
  unsetenv("LOCPATH");
  return ok;
}

TEST_F(VersionLabelTest, TheProcessLocaleDoesNotChangeTheVersionNumber) {
  struct RestoreLocale {
    ~RestoreLocale() { std::setlocale(LC_NUMERIC, "C"); }
  } restore;
  TempDir localeDir;
  if (!UseFrenchNumbers(localeDir)) GTEST_SKIP() << "no French locale can be made here";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(ReadVersionNumber("2.30"), 2.3);
  EXPECT_EQ(ReadVersionNumber("2,30"), 2.0);
  Prepare("VR", "VR540", FormA(LabelHeader("2.30")));
  UpdateVersionLabel(w);
  EXPECT_EQ(w.versionLabel, " " + LabelHeader("2.30").substr(3));
}

}  // namespace
