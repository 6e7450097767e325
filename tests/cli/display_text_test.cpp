#include <gtest/gtest.h>

#include "cli/display_text.h"

namespace {

TEST(DisplayText, Utf8StaysAndWindows1252IsDecoded) {
  EXPECT_EQ(DisplayText("Version française"), "Version française");
  EXPECT_EQ(DisplayText("Version fran\xE7"
                        "aise"),
            "Version française");
  EXPECT_EQ(DisplayText("\x80 \x9C\xE9"), "€ œé");
  EXPECT_EQ(DisplayText("\x81"), "?");  // undefined in Windows-1252
  EXPECT_EQ(DisplayText(""), "");
}

TEST(DisplayText, InvalidUtf8FallsBackToWindows1252) {
  EXPECT_EQ(DisplayText("é€𝄞"), "é€𝄞");
  EXPECT_EQ(DisplayText("\xC3"), "Ã");                 // cut short
  EXPECT_EQ(DisplayText("\xC0\xAF"), "À¯");            // overlong '/'
  EXPECT_EQ(DisplayText("\xED\xA0\x80"), "í\u00A0€");  // surrogate
  EXPECT_EQ(DisplayText("\xF4\x90\x80\x80"), "ô?€€");  // beyond U+10FFFF
  EXPECT_EQ(DisplayText("\xE9t\xE9"), "été");
}

TEST(DisplayText, ControlCharactersCannotReachTheTerminalAndNulEndsTheText) {
  EXPECT_EQ(DisplayText("a\tb\x1B[2Jc\x7F"), "a?b?[2Jc?");
  EXPECT_EQ(DisplayText("\xC2\x9B"
                        "1m"),
            "?1m");  // a C1 escape written in UTF-8
  EXPECT_EQ(DisplayText(std::string("V1.05\0hidden", 12)), "V1.05");
}

}  // namespace
