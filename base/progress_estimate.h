// What the progress windows and the command line's bar show besides the bar itself, apart
// from any window: the percent text and the time left of the step a load is in. A load's
// steps (the read-out of the receiver's tables, the transfer, the write-back) each move the
// bar from its own start at their own pace, so each is measured alone: a step begins when
// the status text changes or the bar goes back, and its pace is taken between the moments
// the bar moved within it. The bar a step inherits from the one before (the read-out's 100 %
// under the transfer's text) and the time a step spends before the bar first moves (a
// wake-up, the receiver erasing) count for nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/messages.h"
#include "base/progress.h"

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

// What a progress window shows, kept apart from the window so that the Qt and Win32 windows
// and kznload-cli's line show the same: the status text, the bar's position, the percent
// text and the time left of the step under way (each status text is a step of its own).
class CProgressModel {
 public:
  // The status text; a different one begins a step, whose bar is not yet set.
  void SetText(const std::string& text, std::int64_t nowMs);
  // The bar was set to `position` at `nowMs`.
  void SetPosition(int position, std::int64_t nowMs);

  const std::string& Text() const { return text_; }
  int Position() const { return position_; }
  // The bar as the step under way has set it: 0 until the step sets it (the read-out's
  // 100 % under the transfer's text is not the transfer's).
  int StepPosition() const { return stepBarSet_ ? position_ : kProgressLower; }
  // The percent text of the bar's position (ProgressPercentText).
  std::string PercentText() const { return ProgressPercentText(position_); }
  // The time left of the step under way, when its pace is known.
  std::optional<std::int64_t> LeftMs(std::int64_t nowMs) const { return estimate_.LeftMs(nowMs); }
  // "1:15 left", "reste 1:15"; empty until the step's pace is known.
  std::string TimeLeftText(std::int64_t nowMs, Language language) const;

 private:
  std::string text_;
  int position_ = kProgressLower;
  bool stepBarSet_ = true;
  CProgressEstimate estimate_;
};
