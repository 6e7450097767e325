#include <gtest/gtest.h>

#include "loader/second/tk_steps.h"
#include "serial/sentences.h"
#include "tests/second/tk_harness.h"

namespace {

TEST(TkDetect, WakesAtFourThousandEightHundredAndFindsTheLoader) {
  TkHarness h;
  h.link.wakeAnswerDelayMs = 2500;  // heard in the second window
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(TkDetect(h.w, h.progress), StepOk);
  EXPECT_FALSE(h.link.IsOpen());
  ASSERT_EQ(h.link.opens.size(), 1u);
  EXPECT_EQ(h.link.opens[0].bitRate, 4800u);
  EXPECT_EQ(h.link.opens[0].stopBits, 2);
  EXPECT_EQ(h.link.TextWritten(),
            std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence));
  // One byte per write, the second sentence 250 ms after the first.
  ASSERT_EQ(h.link.writes.size(), 42u);
  EXPECT_EQ(h.link.writes[21].atMs - h.link.writes[20].atMs, 250);
  EXPECT_EQ(h.ui.progressTexts, std::vector<std::string>{LoadMessageText(kMsgDetectingReceiver)});
  EXPECT_EQ(h.ui.positions, std::vector<int>{0});
  EXPECT_LT(h.clock.NowMs() - start, 3000);
}

TEST(TkDetect, ListensInThreeWindowsThenGivesUp) {
  TkHarness h;
  h.link.answersWake = false;
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(TkDetect(h.w, h.progress), StepNoReply);
  // 250 ms between the sentences, then windows at 0, 2010 and 4020 ms, each 2000 ms long.
  EXPECT_EQ(h.clock.NowMs() - start, 250 + 3 * 2010);
  EXPECT_FALSE(h.link.IsOpen());
}

TEST(TkDetect, CancelEndsTheWatchAndAnUnopenablePortIsReported) {
  TkHarness h;
  h.link.answersWake = false;
  h.ui.cancelWhen = [&] { return h.ui.polls == 20; };
  EXPECT_EQ(TkDetect(h.w, h.progress), StepUserCancel);
  EXPECT_FALSE(h.link.IsOpen());
  EXPECT_TRUE(h.ui.messages.empty());

  TkHarness busy;
  busy.link.rejectOpen = [](const FakeLink::LineSettings&) { return true; };
  EXPECT_EQ(TkDetect(busy.w, busy.progress), StepPortNotReady);
  EXPECT_TRUE(busy.link.writes.empty());
}

// The preparation sentence, the rate and stop bits of the erase wait, the texts shown.
struct PrepareCase {
  bool keepUserData;
  bool fastRateRefused;
  const char* data;
  std::uint32_t rate;
  int firstEraseText;
};

class TkPrepareRates : public testing::TestWithParam<PrepareCase> {};

TEST_P(TkPrepareRates, TellsTheReceiverRateAndUserDataChoice) {
  const PrepareCase& c = GetParam();
  TkHarness h;
  h.w.keepUserData = c.keepUserData;
  if (c.fastRateRefused)
    h.link.rejectOpen = [](const FakeLink::LineSettings& s) { return s.bitRate == 115200; };
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(h.w, h.progress, &rate), StepOk);
  EXPECT_EQ(rate, c.rate);
  EXPECT_EQ(h.link.preparationSentence, BuildProprietarySentence(0x24, c.data));
  EXPECT_EQ(h.link.rateChanges, std::vector<std::uint32_t>{c.rate});
  EXPECT_EQ(h.link.rateChangeStopBits, std::vector<std::uint16_t>{2});
  // The probe opens at 115200 bit/s with one stop bit and closes at once.
  ASSERT_GE(h.link.openAttempts.size(), 2u);
  EXPECT_EQ(h.link.openAttempts[0].bitRate, 115200u);
  EXPECT_EQ(h.link.openAttempts[0].stopBits, 1);
  EXPECT_EQ(h.link.openAttempts[1].bitRate, 4800u);
  EXPECT_EQ(h.link.openAttempts[1].stopBits, 2);
  EXPECT_EQ(h.link.closes, c.fastRateRefused ? 1 : 2);
  EXPECT_FALSE(h.link.IsOpen());
  EXPECT_EQ(h.ui.progressTexts, (std::vector<std::string>{LoadMessageText(kMsgPreparingReceiver),
                                                          LoadMessageText(c.firstEraseText)}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TkPrepareRates,
    testing::Values(PrepareCase{true, false, "500000", 115200, kMsgErasingSoftware},
                    PrepareCase{false, false, "510000", 115200, kMsgErasingData},
                    PrepareCase{false, true, "210000", 19200, kMsgErasingData}),
    [](const testing::TestParamInfo<PrepareCase>& param) { return std::string(param.param.data); });

TEST(TkPrepare, AcceptMustComeWithinTwoSeconds) {
  TkHarness late;
  late.link.acceptDelayMs = 2001;
  std::int64_t start = late.clock.NowMs();
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(late.w, late.progress, &rate), StepNoReply);
  EXPECT_EQ(late.clock.NowMs() - start, 2000);
  EXPECT_TRUE(late.link.rateChanges.empty());
  EXPECT_FALSE(late.link.IsOpen());

  TkHarness inTime;
  inTime.link.acceptDelayMs = 1999;
  inTime.link.programErasedAfterMs = 2400;
  EXPECT_EQ(TkPrepare(inTime.w, inTime.progress, &rate), StepOk);
}

TEST(TkPrepare, EraseWaitsSixtySecondsRestartedByDataErased) {
  TkHarness slow;
  slow.link.programErasedAfterMs = 59000;
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(slow.w, slow.progress, &rate), StepOk);

  TkHarness restarted;
  restarted.link.dataErasedAfterMs = 50000;
  restarted.link.programErasedAfterMs = 105000;
  EXPECT_EQ(TkPrepare(restarted.w, restarted.progress, &rate), StepOk);
  EXPECT_EQ(restarted.ui.progressTexts.back(), LoadMessageText(kMsgErasingSoftware));

  TkHarness silent;
  silent.link.dataErasedAfterMs = 50000;
  silent.link.programErasedAfterMs = -1;
  std::int64_t start = silent.clock.NowMs();
  EXPECT_EQ(TkPrepare(silent.w, silent.progress, &rate), StepNoReply);
  // 20 ms for "PRG", "DXF" seen at the poll at or after 50 s, then 60 s more.
  std::int64_t elapsed = silent.clock.NowMs() - start;
  EXPECT_GE(elapsed, 110000);
  EXPECT_LE(elapsed, 110000 + 2 * 200 + 20);
  EXPECT_FALSE(silent.link.IsOpen());
}

TEST(TkPrepare, ProgramErasedInTheSameTakeAsDataErasedIsNotLost) {
  TkHarness h;
  h.link.erasedTogether = true;
  h.link.programErasedAfterMs = 1000;
  std::int64_t start = h.clock.NowMs();
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(h.w, h.progress, &rate), StepOk);
  EXPECT_LT(h.clock.NowMs() - start, 1500);
}

TEST(TkPrepare, CancelWhileErasingEndsWithoutAQuestion) {
  TkHarness h;
  h.link.programErasedAfterMs = 30000;
  h.ui.cancelWhen = [&] { return h.clock.NowMs() > 6000; };
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(h.w, h.progress, &rate), StepUserCancel);
  EXPECT_LT(h.clock.NowMs(), 6300);
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_FALSE(h.link.IsOpen());
}

}  // namespace
