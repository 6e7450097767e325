#include "sim/second_family.h"

#include <cstdio>

namespace kznsim {

namespace {

constexpr int kCommandRate = 4800;
constexpr std::uint8_t kRecordStart = 0x8B;
constexpr std::uint8_t kEndStart = 0x8C;
constexpr std::uint8_t kHeaderBStart = 0x8A;
constexpr long long kPrgDelayMs = 20;
constexpr long long kReplyDelayMs = 2;
constexpr long long kVanishDelayMs = 20;

std::string NumberedWord(char letter, int number) {
  char word[8];
  std::snprintf(word, sizeof(word), "%c%02X", letter, number & 0xFF);
  return word;
}

bool CheckByteOk(const Bytes& r) {
  unsigned sum = 0;
  for (std::size_t i = 1; i + 1 < r.size(); ++i)
    sum += r[i];
  return (sum & 0xFF) == r.back();
}

}  // namespace

CSecondFamilyReceiver::CSecondFamilyReceiver(CReceiverHost& host, const SimOptions& options,
                                             SimReport& report)
    : CReceiverBase(host, options, report, Family::kTk20b),
      refuseLeft_(options.faults.refuse),
      refuseRecordLeft_(options.faults.refuseRecordTimes),
      mWordLeft_(options.faults.mWord),
      wrongRecordLeft_(options.faults.wrongRecord) {
  report_.family = FamilyName(Family::kTk20b);
}

const char* CSecondFamilyReceiver::StateName() const {
  switch (state_) {
    case State::kNormal:
      return "normal";
    case State::kIdentify:
      return "identify";
    case State::kErase:
      return "erase";
    case State::kRecord:
      return "record";
  }
  return "";
}

void CSecondFamilyReceiver::SetState(State state) {
  state_ = state;
  ResetOnce(kOnceNotReady);
  ResetOnce(kOnceStray);
  ResetOnce(kOnceErase);
}

void CSecondFamilyReceiver::EnterIdentify() {
  SetState(State::kIdentify);
  scheduler_.Cancel(kTagErase);
  framing_ = Framing::kNone;
  record_.clear();
  StartRepeatingText(kCommandRate);
}

void CSecondFamilyReceiver::OnPortOpen(bool open) {
  // The loader closes its port once after erasing; closing it after records came means the
  // transfer is over without an end record the receiver took.
  if (!open && state_ == State::kRecord && recordsThisLoad_ > 0) EndLoad("abandoned");
}

void CSecondFamilyReceiver::OnByte(std::uint8_t byte, const LineSettings& settings) {
  if (vanishing_) return;
  LineSettings expected;
  expected.bitRate = state_ == State::kRecord ? agreedRate_ : kCommandRate;
  expected.stopBits = state_ == State::kRecord ? 1 : 2;
  if (state_ == State::kErase) {
    NoteOnly(byte, settings, StateName());
    ViolationOnce(kOnceErase, "byte " + HexByte(byte) + " sent while the receiver erases");
    return;
  }
  if (!Accept(byte, settings, StateName(), expected)) return;
  if (state_ == State::kRecord) {
    FrameRecordByte(byte, settings);
    return;
  }
  if (byte == kRecordStart || byte == kEndStart || byte == kHeaderBStart) {
    ViolationOnce(kOnceNotReady, "record byte " + HexByte(byte) +
                                     " sent while no loader was ready (" + StateName() + ")");
  }
  if (auto command = reader_.Feed(byte)) HandleCommand(*command);
}

void CSecondFamilyReceiver::HandleCommand(const Command& command) {
  if (command.kind == Command::Kind::kSentence && !command.sumOk) {
    Violation("sentence with a bad sum or shape: " + command.text);
    return;
  }
  if (command.kind == Command::Kind::kSentence && command.code == 0x04) {
    if (command.data == "01") {
      firstWakeSeen_ = true;
      return;
    }
    if (command.data == "02") {
      if (!firstWakeSeen_) Violation("second wake sentence without the first");
      bool wake = firstWakeSeen_;
      firstWakeSeen_ = false;
      if (wake && state_ == State::kNormal && !faults_.Silent(Silence::kDetect)) EnterIdentify();
      return;
    }
  }
  if (command.kind == Command::Kind::kSentence && command.code == 0x24) {
    if (state_ == State::kIdentify) {
      Prepare(command);
    } else {
      Violation("preparation sentence before the loader was woken: " + command.text);
    }
    return;
  }
  ViolationOnce(kOnceCommand, "command the TK20B receiver does not know: " + command.text);
}

void CSecondFamilyReceiver::Prepare(const Command& command) {
  const std::string& d = command.data;
  PreparationEntry entry;
  entry.sentence = command.text;
  if (d.size() >= 2) {
    entry.rateChar = d.substr(0, 1);
    entry.userDataChar = d.substr(1, 1);
  }
  report_.preparation = entry;
  bool rateOk = d.size() == 6 && (d[0] == '5' || d[0] == '2');
  bool userOk = d.size() == 6 && (d[1] == '0' || d[1] == '1');
  if (!rateOk || !userOk || d.substr(2) != "0000") {
    Violation("preparation sentence with bad data: " + command.text);
    return;
  }
  if (faults_.Silent(Silence::kPrepare)) return;
  agreedRate_ = d[0] == '5' ? 115200 : 19200;
  StopRepeatingText();
  SetState(State::kErase);
  recordsThisLoad_ = 0;
  dataRecordsAccepted_ = 0;
  lastUnanswered_.clear();
  report_.program.clear();
  SendWord("PRG", kCommandRate, kPrgDelayMs);
  if (faults_.Silent(Silence::kErase)) return;
  // Erasing starts once "PRG" has gone out.
  long long now = host_.NowMs() + kPrgDelayMs;
  long long pxfAt = now + options_.eraseMs;
  if (options_.dxf) {
    scheduler_.At(now + options_.eraseMs, kTagErase, [this] { SendWord("DXF", agreedRate_, 0); });
    pxfAt += options_.eraseMs;
  }
  scheduler_.At(pxfAt, kTagErase, [this] {
    SendWord("PXF", agreedRate_, 0);
    SetState(State::kRecord);
  });
}

void CSecondFamilyReceiver::FrameRecordByte(std::uint8_t byte, const LineSettings& settings) {
  if (framing_ == Framing::kNone) {
    if (byte == kRecordStart) {
      framing_ = Framing::kData;
    } else if (byte == kEndStart) {
      framing_ = Framing::kEnd;
      recordLength_ = 8;
    } else if (byte == kHeaderBStart) {
      framing_ = Framing::kHeaderB;
      Violation("header record (0x8A) sent");
    } else {
      ViolationOnce(kOnceStray, "stray byte " + HexByte(byte) + " between records");
      return;
    }
    ResetOnce(kOnceStray);
    record_.assign(1, byte);
    return;
  }
  record_.push_back(byte);
  if (framing_ == Framing::kHeaderB && record_.size() == 2) recordLength_ = byte + 4u;
  if (framing_ == Framing::kData && record_.size() == 3) recordLength_ = 2u * byte + 10u;
  if (record_.size() < 3 && framing_ != Framing::kEnd) return;
  if (record_.size() < recordLength_) return;
  Framing done = framing_;
  framing_ = Framing::kNone;
  if (done == Framing::kData) HandleDataRecord(settings);
  if (done == Framing::kEnd) HandleEndRecord(settings);
  record_.clear();
}

void CSecondFamilyReceiver::Reply(int recordIndex, const std::string& word) {
  auto& entry = report_.records[static_cast<std::size_t>(recordIndex)];
  bool accepted = !word.empty() && (word[0] == 'P' || word[0] == 'I') && word != "POK";
  if (!accepted) lastUnanswered_ = entry.bytes;
  if (word.empty()) return;
  entry.answer = word + "\r\n";
  SendWord(word, agreedRate_, kReplyDelayMs);
}

void CSecondFamilyReceiver::HandleDataRecord(const LineSettings& settings) {
  report_.records.push_back(RecordEntry{"data", record_, settings.bitRate, settings.stopBits, ""});
  int index = static_cast<int>(report_.records.size() - 1);
  ++recordsThisLoad_;
  if (!lastUnanswered_.empty() && record_ == lastUnanswered_) ++report_.recordsResent;
  lastUnanswered_.clear();
  if (faults_.Silent(Silence::kRecord) || faults_.Silent(Silence::kReply)) {
    Reply(index, "");
    return;
  }
  int number = record_[1];
  if (!CheckByteOk(record_)) {
    Violation("bad check byte in data record " + NumberedWord('#', number).substr(1));
    Reply(index, "ECC");
    return;
  }
  if (refuseLeft_ > 0) {
    --refuseLeft_;
    Reply(index, "ECC");
    return;
  }
  if (faults_.refuseRecord == dataRecordsAccepted_ + 1 && refuseRecordLeft_ > 0) {
    --refuseRecordLeft_;
    Reply(index, "ECC");
    return;
  }
  if (mWordLeft_ > 0) {
    --mWordLeft_;
    Reply(index, NumberedWord('M', number));
    return;
  }
  if (wrongRecordLeft_ != 0) {
    if (wrongRecordLeft_ > 0) --wrongRecordLeft_;
    Reply(index, NumberedWord('P', number + 1));
    lastUnanswered_ = record_;
    return;
  }
  report_.program.insert(report_.program.end(), record_.begin(), record_.end());
  ++report_.recordsAccepted;
  ++dataRecordsAccepted_;
  Reply(index, NumberedWord('P', number));
  if (faults_.vanishAfter >= 0 && dataRecordsAccepted_ >= faults_.vanishAfter) {
    vanishing_ = true;
    scheduler_.At(host_.NowMs() + kVanishDelayMs, kTagVanish, [this] {
      ++report_.loads;
      report_.outcomes.push_back("vanished");
      host_.Vanish();
    });
  }
}

void CSecondFamilyReceiver::HandleEndRecord(const LineSettings& settings) {
  report_.records.push_back(RecordEntry{"end", record_, settings.bitRate, settings.stopBits, ""});
  int index = static_cast<int>(report_.records.size() - 1);
  ++recordsThisLoad_;
  EndRecordEntry end;
  end.bytes = record_;
  if (faults_.Silent(Silence::kEnd) || faults_.Silent(Silence::kReply)) {
    report_.endRecord = end;
    return;
  }
  std::string word = "POK";
  if (!CheckByteOk(record_)) {
    Violation("bad check byte in the end record");
    word = "ECP";
  }
  end.verdict = word;
  report_.endRecord = end;
  Reply(index, word);
  EndLoad(word);
}

void CSecondFamilyReceiver::EndLoad(const std::string& outcome) {
  ++report_.loads;
  report_.outcomes.push_back(outcome);
  recordsThisLoad_ = 0;
  if (outcome == "POK") {
    SetState(State::kNormal);
    framing_ = Framing::kNone;
    record_.clear();
  } else {
    EnterIdentify();
  }
}

}  // namespace kznsim
