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
  struct Case {
    std::int64_t readyMs;  // 0: the loader never shows its text
    int message;
    int marker;
  };
  for (Case c : {Case{0, kMsgBadDataOnInput, -1}, Case{9000, kMsgLoadingOk, 1},
                 Case{10100, kMsgLoadingFailed, 1}}) {
    FirstRig rig(c.readyMs == 0 ? FirstFamilyKind::kVr : FirstFamilyKind::kTk);
    rig.link.silentLoader = c.readyMs == 0;
    rig.link.silentReady = true;
    bool sent = false;
    rig.link.onWrite = [&, inner = rig.link.onWrite](FakeLink& link,
                                                     const std::vector<std::uint8_t>& bytes) {
      inner(link, bytes);
      if (rig.link.zerosAnswered == 2 && !sent) link.DeliverAfter(c.readyMs, "1");
      sent = rig.link.zerosAnswered == 2;
    };
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{c.message}) << c.readyMs;
    EXPECT_EQ(rig.Marker(), c.marker);
    EXPECT_EQ(rig.link.records.empty(), c.message != kMsgLoadingOk);
    EXPECT_EQ(rig.link.zerosAnswered == 0, c.readyMs == 0);
  }
}

// The capture ends after 2000 ms of silence and judges the amount; a long run without a
// record start is bad data for VR only. No loading mode after a bad capture.
TEST(FirstFamilyTimeLimits, CaptureEndsAfterTwoSecondsOfSilenceAndJudgesTheAmount) {
  struct Case {
    FirstFamilyKind kind;
    int bytes;  // -1: the whole dump behind 600 bytes in which only the first is 0x8B
    int message;
  };
  for (Case c : {Case{FirstFamilyKind::kVr, 0, kMsgCheckConnection},
                 Case{FirstFamilyKind::kVr, 3016, kMsgBadDataOnInput},
                 Case{FirstFamilyKind::kVr, -1, kMsgBadDataOnInput},
                 Case{FirstFamilyKind::kTk, -1, kMsgLoadingOk}}) {
    FirstRig rig(c.kind);
    if (c.bytes >= 0) rig.link.dump.resize(static_cast<std::size_t>(c.bytes));
    std::vector<std::uint8_t> run(600, 'a');
    run[0] = 0x8B;
    run[598] = '\r';
    run[599] = '\n';
    if (c.bytes < 0) rig.link.dump.insert(rig.link.dump.begin(), run.begin(), run.end());
    rig.link.chunkBytes = 600;
    rig.Run();
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{c.message}) << c.bytes;
    EXPECT_EQ(rig.link.zerosAnswered == 0, c.message != kMsgLoadingOk);
    EXPECT_EQ(rig.Marker(), 1);
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
