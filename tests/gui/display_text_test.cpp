// Catalogue bytes decoded for display: UTF-8 when valid, Windows-1252 otherwise.
#include "app/display_text.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayText, ValidUtf8IsKeptAsItIs) {
  EXPECT_EQ(DisplayTextFromBytes("TK20B"), "TK20B");
  EXPECT_EQ(DisplayTextFromBytes("Version française"), "Version française");
  EXPECT_EQ(DisplayTextFromBytes("Norv\xC3\xA9gienne \xE2\x82\xAC \xF0\x9F\x93\xA1"),
            "Norv\xC3\xA9gienne \xE2\x82\xAC \xF0\x9F\x93\xA1");
  EXPECT_EQ(DisplayTextFromBytes(""), "");
}

TEST(DisplayText, WindowsCatalogueTextIsReadAs1252) {
  EXPECT_EQ(DisplayTextFromBytes("Version fran\xE7"
                                 "aise"),
            "Version française");
  EXPECT_EQ(DisplayTextFromBytes("Su\xE9"
                                 "doise, Indon\xE9sienne, \xC0 \xFF"),
            "Suédoise, Indonésienne, À ÿ");
  // The 0x80 to 0x9F block is where 1252 differs from Latin-1.
  EXPECT_EQ(DisplayTextFromBytes("\x80 \x8C\x9C \x93q\x94 \x96 \x99"), "€ Œœ “q” – ™");
  // Bytes 1252 leaves undefined become the replacement character.
  EXPECT_EQ(DisplayTextFromBytes("a\x81z\x9D"), "a\xEF\xBF\xBDz\xEF\xBF\xBD");
}

TEST(DisplayText, MalformedUtf8FallsBackTo1252AsAWhole) {
  // Overlong "/", a UTF-16 surrogate, a code point above U+10FFFF, a sequence cut short at
  // the end, a continuation byte alone: none is UTF-8.
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
  EXPECT_FALSE(IsValidUtf8("caf\xC3"));
  EXPECT_FALSE(IsValidUtf8("\xA9"));
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));
  EXPECT_EQ(DisplayTextFromBytes("\xC3\xA9t\xE9"), "Ã©té");
}

}  // namespace
