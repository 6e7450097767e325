#include "tests/support/json_lite.h"

#include <gtest/gtest.h>

using json_lite::Parse;

TEST(JsonLite, ReadsNestedValuesAndRefusesMalformedText) {
  auto v = Parse(R"( {"a": [1, -2.5, 3e2, true, null], "s": "q\"\\\/\n\u00e9\ud83d\ude00",
                      "o": {"k": "v"}, "a": "second"} )");
  ASSERT_TRUE(v);
  const auto& a = v->at("a");  // the first member of a name wins
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a.at(0).AsInt(), 1);
  EXPECT_DOUBLE_EQ(a.at(1).AsNumber(), -2.5);
  EXPECT_EQ(a.at(2).AsInt(), 300);
  EXPECT_TRUE(a.at(3).AsBool());
  EXPECT_TRUE(a.at(4).IsNull());
  EXPECT_EQ(v->at("s").AsString(), "q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(v->at("o").at("k").AsString(), "v");
  // Absent members and indexes read as null.
  EXPECT_EQ(v->at("missing").at("deeper").AsString(), "");
  EXPECT_TRUE(a.at(99).IsNull());
  for (const char* bad : {"", "{", "[1,]", "{\"a\":1,}", "{\"a\" 1}", "[1 2]", "\"open", "\"\\x\"",
                          "01x", "-", "1.", "1e", "tru", "[1] 2", "\"\x01\"", "{1:2}", "\"\\u12\""})
    EXPECT_FALSE(Parse(bad)) << bad;
  EXPECT_FALSE(Parse(std::string(1000, '[') + std::string(1000, ']')));
  EXPECT_FALSE(json_lite::BytesFromHex("ABC"));
  EXPECT_EQ(json_lite::BytesFromHex("008BfF0d"), (std::vector<std::uint8_t>{0, 0x8B, 0xFF, 0x0D}));
}
