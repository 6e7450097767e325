#include <windows.h>

#include <atomic>
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

  void Install() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

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
  void SetWatching(bool watching) override { watching_.store(watching); }
  int StopSignal() const override { return stop_.load(); }

  // Runs on a thread the system starts for the event.
  BOOL Handle(DWORD event) {
    // Nothing to cancel, or a stop already under way that the user will not wait for: the
    // system's own handler ends the program.
    if (!watching_.load() || stop_.load() != 0) return FALSE;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
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
  HANDLE wake_ = nullptr;
  std::atomic<bool> pressed_{false};
  std::atomic<bool> watching_{false};
  std::atomic<int> stop_{0};
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
  return kStopBase + CTRL_C_EVENT;
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
