// The time limits of a first-family load, on the virtual clock.
#include <gtest/gtest.h>

#include "tests/first/first_rig.h"

namespace {

// A record unanswered for 30 s, the end record for 4 s, a write-back for 2 s fail the load;
// the loader's text is awaited 10 s (else 114), then its "1" 10 s (else 119); an empty
// capture ends in 120. From the wake-up on the port stays marked until the load succeeds.
struct TimeLimitCase {
  const char* name;
  Family kind;
  void (*script)(ScriptedReceiver&);
  std::vector<int> messages;
  int marker;
  std::int64_t fromMs = -1, toMs = 0;  // run end minus the receiver's quietSince
};

// Names the case in test listings.
void PrintTo(const TimeLimitCase& c, std::ostream* out) {
  *out << c.name;
}

class FirstFamilyTimeLimit : public ::testing::TestWithParam<TimeLimitCase> {};

TEST_P(FirstFamilyTimeLimit, EndsTheLoadWithItsMessageAfterItsTime) {
  const TimeLimitCase& c = GetParam();
  FirstRig rig(c.kind);
  c.script(rig.link);
  RunFirstLoadFrom(rig.w, rig.family);
  EXPECT_EQ(rig.ui.MessageIds(), c.messages);
  EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 1), c.marker);
  EXPECT_FALSE(rig.link.IsOpen());
  // No record goes out before the loader is ready.
  EXPECT_EQ(rig.link.records.empty(), c.fromMs < 0 && c.messages.back() != kMsgLoadingOk);
  if (c.fromMs < 0) return;
  EXPECT_GE(rig.clock.NowMs() - rig.link.quietSince, c.fromMs);
  EXPECT_LT(rig.clock.NowMs() - rig.link.quietSince, c.toMs);
}

constexpr auto kVr = Family::kVr, kTk = Family::kTk;
constexpr int kFailed = kMsgLoadingFailed;

INSTANTIATE_TEST_SUITE_P(
    EachLimit, FirstFamilyTimeLimit,
    ::testing::Values(
        TimeLimitCase{
            "Record", kVr, [](auto& r) { r.quietRecord = 1; }, {kFailed}, -1, 30000, 30200},
        TimeLimitCase{
            "EndRecord", kVr, [](auto& r) { r.verdict = ""; }, {kFailed, kFailed}, -1, 4000, 4200},
        TimeLimitCase{"WriteBack",
                      kTk,
                      [](auto& r) { r.quietWriteBacks = true; },
                      {kFailed, kFailed},
                      -1,
                      2000,
                      2100},
        TimeLimitCase{
            "NoLoaderText", kVr, [](auto& r) { r.silentLoader = true; }, {kMsgBadDataOnInput}, -1},
        TimeLimitCase{"ReadyAt9s", kTk, [](auto& r) { r.readyMs = 9000; }, {kMsgLoadingOk}, 1},
        TimeLimitCase{"ReadyAt10s100", kTk, [](auto& r) { r.readyMs = 10100; }, {kFailed}, -1},
        TimeLimitCase{
            "EmptyCapture", kVr, [](auto& r) { r.dump.clear(); }, {kMsgCheckConnection}, 1}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
