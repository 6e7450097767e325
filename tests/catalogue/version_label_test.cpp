#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "app/window_selection.h"
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
// Header text "HDR" then label positions 1 to 21; the number starts at label position 9.
std::string LabelHeader(const std::string& number) {
  std::string body = "VR540 V " + number;
  body.resize(21, '-');
  return "HDR" + body;
}
std::string FirstFamilyLabel(const std::string& number) {
  return " " + LabelHeader(number).substr(3);
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
  std::string Label() {
    UpdateVersionLabel(w);
    return w.versionLabel;
  }
};

TEST_F(VersionLabelTest, LabelShowsTheHeaderOfTheFileToSendAndNothingOfAnEarlierOne) {
  auto text = [](std::size_t length, char c) { return std::string(length - 1, c) + "E"; };
  const std::string none = "<none>", blanks(22, ' ');
  struct Case {
    const char* family;
    std::string file, expected;
  };
  // In this order: each file follows a longer header.
  const Case cases[] = {
      {"TK20B", FormB("ABCDE"), "Version : ABCDE"},
      // Versions of 128 characters and more are shown whole, not dropped or wrapped.
      {"TK20B", FormA(text(261, 'v')), "Version : " + text(261, 'v')},
      {"TK20B", FormA(text(128, 'w')), "Version : " + text(128, 'w')},
      {"TK20B", FormB(std::string("AB\0CD", 5)), "Version : AB"},
      {"TK20B", std::string("\x8C\x00\x00", 3), blanks},  // no header record
      {"TK20B", none, blanks},
      {"TK", FormA(std::string(40, 'Z')), " " + std::string(11, 'Z') + " " + std::string(9, 'Z')},
      // Label positions beyond a short header text are blanks.
      {"TK", FormB("HDRAB"), " AB" + std::string(19, ' ')},
      {"TK", FormB(""), blanks},
      {"TK", FormA("HDR" + std::string(125, 'q')),
       " " + std::string(11, 'q') + " " + std::string(9, 'q')},
      {"TK", FormA(std::string("HDRabcd\0efgh", 12)), " abcd"},
      {"TK", none, ""},
  };
  for (const Case& c : cases) {
    Prepare(c.family, "QMV", c.file);
    if (c.file == none) w.fileName = "";
    EXPECT_EQ(Label(), c.expected) << c.family << " " << c.file.size();
  }
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.fileReadErrors, 0);
}

TEST_F(VersionLabelTest, PositionTwelveIsBlankedPerModelAndVersionNumber) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      // model, number, blanked
      {"VR540", "2.25", true},  {"VR540", "2.30", false},  {"VR540_2", "2.29", true},
      {"VR540_3", "2", true},   {"VRMAX", "2.3e", false},  {"VR540", " 2.29", true},
      {"VR540", "x2.9", true},  {"TK10B", "1.35", true},   {"TK10B", "1.40", false},
      {"TK10B", "-9.5", true},  {"QMV", "9.99", true},     {"QMV", "", true},
      {"vr540", "1.00", false}, {"VR540 ", "1.00", false}, {"VR", "1.00", false},
      {"OTHER", "0.00", false},
  };
  for (auto [model, number, blanked] : cases) {
    Prepare("VR", model, FormA(LabelHeader(number)));
    std::string expected = FirstFamilyLabel(number);
    if (blanked) expected[12] = ' ';
    EXPECT_EQ(Label(), expected) << model << " " << number;
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VersionLabelTest, StandardModeLabelFollowsTheSelectedVersionOrElseThePreviousFile) {
  WriteCatalogue(
      "REC:Receiver\nNAM:TK20B\nE/S:TK20B\nLFR:fra;Fran\xe7"
      "ais\nLFR:gb;Anglais\n");
  dir.Write("TK20B.fra", FormB("F-1.0"));
  dir.Write("TK20B.gb", FormB("G-2.0"));
  SelectType("Receiver");
  FillLanguageVersionList(w);
  EXPECT_EQ(Label(), "Version : F-1.0");
  w.languageVersions.selection = 1;
  EXPECT_EQ(Label(), "Version : G-2.0");
  EXPECT_EQ(w.FilePath(), dir.File("TK20B.gb"));
  // Without a selected type the file stays and is shown in the first family's format.
  SendFile(FormA(LabelHeader("1.00")));
  w.receiverTypes.selection = -1;
  EXPECT_EQ(Label(), FirstFamilyLabel("1.00"));
  EXPECT_TRUE(ui.messages.empty());

  // The catalogue gone: the list and the file stay, and without a family tag the file is
  // shown in the first family's format.
  w.receiverTypes.selection = 0;
  std::filesystem::remove(dir.File("chgt.cfg"));
  FillLanguageVersionList(w);
  EXPECT_EQ(w.languageVersions.entries.size(), 2u);
  EXPECT_EQ(Label(), FirstFamilyLabel("1.00"));
  EXPECT_EQ(w.FilePath(), dir.File("file.bin"));
  // Two for the list (model name, own open), then family tag, model name and own open of
  // the resolution, and the model name for the label; never message 129.
  EXPECT_EQ(CountShown(kMsgCatalogueOpenError, kStyleStop), 6);
  EXPECT_EQ(ui.messages.size(), 6u);
}

