// A Ctrl+C for tests: Press() is what the signal thread does on a real press.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <functional>

#include "cli/cli_interrupt.h"

class FakeInterrupts : public InterruptSource {
 public:
  FakeInterrupts() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
  }
  ~FakeInterrupts() override {
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }

  void Press() {
    pressed_ = true;
    const char byte = 1;
    if (::write(pipe_[1], &byte, 1) < 0) pressed_ = true;
  }

  bool TakePress() override {
    bool was = pressed_;
    pressed_ = false;
    Drain();
    return was;
  }
  void DiscardPresses() override {
    pressed_ = false;
    Drain();
    ++discards;
    if (onDiscard) onDiscard();
  }
  int WakeFd() const override { return pipe_[0]; }
  void SetWatching(bool on) override { watching = on; }

  bool watching = false;
  int discards = 0;
  std::function<void()> onDiscard;  // runs after presses were discarded

 private:
  void Drain() {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
  }
  int pipe_[2] = {-1, -1};
  bool pressed_ = false;
};
