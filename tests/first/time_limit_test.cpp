// The long time limits of a first-family load, on the virtual clock.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>

#include "app/messages.h"
#include "tests/first/first_rig.h"

namespace {

std::size_t EndRecordsSent(const FirstRig& rig) {
  std::size_t ends = 0;
  for (const auto& r : rig.link.records)
    ends += r[0] == 0x8C;
  return ends;
}

TEST(FirstFamilyTimeLimits, ThirtySecondsOfSilenceFailARecord) {
  FirstRig rig(FirstFamilyKind::kVr);
  std::int64_t sentAt = 0;
  rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>&) {
    if (index == 1) sentAt = rig.clock.NowMs();
    return index == 1 ? "" : "0";
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  EXPECT_EQ(rig.link.records.size(), 2u);
  EXPECT_EQ(rig.Marker(), -1);
  EXPECT_FALSE(rig.link.IsOpen());
  // The failure comes after 30 s, not before, and not much later.
  std::int64_t waited = rig.clock.NowMs() - sentAt;
  EXPECT_GE(waited, 30000);
  EXPECT_LT(waited, 30200);
}

TEST(FirstFamilyTimeLimits, AnAnswerAfterTwentyNineSecondsStillCounts) {
  FirstRig rig(FirstFamilyKind::kTk);
  rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>&) {
    if (index == 0) rig.link.DeliverAfter(29000, "0");
    return index == 0 ? "" : "0";
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
}

TEST(FirstFamilyTimeLimits, EndVerdictWindowIsFourSecondsAndBusyRestartsIt) {
  {
    FirstRig rig(FirstFamilyKind::kVr);
    rig.link.verdicts = {""};
    rig.Run();
    // No answer: 119 from the verdict wait, then 119 from the upload.
    EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgLoadingFailed, kMsgLoadingFailed}));
    EXPECT_EQ(EndRecordsSent(rig), 1u);
  }
  {
    // "3" every 600 ms keeps the loader waiting far beyond 4000 ms.
    FirstRig rig(FirstFamilyKind::kVr);
    rig.link.verdicts.assign(20, "3");
    rig.link.verdicts.push_back("5");
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    EXPECT_EQ(EndRecordsSent(rig), 1u);
  }
}

TEST(FirstFamilyTimeLimits, IdentificationWaitsTenSecondsThenMarksThePort) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.silentLoader = true;
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgBadDataOnInput});
  EXPECT_EQ(rig.Marker(), -1);
  EXPECT_TRUE(rig.link.records.empty());
  EXPECT_TRUE(rig.link.zerosAnswered.empty());
}

TEST(FirstFamilyTimeLimits, ReadyWithinTenSecondsOrMessage119) {
  for (std::int64_t delay : {9000, 10100}) {
    FirstRig rig(FirstFamilyKind::kTk);
    rig.link.silentReady = true;
    std::size_t zeros = 0;
    rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                     const std::vector<std::uint8_t>& bytes) {
      inner(link, bytes);
      if (rig.link.zerosAnswered.size() == 2 && zeros++ == 0) link.DeliverAfter(delay, "1");
    };
    rig.Run();
    if (delay < 10000) {
      EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    } else {
      EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
      EXPECT_TRUE(rig.link.records.empty());
      // Not reaching the upload leaves the marker as it was.
      EXPECT_EQ(rig.Marker(), 1);
    }
  }
}

TEST(FirstFamilyTimeLimits, CaptureEndsAfterTwoSecondsOfSilenceAndJudgesTheAmount) {
  struct Case {
    std::size_t bytes;
    int message;
  };
  for (Case c : {Case{0, kMsgCheckConnection}, Case{3016, kMsgBadDataOnInput}}) {
    FirstRig rig(FirstFamilyKind::kVr);
    rig.link.dump.resize(c.bytes);
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{c.message}) << c.bytes;
    EXPECT_TRUE(rig.link.zerosAnswered.empty());
    EXPECT_EQ(rig.Marker(), 1);
  }
}

