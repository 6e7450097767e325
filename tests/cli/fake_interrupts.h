// A Ctrl+C for tests: Press() is what the signal thread does on a real press.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "cli/cli_interrupt.h"

class FakeInterrupts : public InterruptSource {
 public:
  FakeInterrupts() { EXPECT_EQ(::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK), 0); }
  ~FakeInterrupts() override {
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }

  void Press() { EXPECT_EQ(::write(pipe_[1], "", 1), 1); }

  bool TakePress() override {
    char bytes[16];
    bool pressed = false;
    while (::read(pipe_[0], bytes, sizeof bytes) > 0)
      pressed = true;
    return pressed;
  }
  void DiscardPresses() override {
    TakePress();
    if (onDiscard) onDiscard();
  }
  int WakeFd() const override { return pipe_[0]; }
  void SetWatching(bool on) override { watching = on; }

  bool watching = false;
  std::function<void()> onDiscard;  // runs after presses were discarded

 private:
  int pipe_[2] = {-1, -1};
};
