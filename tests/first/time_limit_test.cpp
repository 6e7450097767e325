// The time limits of a first-family load, on the virtual clock.
#include <gtest/gtest.h>

#include "tests/first/first_rig.h"

namespace {

// A record unanswered for 30 s, the end record for 4 s, a write-back for 2 s fail the load;
// the loader's text is awaited 10 s (else 114), then its "1" 10 s (else 119); an empty
// capture ends in 120. From the wake-up on the port stays marked until the load succeeds.
TEST(FirstFamilyTimeLimits, OneTable) {
  const auto kVr = FirstFamilyKind::kVr, kTk = FirstFamilyKind::kTk;
  const int kFailed = kMsgLoadingFailed;
  const std::vector<int> kTwice{kFailed, kFailed};
  struct Case {
    const char* name;
    FirstFamilyKind kind;
    void (*script)(ScriptedReceiver&);
    std::vector<int> messages;
    int marker;
    std::int64_t fromMs = -1, toMs = 0;  // run end minus the receiver's quietSince
  };
  const Case cases[] = {
      {"record", kVr, [](auto& r) { r.quietRecord = 1; }, {kFailed}, -1, 30000, 30200},
      {"end record", kVr, [](auto& r) { r.verdict = ""; }, kTwice, -1, 4000, 4200},
      {"write-back", kTk, [](auto& r) { r.quietWriteBacks = true; }, kTwice, -1, 2000, 2100},
      {"no loader text", kVr, [](auto& r) { r.silentLoader = true; }, {kMsgBadDataOnInput}, -1},
      {"ready at 9 s", kTk, [](auto& r) { r.readyMs = 9000; }, {kMsgLoadingOk}, 1},
      {"ready at 10.1 s", kTk, [](auto& r) { r.readyMs = 10100; }, {kFailed}, -1},
      {"empty capture", kVr, [](auto& r) { r.dump.clear(); }, {kMsgCheckConnection}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FirstRig rig(c.kind);
    c.script(rig.link);
    RunFirstFamilyLoad(rig.w, rig.tag);
    EXPECT_EQ(rig.ui.MessageIds(), c.messages);
    EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 1), c.marker);
    EXPECT_FALSE(rig.link.IsOpen());
    // No record goes out before the loader is ready.
    EXPECT_EQ(rig.link.records.empty(), c.fromMs < 0 && c.messages.back() != kMsgLoadingOk);
    if (c.fromMs < 0) continue;
    EXPECT_GE(rig.clock.NowMs() - rig.link.quietSince, c.fromMs);
    EXPECT_LT(rig.clock.NowMs() - rig.link.quietSince, c.toMs);
  }
}

}  // namespace