TEST(VersionNumber, ReadsTheLongestDecimalPrefix) {
  const std::pair<const char*, double> cases[] = {
      {"2.25", 2.25},  {" \t\n2.3xyz", 2.3}, {"+1.4", 1.4}, {"-0.5", -0.5},
      {".5", 0.5},     {"5.", 5.0},          {"1e1", 10.0}, {"1e", 1.0},
      {"1e-", 1.0},    {"2.5e-1", 0.25},     {"0x10", 0.0}, {"", 0.0},
      {".", 0.0},      {"+.e1", 0.0},        {"abc", 0.0},  {"1e-999", 0.0},
      {"0e999", 0.0},  {"inf", 0.0},         {"nan", 0.0},  {"1,5", 1.0},
      {"12 34", 12.0}, {"0.01e310", 1e308},
  };
  for (auto [text, value] : cases) {
    EXPECT_EQ(ReadVersionNumber(text), value) << '"' << text << '"';
  }
  EXPECT_EQ(ReadVersionNumber("1e999"), HUGE_VAL);
  EXPECT_EQ(ReadVersionNumber("-100e307"), -HUGE_VAL);
}

// A French numeric locale, where the decimal separator is a comma.
bool SetFrenchNumericLocale(const TempDir& localeDir) {
#ifdef _WIN32
  (void)localeDir;
  return std::setlocale(LC_NUMERIC, "French_France.1252") != nullptr ||
         std::setlocale(LC_NUMERIC, "fr-FR") != nullptr;
#else
  if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr) return true;
  // None installed: build one in a temporary folder (localedef fails on mere warnings).
  std::string command = "localedef -i fr_FR -f UTF-8 " + localeDir.File("fr_FR") + " 2>/dev/null";
  [[maybe_unused]] int status = std::system(command.c_str());
  setenv("LOCPATH", localeDir.Path().c_str(), 1);
  bool made = std::setlocale(LC_NUMERIC, "fr_FR") != nullptr;
  unsetenv("LOCPATH");
  return made;
#endif
}

TEST(VersionNumber, TheProcessLocaleDoesNotChangeIt) {
  struct RestoreLocale {
    ~RestoreLocale() { std::setlocale(LC_NUMERIC, "C"); }
  } restore;
  TempDir localeDir;
  if (!SetFrenchNumericLocale(localeDir)) GTEST_SKIP() << "no French locale can be made here";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(ReadVersionNumber("2.30"), 2.3);
  EXPECT_EQ(ReadVersionNumber("2,30"), 2.0);
}

// As a value, from a path: the model name is asked only for a first-family file with a
// version text, and the window's label is left alone.
TEST_F(VersionLabelTest, LabelOfAPathAsksTheModelNameOnlyWhenItMatters) {
  dir.Write("a.bin", FormA(LabelHeader("1.00")));
  dir.Write("b.bin", FormB("B-1.0"));
  struct Case {
    const char* file;
    const char* family;
    std::string expected;
    int modelAsked;
  };
  std::string blanked = FirstFamilyLabel("1.00");
  blanked[12] = ' ';
  const Case cases[] = {
      {"a.bin", "VR", blanked, 1},
      {"b.bin", "TK20B", "Version : B-1.0", 0},
      {"missing.bin", "VR", "", 0},
      {"missing.bin", "TK20B", std::string(22, ' '), 0},
  };
  w.versionLabel = "kept";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + std::string(" ") + c.family);
    int asked = 0;
    const VersionLabelForm form = std::string(c.family) == "TK20B" ? VersionLabelForm::kSecondFamily
                                                                   : VersionLabelForm::kFirstFamily;
    EXPECT_EQ(VersionLabel(dir.File(c.file), form, ui,
                           [&asked] {
                             ++asked;
                             return std::string("QMV");
                           }),
              c.expected);
    EXPECT_EQ(asked, c.modelAsked);
  }
  EXPECT_EQ(w.versionLabel, "kept");
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
