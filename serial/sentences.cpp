#include "serial/sentences.h"

#include <cstdio>

#include "base/clock.h"
#include "serial/serial_link.h"

std::uint16_t SentenceSum(std::string_view text) {
  std::uint16_t sum = 0;
  for (char c : text) {
    sum = static_cast<std::uint16_t>(sum + static_cast<std::int8_t>(c));
  }
  return sum;
}

std::string BuildProprietarySentence(std::uint16_t code, std::string_view data) {
  char head[32];
  std::snprintf(head, sizeof head, "%s%02X,%02X", "$PKZN,", static_cast<unsigned>(code & 0xFFu),
                static_cast<unsigned>((data.size() / 2) & 0xFFu));
  std::string sentence = head;
  if (!data.empty()) {
    sentence.push_back(',');
    sentence.append(data);
  }
  sentence.push_back(',');
  std::uint16_t sum = SentenceSum(sentence);
  char tail[8];
  std::snprintf(tail, sizeof tail, "%02X%02X%c%c", sum >> 8, sum & 0xFFu, 13, 10);
  sentence.append(tail);
  return sentence;
}

std::uint32_t SendProprietarySentence(SerialLink& port, std::uint16_t code, std::string_view data) {
  std::string sentence = BuildProprietarySentence(code, data);
  return port.WriteToPort(reinterpret_cast<const std::uint8_t*>(sentence.data()),
                          static_cast<std::uint32_t>(sentence.size()));
}

bool SendStoredText(SerialLink& port, std::string_view text, Clock* clock, std::int64_t pauseMs) {
  for (char c : text) {
    std::uint8_t byte = static_cast<std::uint8_t>(c);
    // The rest of a sentence cut short means nothing to the receiver, and a port that
    // failed one byte (an adapter gone, a line that does not move) fails the next as well:
    // one failure, told once.
    if (port.WriteToPort(&byte, 1) != 1) return false;
    if (clock != nullptr && pauseMs > 0) clock->SleepMs(pauseMs);
  }
  return true;
}

std::string RecordReplyWord(char letter, std::uint8_t recordNumber) {
  char word[8];
  std::snprintf(word, sizeof word, "%c%02X%c%c", letter, recordNumber, 13, 10);
  return word;
}
