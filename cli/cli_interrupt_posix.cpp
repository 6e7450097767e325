#include "cli/cli_interrupt.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

sigset_t TakenSignals() {
  sigset_t taken;
  sigemptyset(&taken);
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    sigaddset(&taken, signal);
  return taken;
}

// The signal's usual end of the program.
[[noreturn]] void EndAsUsual(int signal) {
  ::signal(signal, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  _exit(128 + signal);
}

class CProcessInterrupts : public InterruptSource {
 public:
  CProcessInterrupts() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
    sigset_t taken = TakenSignals();
    pthread_sigmask(SIG_BLOCK, &taken, nullptr);
    std::thread(&CProcessInterrupts::TakeSignals, this).detach();
  }

  bool TakePress() override {
    if (!pressed_.exchange(false)) return false;
    DrainPipe();
    return true;
  }
  void DiscardPresses() override {
    pressed_.store(false);
    DrainPipe();
  }
  WakeHandle Wake() const override { return pipe_[0]; }
  void SetWatching(bool watching) override { watching_.store(watching); }
  int StopSignal() const override { return stop_.load(); }

 private:
  void TakeSignals() {
    sigset_t taken = TakenSignals();
    for (;;) {
      int signal = 0;
      if (sigwait(&taken, &signal) != 0) continue;
      // Nothing to cancel, or a stop already under way that the user will not wait for.
      if (!watching_.load() || stop_.load() != 0) EndAsUsual(signal);
      if (signal == SIGINT) {
        pressed_.store(true);
      } else {
        stop_.store(signal);
      }
      const char byte = 1;
      while (::write(pipe_[1], &byte, 1) < 0 && errno == EINTR) {
      }
    }
  }

  void DrainPipe() {
    char bytes[64];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
  }

  int pipe_[2] = {-1, -1};
  std::atomic<bool> pressed_{false};
  std::atomic<bool> watching_{false};
  std::atomic<int> stop_{0};
};

}  // namespace

InterruptSource& InstallProcessInterrupts() {
  // Never destroyed: its thread waits for signals until the process ends, also while
  // static objects are being destroyed at exit.
  static CProcessInterrupts* interrupts = new CProcessInterrupts();
  return *interrupts;
}

int UnconfirmedPressStop() {
  return SIGINT;
}

std::string DescribeStop(int stop) {
  return std::string("signal: ") + strsignal(stop);
}
