// A second-family receiver on a FakeLink and a virtual clock: it answers the wake
// sentences with its wrong-checksum text, the preparation sentence with "PRG" and the
// erase words, and each record with the reply its script gives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fake_link.h"

class TkScriptedReceiver : public FakeLink {
 public:
  explicit TkScriptedReceiver(VirtualClock& clock);

  int OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity, std::uint16_t dataBits,
               std::uint16_t stopBits) override;
  int SetBaudRate(std::uint32_t bitRate) override;

  // Detection: the text, repeated every 100 ms from `wakeAnswerDelayMs` after the second
  // wake sentence, for `wakeAnswerRepeats` times; no answer when the text is unset.
  bool answersWake = true;
  std::string wrongChecksumText = "TK20B BAD CHECKSUM";
  int wakeAnswerDelayMs = 30;
  int wakeAnswerRepeats = 100;
  // Preparation: "PRG" after `acceptDelayMs`; then "DXF" (when >= 0) and "PXF", timed from
  // the preparation sentence; both in one delivery when `erasedTogether`.
  bool acceptsPreparation = true;
  int acceptDelayMs = 20;
  int dataErasedAfterMs = -1;
  int programErasedAfterMs = 400;
  bool erasedTogether = false;
  // Transfer: the answer to a record at its attempt (1 for the first sending); an empty
  // answer is silence. By default the acceptance of data records and "POK" at the end.
  std::function<std::string(const std::string& record, int attempt)> replyFor;
  int replyDelayMs = 3;

  // What it saw.
  std::string preparationSentence;
  std::vector<std::string> records;  // every record completed, resends included
  std::vector<std::int64_t> recordTimesMs;
  std::vector<LineSettings> recordSettings;
  std::vector<LineSettings> openAttempts;  // rejected ones too
  std::vector<std::uint32_t> rateChanges;  // SetBaudRate while open
  std::vector<std::uint16_t> rateChangeStopBits;

  static std::string DefaultReply(const std::string& record);

 private:
  void Receive(const std::vector<std::uint8_t>& bytes);
  std::string sentenceBytes_;
  std::string recordBytes_;
  std::vector<int> attempts_ = std::vector<int>(256, 0);
};
