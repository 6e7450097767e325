// The load's time limits on the virtual clock: a take-until-deadline wait ends at the first
// take that satisfies it, or at the first look at the clock on or after the limit.
#include "loader/deadline.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_link.h"

namespace {

struct DeadlineRig {
  DeadlineRig() { link.OpenPort(1, 9600, 'N', 8, 1); }
  CVirtualClock clock{1000};
  FakeLink link{clock};
};

TEST(Deadline, PassesOnTheLimitItselfAndRestartsFromNow) {
  CVirtualClock clock(500);
  Deadline deadline(clock, 2000);
  clock.Advance(1999);
  EXPECT_FALSE(deadline.Passed());
  EXPECT_EQ(deadline.LeftMs(), 1);
  clock.Advance(1);
  EXPECT_TRUE(deadline.Passed());
  deadline.Restart();
  EXPECT_EQ(deadline.LeftMs(), 2000);
}

TEST(TakeUntil, AFirstDeliveryIsTakenWhenItArrives) {
  DeadlineRig rig;
  rig.link.DeliverAfter(730, std::string("0\r\n"));
  const Deadline deadline(rig.clock, 2000);
  std::span<const std::uint8_t> delivery = TakeFirstDelivery(rig.link, deadline, 50);
  ASSERT_EQ(std::string(delivery.begin(), delivery.end()), "0\r\n");
  EXPECT_EQ(rig.clock.NowMs(), 1730);
}

TEST(TakeUntil, SilenceEndsAtTheFirstStepOnOrAfterTheLimit) {
  DeadlineRig rig;
  const Deadline deadline(rig.clock, 120);
  EXPECT_TRUE(TakeFirstDelivery(rig.link, deadline, 50).empty());
  EXPECT_EQ(rig.clock.NowMs(), 1150);  // takes at 1050, 1100 and 1150
}

TEST(TakeUntil, EveryTakeIsLookedAtUntilOneEndsTheWait) {
  DeadlineRig rig;
  rig.link.DeliverAfter(3, std::string("ab"));
  rig.link.DeliverAfter(6, std::string("c1"));
  rig.link.DeliverAfter(9, std::string("zz"));
  const Deadline deadline(rig.clock, 2000);
  std::string seen;
  int takes = 0;
  bool ended = TakeUntil(rig.link, deadline, 1, [&](std::span<const std::uint8_t> take) {
    ++takes;
    seen.append(take.begin(), take.end());
    return seen.find('1') != std::string::npos;
  });
  EXPECT_TRUE(ended);
  EXPECT_EQ(seen, "abc1");
  EXPECT_EQ(takes, 6);  // one take per millisecond: five empty or partial, then "c1"
  EXPECT_EQ(rig.clock.NowMs(), 1006);
}

}  // namespace
