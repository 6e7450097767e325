#include <gtest/gtest.h>

#include "loader/second/second_family.h"
#include "loader/second/tk_result.h"
#include "tests/second/tk_harness.h"

namespace {

TEST(RunTkLoad, LoadsAndEndsWithOneBoxInEitherLanguage) {
  for (std::int16_t language : {kFrenchOffset, kEnglishOffset}) {
    ScopedLanguage scoped(language);
    TkHarness h;
    h.w.keepUserData = language == kEnglishOffset;
    h.link.dataErasedAfterMs = 300;
    TkProgramFile program = MakeTkProgram(TkFormAHeader("V3.10 TK20B"), 6, 40);
    h.WriteProgram(program);
    const int openedBefore = h.ui.progressOpened;
    RunTkLoad(h.w, "TK20B");

    ASSERT_EQ(h.ui.messages.size(), 1u);
    EXPECT_EQ(h.ui.messages[0].textNumber, kMsgLoadingOk + language);
    EXPECT_EQ(h.ui.messages[0].style, kStyleInformation);
    EXPECT_EQ(h.Received(), program.records);
    EXPECT_EQ(h.ui.progressOpened - openedBefore, 1);
    EXPECT_EQ(h.ui.progressClosed, 1);
    EXPECT_FALSE(h.link.IsOpen());
    EXPECT_EQ(h.ui.progressTexts,
              (std::vector<std::string>{
                  LoadMessageText(kMsgDetectingReceiver), LoadMessageText(kMsgPreparingReceiver),
                  LoadMessageText(h.w.keepUserData ? kMsgErasingSoftware : kMsgErasingData),
                  LoadMessageText(kMsgErasingSoftware), LoadMessageText(kMsgLoadingInProgress)}));
    // Detection, probe, preparation, transfer: each phase its own open and close.
    ASSERT_EQ(h.link.opens.size(), 4u);
    const std::uint32_t rates[] = {4800, 115200, 4800, 115200};
    const std::uint16_t stopBits[] = {2, 1, 2, 1};
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(h.link.opens[i].bitRate, rates[i]);
      EXPECT_EQ(h.link.opens[i].stopBits, stopBits[i]);
      EXPECT_EQ(h.link.opens[i].portNumber, 1);
    }
    EXPECT_EQ(h.link.closes, 4);
    EXPECT_EQ(h.link.preparationSentence.substr(12, 6), h.w.keepUserData ? "500000" : "510000");
  }
}

TEST(RunTkLoad, AFailedStepEndsTheSequenceWithItsMessage) {
  TkHarness silent;
  silent.link.answersWake = false;
  silent.WriteProgram(MakeTkProgram(TkFormAHeader("V3.10 TK20B"), 2, 4));
  RunTkLoad(silent.w, "TK20B");
  EXPECT_EQ(silent.ui.MessageIds(), std::vector<int>{kMsgBadDataOnInput});
  EXPECT_EQ(silent.link.opens.size(), 1u);
  EXPECT_EQ(silent.ui.progressClosed, 1);

  TkHarness refused;
  refused.link.acceptsPreparation = false;
  RunTkLoad(refused.w, "TK20B");
  EXPECT_EQ(refused.ui.MessageIds(), std::vector<int>{kMsgBadDataOnInput});
  EXPECT_TRUE(refused.Received().empty());

  TkHarness cancelled;
  cancelled.link.answersWake = false;
  cancelled.ui.cancelWhen = [&] { return cancelled.ui.polls == 3; };
  RunTkLoad(cancelled.w, "TK20B");
  EXPECT_EQ(cancelled.ui.MessageIds(), std::vector<int>{kMsgUserCancel});

  TkHarness noFile;
  RunTkLoad(noFile.w, "TK20B");
  EXPECT_EQ(noFile.ui.MessageIds(), std::vector<int>{kMsgTempFileError});
  EXPECT_FALSE(noFile.link.IsOpen());
}

TEST(TkReportResult, ShowsTheBoxOfEachFailure) {
  ScopedLanguage english(kEnglishOffset);
  const struct {
    int result;
    int message;
    int style;
  } table[] = {{StepWrongType, 646, 48},
               {StepLoadChecksum, 645, 48},
               {StepProgramChecksum, 644, 48},
               {StepFileOpen, 613, 48},
               {StepLoadFailed, 619, 48},
               {StepUserCancel, 641, 64},
               {StepPortNotReady, 643, 48},
               {StepNoReply, 614, 48},
               {-9, 642, 48},
               {-128, 642, 48}};
  for (const auto& row : table) {
    TkHarness h;
    TkReportResult(h.w, static_cast<LoadStepResult>(row.result));
    ASSERT_EQ(h.ui.messages.size(), 1u) << row.result;
    EXPECT_EQ(h.ui.messages[0].textNumber, row.message);
    EXPECT_EQ(h.ui.messages[0].style, row.style);
    EXPECT_EQ(h.ui.messages[0].text, LoadTextByNumber(row.message));
  }
  TkHarness ok;
  TkReportResult(ok.w, StepOk);
  EXPECT_TRUE(ok.ui.messages.empty());
}

}  // namespace
