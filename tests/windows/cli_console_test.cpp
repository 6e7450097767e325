// kznload-cli's console on Windows: Ctrl+C through the console control handler, and QuickEdit
// while a load runs. (Wine's console takes no generated key records, so the typed answer is not
// tested here; Wine 8 generates no Ctrl+Break, and a program started with Ctrl+C ignored,
// Ctrl+Break, the console's close and a log-off are tested on kznload-cli.exe itself by
// run_cli_e2e.sh.)
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "cli/cli_interrupt.h"

namespace {

constexpr DWORD kGenerousMs = 10000;

class CliWin32Console : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Run on a terminal (ctest runs it under script), the process has Wine's console of that
    // terminal, with its input modes; under a bare runner it may have none, or one it cannot
    // use, and gets a console of its own (whose input Wine does not serve).
    if (InputMode() == 0) {
      ::FreeConsole();
      allocated_ = ::AllocConsole() != 0;
      allocError_ = allocated_ ? 0 : ::GetLastError();
    } else {
      allocated_ = true;
    }
    if (allocated_) interrupts_ = &InstallProcessInterrupts();
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

  // The console's input mode (0 without a console); `set` changes it first.
  static DWORD InputMode(std::optional<DWORD> set = std::nullopt) {
    HANDLE input =
        ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return 0;
    DWORD mode = 0;
    if (set) ::SetConsoleMode(input, *set);
    ::GetConsoleMode(input, &mode);
    ::CloseHandle(input);
    return mode;
  }

  static inline bool allocated_ = false;
  static inline DWORD allocError_ = 0;
  static inline InterruptSource* interrupts_ = nullptr;
};

// A press while watched wakes a wait once; taken, it no longer does, and it is not a stop.
// One discarded (pressed before the progress window opened) cancels nothing.
TEST_F(CliWin32Console, CtrlCWhileWatchedIsOnePressThatWakesAWaitAndADiscardedOneIsForgotten) {
  const auto wake = reinterpret_cast<HANDLE>(interrupts_->Wake());
  EXPECT_EQ(::WaitForSingleObject(wake, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  PressCtrlC();
  ASSERT_EQ(::WaitForSingleObject(wake, kGenerousMs), WAIT_OBJECT_0);
  EXPECT_TRUE(interrupts_->TakePress());
  EXPECT_FALSE(interrupts_->TakePress());
  EXPECT_EQ(::WaitForSingleObject(wake, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(interrupts_->StopSignal(), 0);
  PressCtrlC();
  ASSERT_EQ(::WaitForSingleObject(wake, kGenerousMs), WAIT_OBJECT_0);
  interrupts_->DiscardPresses();
  EXPECT_EQ(::WaitForSingleObject(wake, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(interrupts_->TakePress());
}

// A click in a QuickEdit console would hold every write, and with the progress line the load.
TEST_F(CliWin32Console, QuickEditIsOffWhileWatchedAndTheModeComesBack) {
  interrupts_->SetWatching(false);
  const DWORD before = InputMode(InputMode() | ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE);
  ASSERT_NE(before & ENABLE_QUICK_EDIT_MODE, 0u) << "the console keeps no QuickEdit flag";
  interrupts_->SetWatching(true);
  EXPECT_EQ(InputMode() & ENABLE_QUICK_EDIT_MODE, 0u);
  interrupts_->SetWatching(true);  // a question within the load
  interrupts_->SetWatching(false);
  EXPECT_EQ(InputMode(), before);
}

}  // namespace
