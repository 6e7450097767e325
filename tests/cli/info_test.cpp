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
      // A Windows-1252 accent, an escape sequence and a NUL inside the text.
      {std::string("\x8A\x0AV\xE9r\x1B[2J\0zzcs", 14),
       "form: B\ncounted length: 12\nversion text: Vér?[2J\n"},
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
