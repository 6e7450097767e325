#include <gtest/gtest.h>

#include "loader/second/tk_reply.h"
#include "tests/second/tk_harness.h"

namespace {

ReplyOutcome RecogniseTakes(std::uint8_t record, std::initializer_list<std::string> takes) {
  CReplyWindow window(record);
  for (const std::string& take : takes)
    window.Take(reinterpret_cast<const std::uint8_t*>(take.data()), take.size());
  return window.Recognise();
}

TEST(TkReplyWindow, RecognisesTheWordsOfTheRecordSentOnly) {
  EXPECT_EQ(RecogniseTakes(0x05, {"P05\r\n"}), ReplyP);
  EXPECT_EQ(RecogniseTakes(0x05, {"M05\r\n"}), ReplyM);
  EXPECT_EQ(RecogniseTakes(0x05, {"I05\r\n"}), ReplyI);
  EXPECT_EQ(RecogniseTakes(0x00, {"ECP\r\n"}), ReplyECP);
  EXPECT_EQ(RecogniseTakes(0x00, {"ECC\r\n"}), ReplyECC);
  EXPECT_EQ(RecogniseTakes(0x00, {"ETA\r\n"}), ReplyETA);
  EXPECT_EQ(RecogniseTakes(0xFF, {"POK\r\n"}), ReplyPOK);
  // The answer to an earlier record, a word without its line end, lower-case digits.
  EXPECT_EQ(RecogniseTakes(0x05, {"P04\r\n"}), ReplyTimeout);
  EXPECT_EQ(RecogniseTakes(0x05, {"xP05\r"}), ReplyTimeout);
  EXPECT_EQ(RecogniseTakes(0xAB, {"Pab\r\n"}), ReplyTimeout);
  EXPECT_EQ(RecogniseTakes(0xAB, {"PAB\r\n"}), ReplyP);
}

TEST(TkReplyWindow, PrecedenceDoesNotDependOnArrival) {
  EXPECT_EQ(RecogniseTakes(0x10, {"M10\r\n", "P10\r\n"}), ReplyP);
  EXPECT_EQ(RecogniseTakes(0x10, {"POK\r\nECP\r\nI10\r\nM10\r\n"}), ReplyM);
  EXPECT_EQ(RecogniseTakes(0x10, {"POK\r\nETA\r\nI10\r\n"}), ReplyI);
  EXPECT_EQ(RecogniseTakes(0x10, {"POK\r\nECC\r\n"}), ReplyECC);
}

TEST(TkReplyWindow, CollectsTakesUntilItWouldOverflow) {
  // Split over takes: found once its last byte is in.
  EXPECT_EQ(RecogniseTakes(0x21, {"P", "2", "1\r", "\n"}), ReplyP);
  EXPECT_EQ(RecogniseTakes(0x21, {"P21\r"}), ReplyTimeout);
  // 45 bytes of noise and the word: 50 bytes fit.
  EXPECT_EQ(RecogniseTakes(0x21, {std::string(45, 'x'), "P21\r\n"}), ReplyP);
  // One byte more and everything held goes, the word with it; later bytes start afresh.
  EXPECT_EQ(RecogniseTakes(0x21, {std::string(46, 'x'), "P21\r\n"}), ReplyTimeout);
  EXPECT_EQ(RecogniseTakes(0x21, {std::string(46, 'x'), "P21\r\n", "P21\r\n"}), ReplyP);
  EXPECT_EQ(RecogniseTakes(0x21, {std::string(51, 'x'), "POK\r\n"}), ReplyPOK);
  // A zero byte ends the text; words behind it stay hidden.
  EXPECT_EQ(RecogniseTakes(0x21, {std::string("ab\0P21\r\n", 8)}), ReplyTimeout);
  // A full window without any zero byte is searched up to its fill and no further.
  CReplyWindow full(0x21);
  std::string noise(50, 'P');
  full.Take(reinterpret_cast<const std::uint8_t*>(noise.data()), noise.size());
  EXPECT_EQ(full.Fill(), 50u);
  EXPECT_EQ(full.Recognise(), ReplyTimeout);
}

TEST(TkAwaitReply, WaitsFifteenHundredMillisecondsWithoutExtension) {
  TkHarness h;
  ASSERT_EQ(h.link.OpenPort(1, 115200, 'N', 8, 1), 1);
  // Bytes that came while the record was written count.
  h.link.DeliverAfter(0, "P07\r\n");
  EXPECT_EQ(TkAwaitReply(h.w, 0x07), ReplyP);
  EXPECT_LE(h.clock.NowMs(), 1001);

  std::int64_t start = h.clock.NowMs();
  h.link.DeliverAfter(1499, "I07\r\n");
  EXPECT_EQ(TkAwaitReply(h.w, 0x07), ReplyI);
  EXPECT_EQ(h.clock.NowMs() - start, 1499);

  // Chatter that never forms a word does not keep the wait alive.
  start = h.clock.NowMs();
  for (int t = 0; t < 3000; t += 100)
    h.link.DeliverAfter(t, "x");
  h.link.DeliverAfter(1500, "P07\r\n");
  EXPECT_EQ(TkAwaitReply(h.w, 0x07), ReplyTimeout);
  EXPECT_EQ(h.clock.NowMs() - start, 1500);
}

}  // namespace
