#include "sim/sentence_reader.h"

#include <vector>

namespace kznsim {

namespace {

// Longer than any sentence a loader sends; a runaway line is dropped.
constexpr std::size_t kMaxSentenceBytes = 96;

bool IsHex(const std::string& s, std::size_t digits) {
  if (s.size() != digits) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

Command ParseSentence(const std::string& line) {
  Command c;
  c.kind = Command::Kind::kSentence;
  c.text = line;
  auto lastComma = line.rfind(',');
  if (lastComma == std::string::npos) return c;
  std::string sumText = line.substr(lastComma + 1);
  std::string summed = line.substr(0, lastComma + 1);
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i < lastComma; ++i) {
    if (line[i] == ',') {
      fields.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  fields.push_back(line.substr(start, lastComma - start));
  if (fields.size() < 3 || fields.size() > 4 || fields[0] != "$PKZN" || !IsHex(fields[1], 2) ||
      !IsHex(fields[2], 2) || !IsHex(sumText, 4))
    return c;
  c.code = std::stoi(fields[1], nullptr, 16);
  if (fields.size() == 4) c.data = fields[3];
  c.sumOk = std::stoi(sumText, nullptr, 16) == SentenceSum(summed);
  return c;
}

}  // namespace

std::uint16_t SentenceSum(const std::string& text) {
  int sum = 0;
  for (char ch : text)
    sum += static_cast<signed char>(ch);
  return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::optional<Command> CSentenceReader::Feed(std::uint8_t byte) {
  if (byte == '$') buffer_.clear();
  if (buffer_.empty() && byte != '$') return std::nullopt;
  if (byte == 0) {
    std::string text = buffer_;
    buffer_.clear();
    if (text == "$KZNPROG" || text == "$KZNPROJ") {
      Command c;
      c.kind = Command::Kind::kMarker;
      c.text = text;
      return c;
    }
    return std::nullopt;
  }
  buffer_ += static_cast<char>(byte);
  if (byte == '\n') {
    std::string line = buffer_;
    buffer_.clear();
    if (line.size() < 2 || line[line.size() - 2] != '\r') return std::nullopt;
    line.resize(line.size() - 2);
    return ParseSentence(line);
  }
  if (buffer_.size() > kMaxSentenceBytes) buffer_.clear();
  return std::nullopt;
}

}  // namespace kznsim
