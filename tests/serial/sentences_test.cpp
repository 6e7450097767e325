#include <gtest/gtest.h>

#include "serial/sentences.h"
#include "tests/support/fake_link.h"

namespace {

TEST(Sentences, SumsAndStoredSentencesAgree) {
  EXPECT_EQ(SentenceSum("abc"), 0x0126);
  EXPECT_EQ(SentenceSum("$PKZN,04,01,01,"), 0x033D);
  EXPECT_EQ(SentenceSum("$PKZN,04,01,02,"), 0x033E);
  EXPECT_EQ(SentenceSum("$PKZN,0C,00,"), 0x02BE);
  // Bytes above 127 count as negative numbers.
  EXPECT_EQ(SentenceSum("\x80"), 0xFF80);
  EXPECT_EQ(BuildProprietarySentence(0x04, "01"), std::string(kFirstWakeSentence));
  EXPECT_EQ(BuildProprietarySentence(0x04, "02"), std::string(kSecondWakeSentence));
  EXPECT_EQ(BuildProprietarySentence(0x0C, ""), std::string(kReadOutRequestVr));
  EXPECT_EQ(BuildProprietarySentence(0x24, "510000"), "$PKZN,24,03,510000,0406\r\n");
  // An odd number of data characters is sent whole; the count is rounded down.
  EXPECT_EQ(BuildProprietarySentence(0x24, "51000").substr(0, 18), "$PKZN,24,02,51000,");
  // Sums above FF keep four digits, high byte first, with leading zeros.
  EXPECT_EQ(BuildProprietarySentence(0x00, ""), "$PKZN,00,00,02AB\r\n");
  EXPECT_EQ(kLoadMarkerTk.size(), 9u);
  EXPECT_EQ(kReadOutMarkerTk.back(), '\0');
  EXPECT_EQ(RecordReplyWord('P', 0xAB), "PAB\r\n");
  EXPECT_EQ(RecordReplyWord('M', 0x05), "M05\r\n");
}

TEST(Sentences, SentenceGoesOutInOneWriteStoredTextOneBytePerWrite) {
  CVirtualClock clock;
  FakeLink link(clock);
  ASSERT_TRUE(link.OpenPort(1, 4800, 'N', 8, 2));
  EXPECT_EQ(SendProprietarySentence(link, 0x24, "510000"), 25u);
  ASSERT_EQ(link.writes.size(), 1u);
  SendStoredText(link, kLoadMarkerTk, &clock, 2);
  EXPECT_EQ(link.writes.size(), 10u);
  EXPECT_EQ(clock.NowMs(), 18);
  EXPECT_EQ(link.writes.back().bytes, std::vector<std::uint8_t>{0});

  // A port that takes no byte (an adapter gone, a line that does not move): the text stops at
  // the first byte, so the serial layer tells the failure once and not once per byte.
  struct RefusingLink : FakeLink {
    using FakeLink::FakeLink;
    std::uint32_t WriteToPort(const std::uint8_t*, std::uint32_t) override {
      ++attempts;
      return 0;
    }
    int attempts = 0;
  } refusing(clock);
  EXPECT_TRUE(SendStoredText(link, kFirstWakeSentence));
  EXPECT_FALSE(SendStoredText(refusing, kFirstWakeSentence, &clock, 2));
  EXPECT_EQ(refusing.attempts, 1);
}

}  // namespace
