// Reply words of the second family's loader among arbitrary bytes from the line.
// Input: the record number, then takes, each a length byte and that many bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "loader/second/tk20b_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t record = data[0];
  const auto words = FormReplyWords(record);
  CReplyWindow window(record);
  std::string held;  // what the window should hold, by the overflow rule
  std::size_t at = 1;
  while (at < size) {
    std::size_t count = data[at++];
    if (count > size - at) count = size - at;
    window.Take(data + at, count);
    if (held.size() + count > kReplyWindowBytes) {
      held.clear();
    } else {
      held.append(reinterpret_cast<const char*>(data + at), count);
    }
    at += count;
    if (window.Fill() != held.size()) __builtin_trap();

    // The first word of the list found in the text before the first zero byte.
    ReplyOutcome expected = kReplyTimeout;
    const std::string_view text = std::string_view(held).substr(0, held.find('\0'));
    if (held.size() >= kReplyMinimumBytes) {
      for (std::size_t i = 0; i < words.size() && expected == kReplyTimeout; ++i) {
        if (text.find(words[i]) != std::string_view::npos) expected = static_cast<ReplyOutcome>(i);
      }
    }
    if (window.Recognise() != expected) __builtin_trap();
  }
  return 0;
}
