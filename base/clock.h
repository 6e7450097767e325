// Milliseconds on a monotonic process clock, and sleeps. Every time limit of a load is
// measured on it, so tests can run 30 s and 60 s limits on a virtual clock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowMs() = 0;
  virtual void SleepMs(std::int64_t ms) = 0;
};

// Milliseconds since the clock was made (the program's start in production).
class CSteadyClock : public Clock {
 public:
  CSteadyClock() : start_(std::chrono::steady_clock::now()) {}
  std::int64_t NowMs() override;
  void SleepMs(std::int64_t ms) override;

 private:
  std::chrono::steady_clock::time_point start_;
};

// A clock that only moves when slept on or advanced; for tests.
class CVirtualClock : public Clock {
 public:
  explicit CVirtualClock(std::int64_t startMs = 0) : now_(startMs) {}
  std::int64_t NowMs() override { return now_.load(); }
  void SleepMs(std::int64_t ms) override {
    if (ms > 0) now_ += ms;
  }
  void Advance(std::int64_t ms) { SleepMs(ms); }

 private:
  std::atomic<std::int64_t> now_;
};
