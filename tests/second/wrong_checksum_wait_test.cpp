#include <gtest/gtest.h>

#include "loader/first/wrong_checksum_wait.h"
#include "tests/second/tk_harness.h"

namespace {

TEST(WrongChecksumWait, FindsTheTextAcrossDeliveriesAndZeroBytes) {
  TkHarness h("LOADER");
  ASSERT_EQ(h.link.OpenPort(1, 4800, 'N', 8, 2), 1);
  // What was queued before the watch began is not looked at.
  h.link.DeliverAfter(0, "LOADER");
  h.clock.Advance(1);
  h.link.DeliverAfter(100, "xxLO");
  h.link.DeliverAfter(200, std::vector<std::uint8_t>{'A', 0, 'D', 0, 0});
  h.link.DeliverAfter(300, "ER");
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(WaitForWrongChecksumText(h.w, h.progress), kWrongChecksumFound);
  EXPECT_EQ(h.clock.NowMs() - start, 300);
}

TEST(WrongChecksumWait, EndsAfterTwoSecondsOrAtCancel) {
  TkHarness h("LOADER");
  ASSERT_EQ(h.link.OpenPort(1, 4800, 'N', 8, 2), 1);
  h.link.DeliverAfter(100, "LOADE");
  h.link.DeliverAfter(2001, "R");  // just too late
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(WaitForWrongChecksumText(h.w, h.progress), kWrongChecksumTimeout);
  EXPECT_EQ(h.clock.NowMs() - start, 2000);

  int polls = 0;
  h.ui.cancelWhen = [&] { return ++polls == 50; };
  EXPECT_EQ(WaitForWrongChecksumText(h.w, h.progress), kWrongChecksumCancelled);
  EXPECT_EQ(polls, 50);
}

TEST(WrongChecksumWait, AnEmptyTextIsFoundAtOnce) {
  TkHarness h("");
  ASSERT_EQ(h.link.OpenPort(1, 4800, 'N', 8, 2), 1);
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(WaitForWrongChecksumText(h.w, h.progress), kWrongChecksumFound);
  EXPECT_LE(h.clock.NowMs() - start, 1);
}

}  // namespace
