#include <windows.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

#include "cli/cli_interrupt.h"

namespace {

// A stop is the console event that asked it plus this, so that none of them is 0.
constexpr int kStopBase = 100;

class CConsoleInterrupts;
CConsoleInterrupts* g_installed = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event);

class CConsoleInterrupts : public InterruptSource {
 public:
  CConsoleInterrupts() {
    // Manual reset: it stays set for every wait until the press is taken.
    wake_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (wake_ == nullptr) throw std::runtime_error("CreateEvent failed");
  }

  void Install() {
    // A program started with Ctrl+C ignored (start /b, a new process group) inherits that,
    // and the system would then never hand Ctrl+C to the handler: the cancel button would be
    // dead.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  }

  bool TakePress() override {
    if (!pressed_.load()) return false;
    // Reset before taking: a press that comes in between sets the event again.
    ::ResetEvent(wake_);
    if (stop_.load() != 0) ::SetEvent(wake_);
    return pressed_.exchange(false);
  }
  void DiscardPresses() override {
    ::ResetEvent(wake_);
    pressed_.store(false);
    if (stop_.load() != 0) ::SetEvent(wake_);
  }
  WakeHandle Wake() const override { return reinterpret_cast<WakeHandle>(wake_); }
  void SetWatching(bool watching) override {
    watching_.store(watching);
    HoldSelection(watching);
  }
  int StopSignal() const override { return stop_.load(); }
  // The key of the last press, for the stop it stands for where nobody can confirm it.
  DWORD LastKey() const { return lastKey_.load(); }

  // Runs on a thread the system starts for the event.
  BOOL Handle(DWORD event) {
    // Nothing to cancel, or a stop already under way that the user will not wait for: the
    // system's own handler ends the program.
    if (!watching_.load() || stop_.load() != 0) {
      HoldSelection(false);
      return FALSE;
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
      lastKey_.store(event);
      pressed_.store(true);
      ::SetEvent(wake_);
      return TRUE;
    }
    // The console closes, the user logs off or the system shuts down: a confirmed cancel.
    // The system ends the process as soon as this handler returns (and a closing console
    // after about 5 s anyway), so it returns never: the load stops at its next cancel point,
    // closes its port, writes its marker and tells its outcome, and the program's own end
    // ends this thread. Cut off by the system before that, the port stays marked unfinished
    // and its dump keeps the receiver's tables for the next run.
    stop_.store(kStopBase + static_cast<int>(event));
    ::SetEvent(wake_);
    for (;;)
      ::Sleep(INFINITE);
  }

 private:
  // While a click in the console could start a selection (QuickEdit), the console holds
  // every write of the program until the selection ends: the progress line, and with it
  // the load in the middle of a record. QuickEdit is off while the program watches (a load
  // runs or a question waits) and the console's own mode comes back afterwards.
  void HoldSelection(bool hold) {
    std::lock_guard<std::mutex> lock(consoleModeLock_);
    if (hold == (consoleInput_ != INVALID_HANDLE_VALUE)) return;
    if (!hold) {
      ::SetConsoleMode(consoleInput_, savedInputMode_ | ENABLE_EXTENDED_FLAGS);
      ::CloseHandle(consoleInput_);
      consoleInput_ = INVALID_HANDLE_VALUE;
      return;
    }
    // The console's input even when standard input is redirected: the window is the same.
    HANDLE input =
        ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return;  // no console
    DWORD mode = 0;
    if (::GetConsoleMode(input, &mode) == 0 || (mode & ENABLE_QUICK_EDIT_MODE) == 0 ||
        ::SetConsoleMode(input, (mode | ENABLE_EXTENDED_FLAGS) & ~ENABLE_QUICK_EDIT_MODE) == 0) {
      ::CloseHandle(input);
      return;
    }
    savedInputMode_ = mode;
    consoleInput_ = input;
  }

  HANDLE wake_ = nullptr;
  std::atomic<bool> pressed_{false};
  std::atomic<bool> watching_{false};
  std::atomic<int> stop_{0};
  std::atomic<DWORD> lastKey_{CTRL_C_EVENT};
  std::mutex consoleModeLock_;
  HANDLE consoleInput_ = INVALID_HANDLE_VALUE;  // held while QuickEdit is off
  DWORD savedInputMode_ = 0;
};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  return g_installed != nullptr ? g_installed->Handle(event) : FALSE;
}

}  // namespace

InterruptSource& InstallProcessInterrupts() {
  // Never destroyed: the system may call the handler until the process ends.
  static CConsoleInterrupts* interrupts = [] {
    auto* created = new CConsoleInterrupts();
    g_installed = created;
    created->Install();
    return created;
  }();
  return *interrupts;
}

int UnconfirmedPressStop() {
  const DWORD key = g_installed != nullptr ? g_installed->LastKey() : CTRL_C_EVENT;
  return kStopBase + static_cast<int>(key);
}

std::string DescribeStop(int stop) {
  switch (stop - kStopBase) {
    case CTRL_C_EVENT:
      return "Ctrl+C";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
      return "closing the console";
    case CTRL_LOGOFF_EVENT:
      return "the user logging off";
    case CTRL_SHUTDOWN_EVENT:
      return "the system shutting down";
    default:
      return "console event " + std::to_string(stop - kStopBase);
  }
}
