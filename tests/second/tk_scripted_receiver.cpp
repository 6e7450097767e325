#include "tests/second/tk_scripted_receiver.h"

#include "serial/sentences.h"

TkScriptedReceiver::TkScriptedReceiver(VirtualClock& clock) : FakeLink(clock) {
  onWrite = [this](FakeLink&, const std::vector<std::uint8_t>& bytes) { Receive(bytes); };
}

int TkScriptedReceiver::OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity,
                                 std::uint16_t dataBits, std::uint16_t stopBits) {
  openAttempts.push_back({portNumber, bitRate, parity, dataBits, stopBits});
  sentenceBytes_.clear();
  recordBytes_.clear();
  return FakeLink::OpenPort(portNumber, bitRate, parity, dataBits, stopBits);
}

int TkScriptedReceiver::SetBaudRate(std::uint32_t bitRate) {
  int done = FakeLink::SetBaudRate(bitRate);
  if (done == 1) {
    rateChanges.push_back(bitRate);
    rateChangeStopBits.push_back(Settings().stopBits);
  }
  return done;
}

std::string TkScriptedReceiver::DefaultReply(const std::string& record) {
  if (static_cast<std::uint8_t>(record[0]) == 0x8C) return std::string(kReplyProgramOk);
  return RecordReplyWord('P', static_cast<std::uint8_t>(record[1]));
}

void TkScriptedReceiver::Receive(const std::vector<std::uint8_t>& bytes) {
  if (Settings().bitRate == 4800) {
    sentenceBytes_.append(bytes.begin(), bytes.end());
    if (sentenceBytes_.size() < 2 || sentenceBytes_.compare(sentenceBytes_.size() - 2, 2, "\r\n"))
      return;
    std::string sentence;
    sentence.swap(sentenceBytes_);
    if (sentence == kSecondWakeSentence && answersWake) {
      for (int i = 0; i < wakeAnswerRepeats; ++i)
        DeliverAfter(wakeAnswerDelayMs + 100 * i, wrongChecksumText + "\r\n");
    } else if (sentence.rfind("$PKZN,24,", 0) == 0 && acceptsPreparation) {
      preparationSentence = sentence;
      DeliverAfter(acceptDelayMs, std::string(kReplyAccepted));
      if (erasedTogether) {
        DeliverAfter(programErasedAfterMs,
                     std::string(kReplyEraseDataDone) + std::string(kReplyEraseDone));
      } else {
        if (dataErasedAfterMs >= 0)
          DeliverAfter(dataErasedAfterMs, std::string(kReplyEraseDataDone));
        if (programErasedAfterMs >= 0)
          DeliverAfter(programErasedAfterMs, std::string(kReplyEraseDone));
      }
    }
    return;
  }
  recordBytes_.append(bytes.begin(), bytes.end());
  const auto first = static_cast<std::uint8_t>(recordBytes_[0]);
  std::size_t size = 0;
  if (first == 0x8C) {
    size = 8;
  } else if (first == 0x8B && recordBytes_.size() >= 3) {
    size = 2u * static_cast<std::uint8_t>(recordBytes_[2]) + 10u;
  } else if (first != 0x8B) {
    size = 1;  // garbage: taken and ignored, but kept as a "record" so tests see it
  }
  if (size == 0 || recordBytes_.size() < size) return;
  std::string record = recordBytes_.substr(0, size);
  recordBytes_.erase(0, size);
  records.push_back(record);
  recordTimesMs.push_back(clock().NowMs());
  recordSettings.push_back(Settings());
  int attempt = ++attempts_[static_cast<std::uint8_t>(record[1 % record.size()])];
  std::string reply = replyFor ? replyFor(record, attempt) : DefaultReply(record);
  if (!reply.empty()) DeliverAfter(replyDelayMs, reply);
}
