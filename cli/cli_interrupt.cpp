#include "cli/cli_interrupt.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <thread>

namespace {

class CProcessInterrupts : public InterruptSource {
 public:
  CProcessInterrupts() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
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
  int WakeFd() const override { return pipe_[0]; }
  void SetWatching(bool watching) override { watching_.store(watching); }

 private:
  void TakeSignals() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    for (;;) {
      int signal = 0;
      if (sigwait(&interrupt, &signal) != 0) continue;
      if (!watching_.load()) {
        // Nothing to cancel: end the program the way Ctrl+C always does.
        ::signal(SIGINT, SIG_DFL);
        pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
        raise(SIGINT);
        return;
      }
      pressed_.store(true);
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
};

}  // namespace

InterruptSource& InstallProcessInterrupts() {
  // Never destroyed: its thread waits for signals until the process ends, also while
  // static objects are being destroyed at exit.
  static CProcessInterrupts* interrupts = new CProcessInterrupts();
  return *interrupts;
}
