#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_user_interaction.h"
#include "tests/cli/fake_interrupts.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Info, ShowsFormCountedLengthAndVersionTextSafelyAndRefusesWhatCannotBeRead) {
  const std::pair<std::string, std::string> cases[] = {
      // Form A: count 4, then 4 + 6 bytes of header text, then a data record.
      {std::string("\x8B\x04VR540 V2.25\x8B\x00", 15),
       "form: A\ncounted length: 12\nversion text: VR540 V2.2\n"},
      // Form B: count 5, five bytes of text, two bytes read and dropped.
      {std::string("\x8A\x05V1.05xy\x8B", 10), "form: B\ncounted length: 7\nversion text: V1.05\n"},
      // An end record first: no header record.
      {"\x8C\x01\x02\x03", "form: none\ncounted length: 0\nversion text: \n"},
      // Shown safely: a Windows-1252 accent, an escape sequence, a C1 escape and a NUL.
      {std::string("\x8A\x0AV\xE9r\x1B[2J\x9B\0zcs", 14),
       "form: B\ncounted length: 12\nversion text: V\xC3\xA9r?[2J\xE2\x80\xBA\n"},
      // In UTF-8: a tab, DEL and a C1 escape are replaced, a no-break space stays.
      {std::string("\x8A\x09\xC3\xA7\t\x7F\xC2\x9B\xC2\xA0!cs", 13),
       "form: B\ncounted length: 11\nversion text: \xC3\xA7???\xC2\xA0!\n"},
  };
  TempDir dir;
  FakeInterrupts interrupts;
  std::ostringstream out, err;
  CCliUserInteraction ui(CliConsole{out, err}, interrupts, std::nullopt);
  for (const auto& [bytes, shown] : cases) {
    out.str("");
    dir.Write("file", bytes);
    EXPECT_EQ(ShowHeaderRecord(dir.File("file"), ui, out, err), kExitLoaded);
    EXPECT_EQ(out.str(), shown);
  }
  EXPECT_EQ(err.str(), "");
  out.str("");
  EXPECT_EQ(ShowHeaderRecord(dir.File("missing.gb"), ui, out, err), kExitUsage);
  EXPECT_NE(err.str().find("cannot open"), std::string::npos);
  EXPECT_EQ(ShowHeaderRecord(dir.Path(), ui, out, err), kExitUsage);
  EXPECT_NE(err.str().find("is a folder"), std::string::npos);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
