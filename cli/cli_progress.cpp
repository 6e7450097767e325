#include "cli/cli_progress.h"

#include <algorithm>
#include <chrono>

#include "base/progress.h"

namespace {

constexpr int kBarCells = 20;
constexpr const char* kClearLine = "\r\033[K";

// Bytes of `text` that hold at most `width` characters (UTF-8 continuation bytes take no
// room of their own).
std::size_t PrefixOfWidth(const std::string& text, int width) {
  int characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters == width) return i;
    ++characters;
  }
  return text.size();
}

}  // namespace

std::string FormatProgressTimes(std::int64_t elapsedMs, std::optional<std::int64_t> leftMs,
                                Language language) {
  std::string text = MinutesAndSeconds(elapsedMs / 1000);
  if (leftMs) text += ", " + TimeLeftText(*leftMs, language);
  return text;
}

std::string FormatProgressBar(const std::string& text, int position, int columns,
                              const std::string& times) {
  int filled = std::clamp(position, 0, 100) * kBarCells / 100;
  std::string bar = " [" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(kBarCells - filled), '-') + "] " +
                    ProgressPercentText(position) + (times.empty() ? "" : " " + times);
  // One column stays free: writing into the last one makes some terminals wrap.
  int room = columns - 1 - static_cast<int>(bar.size());
  std::string shown = room > 0 ? text.substr(0, PrefixOfWidth(text, room)) : std::string();
  return shown + bar;
}

CProgressLine::CProgressLine(std::ostream& err, bool terminal, int columns,
                             std::function<std::int64_t()> nowMs)
    : err_(err), terminal_(terminal), columns_(columns), nowMs_(std::move(nowMs)) {
  if (!nowMs_) {
    nowMs_ = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
  }
}

void CProgressLine::Open() {
  open_ = true;
  shown_.reset();
  openedMs_ = nowMs_();
  model_ = CProgressModel{};
}

void CProgressLine::Tick() {
  if (terminal_) Update();
}

std::string CProgressLine::Times() const {
  const std::int64_t now = nowMs_();
  return FormatProgressTimes(now - openedMs_, model_.LeftMs(now), language_);
}

void CProgressLine::SetText(const std::string& text) {
  // A step starts its own bar: until it sets it, the bar of the step before (the read-out's
  // 100 % under the transfer's text) is not shown as this one's.
  model_.SetText(text, nowMs_());
  Update();
}

int CProgressLine::SetPosition(int position) {
  const int previous = model_.Position();
  model_.SetPosition(position, nowMs_());
  Update();
  return previous;
}

void CProgressLine::Close() {
  Hide();
  open_ = false;
}

void CProgressLine::Hide() {
  if (!drawn_) return;
  err_ << kClearLine << std::flush;
  drawn_ = false;
}

void CProgressLine::Show() {
  if (open_ && terminal_ && shown_) Draw();
}

void CProgressLine::Update() {
  if (!open_) return;
  const std::string& text = model_.Text();
  std::string now = ProgressPercentText(model_.StepPosition()) + (text.empty() ? "" : " " + text);
  // On a terminal the times are part of what is shown; a log gets a line per change of
  // text or percent only.
  if (terminal_) now += " " + Times();
  if (shown_ == now) return;
  shown_ = now;
  if (terminal_) {
    Draw();
  } else {
    err_ << "[progress] " << now << '\n' << std::flush;
  }
}

void CProgressLine::Draw() {
  err_ << kClearLine << FormatProgressBar(model_.Text(), model_.StepPosition(), columns_, Times())
       << std::flush;
  drawn_ = true;
}