TEST(FirstFamilyTimeLimits, LongRunWithoutRecordStartIsBadDataForVrOnly) {
  for (FirstFamilyKind kind : {FirstFamilyKind::kVr, FirstFamilyKind::kTk}) {
    FirstRig rig(kind);
    // One delivery of 600 bytes in which only the first is 0x8B, then the real dump.
    std::vector<std::uint8_t> run(600, 'a');
    run[0] = 0x8B;
    run.back() = '\n';
    run[598] = '\r';
    rig.link.dump.insert(rig.link.dump.begin(), run.begin(), run.end());
    rig.link.chunkBytes = 600;
    rig.Run();
    if (kind == FirstFamilyKind::kVr)
      EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgBadDataOnInput});
    else
      EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  }
}

TEST(FirstFamilyTimeLimits, CancelConfirmedDuringUploadEndsQuietly) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>&) {
    if (index == 1) rig.ui.cancelWhen = [] { return true; };
    return "0";
  };
  rig.ui.answers = {kResultYes};
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgConfirmAbort});
  EXPECT_EQ(rig.link.records.size(), 2u);
  EXPECT_EQ(rig.Marker(), -1);
  EXPECT_FALSE(rig.link.IsOpen());
}

TEST(FirstFamilyTimeLimits, WriteBackRefusedTwiceFails) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.answerRecord = [](std::size_t, const std::vector<std::uint8_t>& record) {
    return record[2] >= 0xC0 ? "1" : "0";
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgLoadingFailed, kMsgLoadingFailed}));
  EXPECT_EQ(rig.WriteBacks().size(), 2u);  // the first almanac record, twice
  EXPECT_TRUE(rig.EndRecord().empty());
}

TEST(FirstFamilyTimeLimits, WriteBackSilenceFailsAfterTwoSecondsWithoutResend) {
  FirstRig rig(FirstFamilyKind::kTk);
  std::int64_t sentAt = 0;
  rig.link.answerRecord = [&](std::size_t, const std::vector<std::uint8_t>& record) {
    if (record[2] < 0xC0) return "0";
    sentAt = rig.clock.NowMs();
    return "";
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgLoadingFailed, kMsgLoadingFailed}));
  EXPECT_EQ(rig.WriteBacks().size(), 1u);
  EXPECT_GE(rig.clock.NowMs() - sentAt, 2000);
  EXPECT_LT(rig.clock.NowMs() - sentAt, 2100);
}

TEST(FirstFamilyTimeLimits, WriteBackAnsweredOnTheSecondTryGoesOn) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>& record) {
    return record[2] >= 0xC0 && index == 3 ? "1" : "0";
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(rig.WriteBacks().size(), 44u);
}

TEST(FirstFamilyTimeLimits, VanishedPortFailsAtOnce) {
  FirstRig rig(FirstFamilyKind::kTk);
  std::int64_t goneAt = -1;
  rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                   const std::vector<std::uint8_t>& bytes) {
    // The adapter is pulled out while the third record goes out.
    if (rig.link.records.size() == 2 && goneAt < 0) {
      goneAt = rig.clock.NowMs();
      link.ClosePort();
      return;
    }
    inner(link, bytes);
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  EXPECT_EQ(rig.Marker(), -1);
  EXPECT_LT(rig.clock.NowMs() - goneAt, 1000);
}

TEST(FirstFamilyPriority, RaisedForTheUploadOnlyAndRestoredOnEveryPath) {
  int niceBefore = ::getpriority(PRIO_PROCESS, 0);
  int policyBefore = ::sched_getscheduler(0);
  for (bool fail : {false, true}) {
    FirstRig rig(FirstFamilyKind::kTk);
    int niceDuring = 100, policyDuring = -1, policyReading = -1;
    rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                     const std::vector<std::uint8_t>& bytes) {
      if (rig.link.state() == ScriptedReceiver::State::kNormal)
        policyReading = ::sched_getscheduler(0);
      inner(link, bytes);
    };
    rig.link.answerRecord = [&](std::size_t, const std::vector<std::uint8_t>&) {
      niceDuring = ::getpriority(PRIO_PROCESS, 0);
      policyDuring = ::sched_getscheduler(0);
      return fail ? "" : "0";
    };
    rig.Run();
    EXPECT_EQ(policyReading, policyBefore);
    EXPECT_TRUE(policyDuring == SCHED_RR || niceDuring <= niceBefore);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), niceBefore);
    EXPECT_EQ(::sched_getscheduler(0), policyBefore);
  }
}

}  // namespace
