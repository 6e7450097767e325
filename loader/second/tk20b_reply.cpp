#include "loader/second/tk20b_reply.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/clock.h"
#include "loader/deadline.h"
#include "loader/load_context.h"
#include "loader/second/tk20b_timing.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

std::array<std::string, kReplyTimeout> FormReplyWords(std::uint8_t recordNumber) {
  return {RecordReplyWord('P', recordNumber), RecordReplyWord('M', recordNumber),
          RecordReplyWord('I', recordNumber), std::string(kReplyProgramChecksum),
          std::string(kReplyLoadingChecksum), std::string(kReplyWrongType),
          std::string(kReplyProgramOk)};
}

void CReplyWindow::Take(const std::uint8_t* data, std::size_t count) {
  if (count == 0) return;
  if (fill_ + count > bytes_.size()) {
    fill_ = 0;
    return;
  }
  std::memcpy(bytes_.data() + fill_, data, count);
  fill_ += count;
}

ReplyOutcome CReplyWindow::Recognise() const {
  if (fill_ < kReplyMinimumBytes) return kReplyTimeout;
  const auto* begin = bytes_.data();
  const auto* end = std::find(begin, begin + fill_, std::uint8_t{0});
  std::string_view text(reinterpret_cast<const char*>(begin),
                        static_cast<std::size_t>(end - begin));
  for (std::size_t i = 0; i < words_.size(); ++i) {
    if (text.find(words_[i]) != std::string_view::npos) return static_cast<ReplyOutcome>(i);
  }
  return kReplyTimeout;
}

ReplyOutcome Tk20bAwaitReply(LoadContext& context, std::uint8_t recordNumber) {
  CReplyWindow window(recordNumber);
  const Deadline deadline(context.clock, kTk20bReplyWindowMs);
  const std::uint8_t* data = nullptr;
  std::uint32_t count = 0;
  context.port.TakeReceived(&data, &count);
  for (;;) {
    if (count > 0) {
      window.Take(data, count);
      ReplyOutcome outcome = window.Recognise();
      if (outcome != kReplyTimeout) return outcome;
    }
    // Sleeps on the arrival signal between takes, so a word is seen as soon as its last
    // byte is here; what is taken once the window has closed is too late.
    const std::int64_t left = deadline.LeftMs();
    if (left <= 0) return kReplyTimeout;
    context.port.TakeReceivedWaiting(&data, &count, std::min(left, kTk20bReplyWaitStepMs));
    if (deadline.Passed()) return kReplyTimeout;
  }
}
