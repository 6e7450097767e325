#include "tests/support/json_lite.h"

#include <gtest/gtest.h>

// A truncated or garbled report must not read as one with empty fields.
TEST(JsonLite, ReadsEscapesAndRefusesMalformedText) {
  auto v =
      json_lite::Parse(R"( {"s": "q\"\\\/\n\u00e9\ud83d\ude00", "a": [-2.5e1, true], "s": 1} )");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->at("s").AsString(), "q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(v->at("a").at(0).AsNumber(), -25);
  EXPECT_TRUE(v->at("a").at(1).AsBool());
  for (const char* bad : {"", "{", "[1,]", "{\"a\":1,}", "{\"a\" 1}", "[1 2]", "\"open", "\"\\x\"",
                          "01x", "-", "1.", "1e", "tru", "[1] 2", "\"\x01\"", "{1:2}", "\"\\u12\""})
    EXPECT_FALSE(json_lite::Parse(bad)) << bad;
  EXPECT_FALSE(json_lite::Parse(std::string(1000, '[') + std::string(1000, ']')));
  EXPECT_FALSE(json_lite::BytesFromHex("ABC"));
  EXPECT_EQ(json_lite::BytesFromHex("008BfF0d"), (std::vector<std::uint8_t>{0, 0x8B, 0xFF, 0x0D}));
}
