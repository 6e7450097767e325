#include <gtest/gtest.h>

#include "cli/display_text.h"

namespace {

TEST(DisplayText, DecodesLikeTheWindowButLetsNoControlCharacterThrough) {
  EXPECT_EQ(DisplayText("Version fran\xE7"
                        "aise"),
            "Version française");
  EXPECT_EQ(DisplayText("a\tb\x1B[2Jc\x7F"), "a?b?[2Jc?");
  EXPECT_EQ(DisplayText("\xC2\x9B"
                        "1m"),
            "?1m");  // a C1 escape written in UTF-8
  EXPECT_EQ(DisplayText("\x9B"
                        "1m\xE9"),
            "›1mé");  // the same byte in Windows-1252
  EXPECT_EQ(DisplayText("a\xC2\xA0"
                        "b"),
            "a\xC2\xA0"
            "b");  // a no-break space stays
  EXPECT_EQ(DisplayText(std::string("V1.05\0hidden", 12)), "V1.05");
}

}  // namespace
