// kznload-cli's console on Windows: Ctrl+C through the console control handler. The program
// gets a console of its own, so that console events can be generated. (Wine's console takes
// no generated key records, so the typed answer is not tested here.)
#include <gtest/gtest.h>
#include <windows.h>

#include "cli/cli_interrupt.h"

namespace {

constexpr DWORD kGenerousMs = 10000;

class CliWin32Console : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Under a test runner the process may have no console, or one it cannot use.
    ::FreeConsole();
    allocated_ = ::AllocConsole() != 0;
    if (!allocated_) {
      allocError_ = ::GetLastError();
      return;
    }
    // A console program ignores Ctrl+C until it says otherwise when it was started so.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    interrupts_ = &InstallProcessInterrupts();
  }

  void SetUp() override {
    // Wine gives every process that asks a console of its own, so a test run without one
    // is broken, not excused.
    ASSERT_TRUE(allocated_) << "AllocConsole failed, error " << allocError_;
    interrupts_->SetWatching(true);
    interrupts_->DiscardPresses();
  }

  void TearDown() override {
    if (!allocated_) return;
    // Not watching, a Ctrl+C would end the test program.
    interrupts_->DiscardPresses();
    interrupts_->SetWatching(false);
  }

  static void PressCtrlC() { ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)); }

  static inline bool allocated_ = false;
  static inline DWORD allocError_ = 0;
  static inline InterruptSource* interrupts_ = nullptr;
};

TEST_F(CliWin32Console, CtrlCWhileWatchedIsOnePressThatWakesAWait) {
  const auto wake = reinterpret_cast<HANDLE>(interrupts_->Wake());
  EXPECT_EQ(::WaitForSingleObject(wake, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  PressCtrlC();
  ASSERT_EQ(::WaitForSingleObject(wake, kGenerousMs), WAIT_OBJECT_0);
  EXPECT_TRUE(interrupts_->TakePress());
  EXPECT_FALSE(interrupts_->TakePress());
  // Taken, it no longer wakes a wait; a press is not a stop.
  EXPECT_EQ(::WaitForSingleObject(wake, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(interrupts_->StopSignal(), 0);
}

// A Ctrl+C pressed before the progress window opened cancels nothing.
TEST_F(CliWin32Console, DiscardedPressesAreForgottenAndWakeNoWait) {
  const auto wake = reinterpret_cast<HANDLE>(interrupts_->Wake());
  PressCtrlC();
  ASSERT_EQ(::WaitForSingleObject(wake, kGenerousMs), WAIT_OBJECT_0);
  interrupts_->DiscardPresses();
  EXPECT_EQ(::WaitForSingleObject(wake, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(interrupts_->TakePress());
}

}  // namespace
