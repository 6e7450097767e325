#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_user_interaction.h"
#include "tests/cli/fake_interrupts.h"
#include "tests/support/temp_dir.h"

namespace {

class InfoTest : public ::testing::Test {
 protected:
  int Info(const std::string& path) {
    out.str("");
    err.str("");
    CCliUserInteraction ui(CliConsole{out, err}, interrupts, std::nullopt);
    return ShowHeaderRecord(path, ui, out, err);
  }

  TempDir dir;
  std::ostringstream out;
  std::ostringstream err;
  FakeInterrupts interrupts;
};

TEST_F(InfoTest, ShowsFormCountedLengthAndVersionText) {
  // Form A: count 4, then 4 + 6 bytes of header text, then a data record.
  dir.Write("a.gb", std::string("\x8B\x04"
                                "VR540 V2.25"
                                "\x8B\x00",
                                15));
  EXPECT_EQ(Info(dir.File("a.gb")), kExitLoaded);
  EXPECT_EQ(out.str(), "form: A\ncounted length: 12\nversion text: VR540 V2.2\n");
  // Form B: count 5, five bytes of text, two bytes read and dropped.
  dir.Write("b.fra", std::string("\x8A\x05V1.05xy\x8B", 10));
  EXPECT_EQ(Info(dir.File("b.fra")), kExitLoaded);
  EXPECT_EQ(out.str(), "form: B\ncounted length: 7\nversion text: V1.05\n");
  // An end record first: no header record.
  dir.Write("none", "\x8C\x01\x02\x03");
  EXPECT_EQ(Info(dir.File("none")), kExitLoaded);
  EXPECT_EQ(out.str(), "form: none\ncounted length: 0\nversion text: \n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(InfoTest, VersionTextIsShownSafely) {
  // A Windows-1252 accent, an escape sequence and a NUL inside the text.
  dir.Write("odd", std::string("\x8A\x0A"
                               "V\xE9r\x1B[2J\0zz"
                               "cs",
                               14));
  EXPECT_EQ(Info(dir.File("odd")), kExitLoaded);
  EXPECT_EQ(out.str(), "form: B\ncounted length: 12\nversion text: Vér?[2J\n");
}

TEST_F(InfoTest, FilesThatCannotBeReadAreUsageErrors) {
  EXPECT_EQ(Info(dir.File("missing.gb")), kExitUsage);
  EXPECT_NE(err.str().find("cannot open"), std::string::npos);
  EXPECT_EQ(Info(dir.Path()), kExitUsage);
  EXPECT_NE(err.str().find("is a folder"), std::string::npos);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
