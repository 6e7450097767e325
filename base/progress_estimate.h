// The time left of the step a load is in, for the progress window and the command line's
// bar. A load's steps (the read-out of the receiver's tables, the transfer, the write-back)
// each move the bar from its own start at their own pace, so each is measured alone: a
// step begins when the status text changes or the bar goes back, and its pace is taken
// between the moments the bar moved within it. The bar a step inherits from the one before
// (the read-out's 100 % under the transfer's text) and the time a step spends before the
// bar first moves (a wake-up, the receiver erasing) count for nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/messages.h"

class CProgressEstimate {
 public:
  // The status text changed: a step begins, the bar where it is.
  void BeginStep(std::int64_t nowMs);
  // The bar was set to `position` (0 to 100) at `nowMs`.
  void SetPosition(int position, std::int64_t nowMs);
  // The time until the bar reaches 100 at the step's pace so far; none until the bar has
  // moved twice within the step (its first move comes at once with the first piece of
  // work, so it tells no pace).
  std::optional<std::int64_t> LeftMs(std::int64_t nowMs) const;
  // The step's pace in percent per minute, when known.
  std::optional<double> PercentPerMinute() const;

 private:
  struct Mark {
    std::int64_t ms = 0;
    int position = 0;
  };
  int position_ = 0;
  int moves_ = 0;  // moves of the bar since the step began
  Mark paceFrom_;  // the step's first move
  Mark lastMove_;
};

// "m:ss" of whole seconds.
std::string MinutesAndSeconds(std::int64_t seconds);
// "1:15 left", "reste 1:15": the seconds rounded up, so "0:00" only once nothing is left.
std::string TimeLeftText(std::int64_t leftMs, Language language);
