// The long time limits of a first-family load, on the virtual clock.
#include <gtest/gtest.h>

#include "tests/first/first_rig.h"

namespace {

TEST(FirstFamilyTimeLimits, ThirtySecondsOfSilenceFailARecord) {
  for (bool answersLate : {true, false}) {
    FirstRig rig(answersLate ? FirstFamilyKind::kTk : FirstFamilyKind::kVr);
    std::int64_t sentAt = 0;
    rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>&) {
      if (index != 1) return "0";
      sentAt = rig.clock.NowMs();
      if (answersLate) rig.link.DeliverAfter(29000, "0");
      return "";
    };
    rig.Run();
    if (answersLate) {
      EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
      continue;
    }
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
    EXPECT_EQ(rig.link.records.size(), 2u);
    EXPECT_EQ(rig.Marker(), -1);
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_GE(rig.clock.NowMs() - sentAt, 30000);
    EXPECT_LT(rig.clock.NowMs() - sentAt, 30200);
  }
}

// The verdict comes within 4000 ms; a busy "3" every 600 ms keeps the loader waiting.
TEST(FirstFamilyTimeLimits, EndRecordAnswers) {
  struct Case {
    std::deque<std::string> verdicts;
    std::vector<int> messages;
  };
  std::deque<std::string> busy(20, "3");
  busy.push_back("5");
  for (const Case& c : {Case{{""}, {kMsgLoadingFailed, kMsgLoadingFailed}},
                        Case{busy, {kMsgLoadingOk}}, Case{{"X"}, {kMsgLoadingFailed}}}) {
    FirstRig rig(FirstFamilyKind::kVr);
    rig.link.verdicts = c.verdicts;
    std::int64_t endAt = 0;
    rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                     const std::vector<std::uint8_t>& bytes) {
      if (bytes[0] == 0x8C) endAt = rig.clock.NowMs();
      inner(link, bytes);
    };
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(), c.messages) << c.verdicts.size();
    EXPECT_EQ(rig.Count(0x8C), 1u);
    EXPECT_EQ(rig.Marker(), c.messages.back() == kMsgLoadingOk ? 1 : -1);
    if (c.verdicts.front().empty()) {
      EXPECT_GE(rig.clock.NowMs() - endAt, 4000);
      EXPECT_LT(rig.clock.NowMs() - endAt, 4200);
    }
  }
}

// The wrong-checksum text within 10 s, or message 124 and the port marked; then the
// loader's "1" within 10 s, or message 119 with the marker as it was.
TEST(FirstFamilyTimeLimits, IdentificationAndReadyWaitTenSeconds) {
  {
    FirstRig rig(FirstFamilyKind::kVr);
    rig.link.silentLoader = true;
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgBadDataOnInput});
    EXPECT_EQ(rig.Marker(), -1);
    EXPECT_TRUE(rig.link.records.empty());
    EXPECT_TRUE(rig.link.zerosAnswered == 0);
  }
  for (std::int64_t delay : {9000, 10100}) {
    FirstRig rig(FirstFamilyKind::kTk);
    rig.link.silentReady = true;
    bool sent = false;
    rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                     const std::vector<std::uint8_t>& bytes) {
      inner(link, bytes);
      if (rig.link.zerosAnswered == 2 && !sent) link.DeliverAfter(delay, "1");
      sent = rig.link.zerosAnswered == 2;
    };
    rig.Run();
    bool inTime = delay < 10000;
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{inTime ? kMsgLoadingOk : kMsgLoadingFailed});
    EXPECT_EQ(rig.link.records.empty(), !inTime);
    EXPECT_EQ(rig.Marker(), 1);
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
    EXPECT_TRUE(rig.link.zerosAnswered == 0);
    EXPECT_EQ(rig.Marker(), 1);
  }
}

TEST(FirstFamilyTimeLimits, LongRunWithoutRecordStartIsBadDataForVrOnly) {
  for (FirstFamilyKind kind : {FirstFamilyKind::kVr, FirstFamilyKind::kTk}) {
    FirstRig rig(kind);
    // One delivery of 600 bytes in which only the first is 0x8B, then the real dump.
    std::vector<std::uint8_t> run(600, 'a');
    run[0] = 0x8B;
    run[598] = '\r';
    run[599] = '\n';
    rig.link.dump.insert(rig.link.dump.begin(), run.begin(), run.end());
    rig.link.chunkBytes = 600;
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(),
              std::vector<int>{kind == FirstFamilyKind::kVr ? kMsgBadDataOnInput : kMsgLoadingOk});
  }
}

// A write-back record refused is sent once more; silence fails it after 2000 ms.
TEST(FirstFamilyTimeLimits, WriteBackAnswers) {
  struct Case {
    const char* name;
    std::function<std::string(std::size_t)> answer;  // to a write-back, by record index
    std::vector<int> messages;
    std::size_t writeBacks;
  };
  const std::vector<Case> cases = {
      {"refused twice", [](std::size_t) { return "1"; }, {kMsgLoadingFailed, kMsgLoadingFailed}, 2},
      {"refused once", [](std::size_t i) { return i == 3 ? "1" : "0"; }, {kMsgLoadingOk}, 44},
      {"silent", [](std::size_t) { return ""; }, {kMsgLoadingFailed, kMsgLoadingFailed}, 1},
  };
  for (const Case& c : cases) {
    FirstRig rig(FirstFamilyKind::kTk);
    std::int64_t sentAt = 0;
    rig.link.answerRecord = [&](std::size_t index, const std::vector<std::uint8_t>& record) {
      if (record[2] < 0xC0) return std::string("0");
      sentAt = rig.clock.NowMs();
      return c.answer(index);
    };
    rig.Run();
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rig.ui.MessageIds(), c.messages);
    EXPECT_EQ(rig.Count(0x8B, true), c.writeBacks);
    EXPECT_EQ(rig.Count(0x8C), c.messages.size() == 1 ? 1u : 0u);
    if (c.answer(0).empty()) {
      EXPECT_GE(rig.clock.NowMs() - sentAt, 2000);
      EXPECT_LT(rig.clock.NowMs() - sentAt, 2100);
    }
  }
}

}  // namespace
