#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include "cli/cli_interrupt.h"

namespace {

bool Wakes(const InterruptSource& interrupts, int timeoutMs) {
  pollfd fd{interrupts.WakeFd(), POLLIN, 0};
  return ::poll(&fd, 1, timeoutMs) == 1;
}

TEST(ProcessInterrupts, CtrlCIsTakenOncePerPressWhileWatched) {
  InterruptSource& interrupts = InstallProcessInterrupts();
  EXPECT_EQ(&interrupts, &InstallProcessInterrupts());
  interrupts.SetWatching(true);
  EXPECT_FALSE(interrupts.TakePress());
  ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
  ASSERT_TRUE(Wakes(interrupts, 5000));
  EXPECT_TRUE(interrupts.TakePress());
  EXPECT_FALSE(interrupts.TakePress());
  ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
  ASSERT_TRUE(Wakes(interrupts, 5000));
  interrupts.DiscardPresses();
  EXPECT_FALSE(interrupts.TakePress());
  EXPECT_FALSE(Wakes(interrupts, 0));  // nothing left to wake a question
  interrupts.SetWatching(false);
}

TEST(ProcessInterruptsDeathTest, CtrlCEndsTheProgramWhenNothingWatches) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallProcessInterrupts().SetWatching(false);
        ::kill(::getpid(), SIGINT);
        for (;;)
          ::pause();
      },
      ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
