// Detection, preparation and the outcome of a whole load, on the virtual clock.
#include <gtest/gtest.h>

#include "loader/first/wrong_checksum_wait.h"
#include "loader/second/second_family.h"
#include "loader/second/tk_steps.h"
#include "serial/sentences.h"
#include "tests/second/tk_support.h"

namespace {

TEST(WrongChecksumWait, FindsTheTextAcrossTakesAndZeroBytes) {
  TkHarness h("LOADER");
  ASSERT_EQ(h.link.OpenPort(1, 4800, 'N', 8, 2), 1);
  h.link.DeliverAfter(0, "LOADER");  // queued before the watch: not looked at
  h.clock.Advance(1);
  h.link.DeliverAfter(100, "xxLO");
  h.link.DeliverAfter(200, std::vector<std::uint8_t>{'A', 0, 'D', 0, 0});
  h.link.DeliverAfter(300, "ER");
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(WaitForWrongChecksumText(h.w, h.progress), kWrongChecksumFound);
  EXPECT_EQ(h.clock.NowMs() - start, 300);
}

TEST(TkDetect, WakesAtFourThousandEightHundredAndListensInThreeWindows) {
  TkHarness h;
  h.link.wakeAnswerMs = 2500;  // heard in the second window
  std::int64_t start = h.clock.NowMs();
  EXPECT_EQ(TkDetect(h.w, h.progress), StepOk);
  EXPECT_LT(h.clock.NowMs() - start, 3000);
  EXPECT_FALSE(h.link.IsOpen());
  EXPECT_EQ(h.link.TextWritten(),
            std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence));
  // One byte per write, the second sentence 250 ms after the first.
  ASSERT_EQ(h.link.writes.size(), 42u);
  EXPECT_EQ(h.link.writes[21].atMs - h.link.writes[20].atMs, 250);
  EXPECT_EQ(h.ui.progressTexts, std::vector<std::string>{LoadMessageText(kMsgDetectingReceiver)});
  EXPECT_EQ(h.ui.positions, std::vector<int>{0});

  TkHarness silent;
  silent.link.wakeAnswerMs = -1;
  start = silent.clock.NowMs();
  EXPECT_EQ(TkDetect(silent.w, silent.progress), StepNoReply);
  // 250 ms between the sentences, then windows at 0, 2010 and 4020 ms, each 2000 ms long.
  EXPECT_EQ(silent.clock.NowMs() - start, 250 + 3 * 2010);
  EXPECT_FALSE(silent.link.IsOpen());
}

TEST(TkPrepare, FallsBackToNineteenThousandTwoHundredWhenThePortRefusesTheFastRate) {
  TkHarness h;
  h.link.rejectOpen = [](const FakeLink::LineSettings& s) { return s.bitRate == 115200; };
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(h.w, h.progress, &rate), StepOk);
  EXPECT_EQ(rate, 19200u);
  EXPECT_EQ(h.link.preparationSentence, BuildProprietarySentence(0x24, "210000"));
  // The erase words come at the new rate; the 2 stop bits stay.
  ASSERT_EQ(h.link.rateChanges.size(), 1u);
  EXPECT_EQ(h.link.rateChanges[0].bitRate, 19200u);
  EXPECT_EQ(h.link.rateChanges[0].stopBits, 2);
  EXPECT_FALSE(h.link.IsOpen());
}

TEST(TkPrepare, AcceptWithinTwoSecondsEraseWithinSixtyRestartedByDataErased) {
  const struct {
    int acceptMs, dataErasedMs, programErasedMs;
    LoadStepResult result;
    std::int64_t minMs, maxMs;
    int lastText;
  } cases[] = {
      {2001, -1, 400, StepNoReply, 2000, 2000, kMsgPreparingReceiver},
      {1999, -1, 2400, StepOk, 2400, 2600, kMsgErasingData},
      {20, 50000, 105000, StepOk, 105000, 105200, kMsgErasingSoftware},
      // "DXF" seen at the poll at or after 50 s, then 60 s more.
      {20, 50000, -1, StepNoReply, 110000, 110000 + 2 * 200 + 20, kMsgErasingSoftware},
      // Both words in one take: "PXF" behind "DXF" is not lost.
      {20, 1000, 1000, StepOk, 1000, 1500, kMsgErasingSoftware},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.acceptMs << " " << c.dataErasedMs << " " << c.programErasedMs);
    TkHarness h;
    h.link.acceptMs = c.acceptMs;
    h.link.dataErasedMs = c.dataErasedMs;
    h.link.programErasedMs = c.programErasedMs;
    std::int64_t start = h.clock.NowMs();
    std::uint32_t rate = 0;
    EXPECT_EQ(TkPrepare(h.w, h.progress, &rate), c.result);
    EXPECT_GE(h.clock.NowMs() - start, c.minMs);
    EXPECT_LE(h.clock.NowMs() - start, c.maxMs);
    EXPECT_EQ(h.link.rateChanges.empty(), c.acceptMs > 2000);
    EXPECT_EQ(h.ui.progressTexts.back(), LoadMessageText(c.lastText));
    EXPECT_FALSE(h.link.IsOpen());
  }

  TkHarness cancelled;
  cancelled.link.programErasedMs = 30000;
  cancelled.ui.cancelWhen = [&] { return cancelled.clock.NowMs() > 6000; };
  std::uint32_t rate = 0;
  EXPECT_EQ(TkPrepare(cancelled.w, cancelled.progress, &rate), StepUserCancel);
  EXPECT_LT(cancelled.clock.NowMs(), 6300);
  EXPECT_TRUE(cancelled.ui.messages.empty());  // no question while erasing
  EXPECT_FALSE(cancelled.link.IsOpen());
}

TEST(RunTkLoad, AFailedStepEndsTheLoadWithItsBoxInTheRunningLanguage) {
  ScopedLanguage english(kEnglishOffset);
  const struct {
    int wakeAnswerMs, acceptMs, cancelAtPoll;
    bool portBusy;
    const char* fileName;
    int message, style;
    std::size_t opens;
  } cases[] = {{-1, 20, 0, false, "TK20B.fra", kMsgBadDataOnInput, kStyleExclamation, 1},
               {30, -1, 0, false, "TK20B.fra", kMsgBadDataOnInput, kStyleExclamation, 3},
               {30, 20, 0, true, "TK20B.fra", kMsgPortNotReady, kStyleExclamation, 0},
               {-1, 20, 3, false, "TK20B.fra", kMsgUserCancel, kStyleInformation, 1},
               {30, 20, 0, false, "missing.fra", kMsgTempFileError, kStyleExclamation, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TkHarness h;
    h.Write(MakeTkProgram('A', 2, 4));
    h.link.wakeAnswerMs = c.wakeAnswerMs;
    h.link.acceptMs = c.acceptMs;
    h.link.rejectOpen = [&](const FakeLink::LineSettings&) { return c.portBusy; };
    h.ui.cancelWhen = [&] { return h.ui.polls == c.cancelAtPoll; };
    h.w.fileName = c.fileName;
    RunTkLoad(h.w, "TK20B");
    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].textNumber, c.message + kEnglishOffset);
    EXPECT_EQ(h.ui.messages[0].style, c.style);
    EXPECT_EQ(h.link.opens.size(), c.opens);
    EXPECT_FALSE(h.link.IsOpen());
    EXPECT_EQ(h.ui.progressClosed, 1);
  }
}

}  // namespace
