// The time limits of a load: a deadline on the process clock, and the take of what arrives
// until something is seen or the deadline has passed. Every reading of the clock is one
// call of NowMs(), so waits keep the same pace on the real and on a virtual clock.
#pragma once

#include <cstdint>
#include <span>

#include "base/clock.h"
#include "serial/serial_link.h"

class Deadline {
 public:
  // Starts now: passes windowMs from this reading of the clock.
  Deadline(Clock& clock, std::int64_t windowMs)
      : clock_(clock), windowMs_(windowMs), limitMs_(clock.NowMs() + windowMs) {}

  bool Passed() const { return clock_.NowMs() >= limitMs_; }
  std::int64_t LeftMs() const { return limitMs_ - clock_.NowMs(); }
  // The whole window again, from now.
  void Restart() { limitMs_ = clock_.NowMs() + windowMs_; }

 private:
  Clock& clock_;
  std::int64_t windowMs_;
  std::int64_t limitMs_;
};

// Takes what arrives, sleeping on the port's arrival signal for at most stepMs before each
// take, and hands every take (empty ones too) to `onTake`. True as soon as `onTake` returns
// true; false when, after a take that did not end the wait, the deadline has passed. The
// first take comes before the first look at the clock.
template <class OnTake>
bool TakeUntil(SerialLink& port, const Deadline& deadline, std::int64_t stepMs, OnTake&& onTake) {
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    port.TakeReceivedWaiting(&data, &count, stepMs);
    if (onTake(std::span<const std::uint8_t>(data, count))) return true;
    if (deadline.Passed()) return false;
  }
}

// The first delivery that arrives before the deadline, empty when none did. It points into
// the port's take buffer and stays valid until the next take.
inline std::span<const std::uint8_t> TakeFirstDelivery(SerialLink& port, const Deadline& deadline,
                                                       std::int64_t stepMs) {
  std::span<const std::uint8_t> delivery;
  TakeUntil(port, deadline, stepMs, [&](std::span<const std::uint8_t> take) {
    delivery = take;
    return !take.empty();
  });
  return delivery;
}
