#include "base/progress_estimate.h"

#include <algorithm>

void CProgressEstimate::BeginStep(std::int64_t /*nowMs*/) {
  moves_ = 0;
}

void CProgressEstimate::SetPosition(int position, std::int64_t nowMs) {
  if (position < position_) moves_ = 0;  // the bar went back: another step
  if (position > position_) {
    ++moves_;
    if (moves_ == 1) paceFrom_ = {nowMs, position};
    lastMove_ = {nowMs, position};
  }
  position_ = position;
}

std::optional<double> CProgressEstimate::PercentPerMinute() const {
  if (moves_ < 2 || lastMove_.ms <= paceFrom_.ms) return std::nullopt;
  return static_cast<double>(lastMove_.position - paceFrom_.position) * 60000.0 /
         static_cast<double>(lastMove_.ms - paceFrom_.ms);
}

std::optional<std::int64_t> CProgressEstimate::LeftMs(std::int64_t nowMs) const {
  const std::optional<double> pace = PercentPerMinute();
  if (!pace || position_ > kProgressUpper) return std::nullopt;
  // When the bar reaches 100 at this pace, counted from its last move.
  const double toGoMs = static_cast<double>(kProgressUpper - lastMove_.position) * 60000.0 / *pace;
  const auto endMs = lastMove_.ms + static_cast<std::int64_t>(toGoMs);
  return std::max<std::int64_t>(0, endMs - nowMs);
}

std::string MinutesAndSeconds(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  const std::int64_t rest = seconds % 60;
  return std::to_string(seconds / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

std::string TimeLeftText(std::int64_t leftMs, Language language) {
  const std::string left = MinutesAndSeconds((std::max<std::int64_t>(leftMs, 0) + 999) / 1000);
  return language == Language::kFrench ? "reste " + left : left + " left";
}

void CProgressModel::SetText(const std::string& text, std::int64_t nowMs) {
  if (text != text_) {
    estimate_.BeginStep(nowMs);
    stepBarSet_ = false;
  }
  text_ = text;
}

void CProgressModel::SetPosition(int position, std::int64_t nowMs) {
  position_ = position;
  stepBarSet_ = true;
  estimate_.SetPosition(position, nowMs);
}

std::string CProgressModel::TimeLeftText(std::int64_t nowMs, Language language) const {
  const std::optional<std::int64_t> left = estimate_.LeftMs(nowMs);
  return left ? ::TimeLeftText(*left, language) : std::string();
}
