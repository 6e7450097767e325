#include <gtest/gtest.h>

#include "cli/display_text.h"

namespace {

TEST(DisplayText, DecodesLikeTheWindowButLetsNoControlCharacterThrough) {
  // Tab, escape, DEL and a C1 escape written in UTF-8 become '?'; a no-break space stays; a
  // NUL ends the text.
  EXPECT_EQ(DisplayText(std::string("fran\xC3\xA7"
                                    "a\tb\x1B[2J\x7F\xC2\x9B"
                                    "1m\xC2\xA0|\0hidden",
                                    28)),
            "fran\xC3\xA7"
            "a?b?[2J??1m\xC2\xA0|");
  EXPECT_EQ(DisplayText("fran\xE7"
                        "aise \x9B"
                        "1m"),
            "française ›1m");  // the same C1 byte in Windows-1252
}

}  // namespace
