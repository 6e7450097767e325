// Picks the loader's proprietary sentences and markers out of the bytes a receiver gets
// while it runs (or while its loader waits): everything else on the line is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kznsim {

struct Command {
  enum class Kind { kSentence, kMarker };
  Kind kind = Kind::kSentence;
  std::string text;  // the sentence without CR LF, or the marker without its zero byte
  int code = -1;     // sentence code, -1 when the sentence is malformed
  std::string data;  // data characters of a sentence
  bool sumOk = false;
};

class CSentenceReader {
 public:
  // One received byte; a command when this byte completed one.
  std::optional<Command> Feed(std::uint8_t byte);
  void Reset() { buffer_.clear(); }

 private:
  std::string buffer_;
};

// 16-bit sum of a sentence's bytes from "$" through the comma before the sum, each byte
// counted as a signed 8-bit number.
std::uint16_t SentenceSum(const std::string& text);

}  // namespace kznsim
