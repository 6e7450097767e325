// What the windows show of text the catalogue and the program files carry: UTF-8 when it is
// valid throughout, else Windows-1252, never a mix.
#include "base/display_text.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(DisplayText, ValidUtf8IsKeptAndAnythingElseIsReadAs1252AsAWhole) {
  const std::pair<const char*, const char*> cases[] = {
      {"Norv\xC3\xA9gienne \xE2\x82\xAC \xF0\x9F\x93\xA1 \xF4\x8F\xBF\xBF",
       "Norv\xC3\xA9gienne \xE2\x82\xAC \xF0\x9F\x93\xA1 \xF4\x8F\xBF\xBF"},
      {"\xC0 \xFF Su\xE9", "À ÿ Sué"},
      // 0x80 to 0x9F is where 1252 differs from Latin-1; 0x81, 0x90 and 0x9D are undefined.
      {"\x80 \x8C\x9C \x93q\x94 \x96 \x99 \x81\x9D", "€ Œœ “q” – ™ \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xC3\xA9t\xE9", "Ã©té"},
      // Overlong "/", a surrogate, above U+10FFFF, cut short, a lone continuation byte.
      {"\xC0\xAF", "À¯"},
      {"\xED\xA0\x80", "í\xC2\xA0€"},
      {"\xF4\x90\x80\x80", "ô\xEF\xBF\xBD€€"},
      {"caf\xC3", "cafÃ"},
  };
  for (const auto& [bytes, shown] : cases)
    EXPECT_EQ(DisplayTextFromBytes(bytes), shown) << bytes;
}

}  // namespace
