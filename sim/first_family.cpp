#include "sim/first_family.h"

#include <algorithm>

namespace kznsim {

namespace {

constexpr int kLoaderRate = 9600;
constexpr int kWakeRate = 4800;
constexpr std::uint8_t kRecordStart = 0x8B;
constexpr std::uint8_t kEndStart = 0x8C;
constexpr std::uint8_t kHeaderBStart = 0x8A;
constexpr int kTableRegionBytes = 1412 + kAlmanacRowBytes * kAlmanacSlots;

// The dump follows the VR loader's switch from 4800 to 9600 after its request.
constexpr long long kDumpStartDelayMs = 100;
// NMEA lines in front of the records: the loader wants more than the records alone.
constexpr std::size_t kNmeaBytes = 200;
constexpr std::size_t kLongNmeaBytes = 600;
constexpr std::size_t kDumpPieceBytes = 256;
// VR prepares its memory after the "0" and answers once the loader's 1000 ms pause is over.
constexpr long long kVrReadyDelayMs = 1100;
constexpr long long kTkReadyDelayMs = 20;
constexpr long long kRecordAnswerDelayMs = 3;
constexpr long long kBusyIntervalMs = 1000;
constexpr long long kVanishDelayMs = 20;
// Resends of a refused end record before its verdict counts as final.
constexpr int kEndAttempts = 3;

std::uint32_t Address(const Bytes& r) {
  return static_cast<std::uint32_t>(r[2] << 16 | r[3] << 8 | r[4]);
}

bool CheckByteOk(const Bytes& r) {
  unsigned sum = 0;
  for (std::size_t i = 1; i + 1 < r.size(); ++i)
    sum += r[i];
  return (sum & 0xFF) == r.back();
}

bool LooksLikeText(const Bytes& r) {
  int printable = 0;
  for (std::size_t i = 2; i < r.size(); ++i)
    if (r[i] >= 0x20 && r[i] < 0x7F) ++printable;
  return r.size() > 4 && printable * 4 >= static_cast<int>(r.size() - 2) * 3;
}

}  // namespace

CFirstFamilyReceiver::CFirstFamilyReceiver(CReceiverHost& host, const SimOptions& options,
                                           SimReport& report, Family family,
                                           const TableMemory& tables)
    : CReceiverBase(host, options, report, family),
      family_(family),
      base_(family == Family::kVr ? kVrTableBase : kTkTableBase),
      listenRate_(family == Family::kVr ? kWakeRate : kLoaderRate),
      memory_(tables),
      refuseLeft_(options.faults.refuse),
      refuseRecordLeft_(options.faults.refuseRecordTimes),
      refuseWriteBackLeft_(options.faults.refuseWriteBack) {
  report_.family = FamilyName(family);
  report_.hasMemory = true;
  report_.initialDoppler = tables.doppler;
  report_.initialAlmanac = tables.almanac;
  SyncMemoryToReport();
  if (faults_.alreadyWrong) EnterIdentify();
}

const char* CFirstFamilyReceiver::StateName() const {
  switch (state_) {
    case State::kNormal:
      return "normal";
    case State::kIdentify:
      return "identify";
    case State::kReady:
      return "ready";
    case State::kRecord:
      return "record";
    case State::kEnd:
      return "end";
  }
  return "";
}

LineSettings CFirstFamilyReceiver::Listening() const {
  LineSettings s;
  s.bitRate = state_ == State::kNormal ? listenRate_ : kLoaderRate;
  s.stopBits = 2;
  return s;
}

void CFirstFamilyReceiver::SetState(State state) {
  state_ = state;
  ResetOnce(kOnceNotReady);
  ResetOnce(kOnceStray);
}

void CFirstFamilyReceiver::SyncMemoryToReport() {
  report_.doppler = memory_.doppler;
  report_.almanac = memory_.almanac;
}

void CFirstFamilyReceiver::EnterIdentify() {
  SetState(State::kIdentify);
  zeros_ = 0;
  framing_ = Framing::kNone;
  record_.clear();
  StartRepeatingText(kLoaderRate);
}

void CFirstFamilyReceiver::OnPortOpen(bool open) {
  if (open) return;
  // A loader that closes its port in the middle of a load has given up on it; the program
  // in the receiver is incomplete, so its loader waits again.
  if (state_ == State::kReady || state_ == State::kRecord || state_ == State::kEnd) {
    scheduler_.Cancel(kTagAnswer);
    EndLoad("abandoned", false);
  }
}

void CFirstFamilyReceiver::OnByte(std::uint8_t byte, const LineSettings& settings) {
  if (vanishing_) return;
  LineSettings expected = Listening();
  if (state_ == State::kIdentify && family_ == Family::kVr && settings.bitRate == kWakeRate &&
      settings.stopBits == 2) {
    // A VR loader that found the receiver already waiting still sends its wake sentences.
    NoteOnly(byte, settings, StateName());
    return;
  }
  if (!Accept(byte, settings, StateName(), expected)) return;

  switch (state_) {
    case State::kNormal:
    case State::kIdentify:
      if (byte == '0' && state_ == State::kIdentify) {
        HandleZero();
        return;
      }
      if (byte == kRecordStart || byte == kEndStart) {
        ViolationOnce(kOnceNotReady, std::string("record byte ") + HexByte(byte) +
                                         " sent while no loader was ready (" + StateName() + ")");
      }
      if (auto command = reader_.Feed(byte)) HandleCommand(*command);
      return;
    case State::kReady:
      if (byte == '0') {
        HandleZero();
        return;
      }
      ViolationOnce(kOnceNotReady,
                    "byte " + HexByte(byte) + " sent before the loader answered \"1\" (ready)");
      return;
    case State::kRecord:
      FrameRecordByte(byte, settings);
      return;
    case State::kEnd:
      ViolationOnce(kOnceStray, "byte " + HexByte(byte) + " sent before the end record's verdict");
      return;
  }
}

void CFirstFamilyReceiver::HandleCommand(const Command& command) {
  if (command.kind == Command::Kind::kSentence && !command.sumOk) {
    Violation("sentence with a bad sum or shape: " + command.text);
    return;
  }
  bool isVr = family_ == Family::kVr;
  bool readOut = isVr ? (command.kind == Command::Kind::kSentence && command.code == 0x0C &&
                         command.data.empty())
                      : (command.kind == Command::Kind::kMarker && command.text == "$KZNPROG");
  bool wake = false;
  if (isVr && command.kind == Command::Kind::kSentence && command.code == 0x04) {
    if (command.data == "01") {
      firstWakeSeen_ = true;
      return;
    }
    wake = command.data == "02" && firstWakeSeen_;
    if (command.data == "02" && !firstWakeSeen_)
      Violation("second wake sentence without the first");
  }
  if (!isVr && command.kind == Command::Kind::kMarker && command.text == "$KZNPROJ") wake = true;

  if (readOut) {
    if (state_ == State::kNormal) StreamDump();
    return;
  }
  if (wake) {
    firstWakeSeen_ = false;
    if (state_ == State::kNormal && !faults_.Silent(Silence::kDetect)) EnterIdentify();
    return;
  }
  ViolationOnce(kOnceCommand, "command the " + std::string(FamilyName(family_)) +
                                  " receiver does not know: " + command.text);
}

void CFirstFamilyReceiver::StreamDump() {
  if (faults_.Silent(Silence::kDump)) return;
  Bytes records = BuildDumpRecords(memory_, faults_.badDumpCheck ? 5 : -1);
  Bytes stream = BuildNmeaLines(faults_.no8bRun ? kLongNmeaBytes : kNmeaBytes);
  std::size_t preamble = stream.size();
  stream.insert(stream.end(), records.begin(), records.end());
  if (faults_.shortDump >= 0 && static_cast<std::size_t>(faults_.shortDump) < stream.size())
    stream.resize(static_cast<std::size_t>(faults_.shortDump));
  report_.dumpStream = stream;
  report_.dump.assign(stream.begin() + static_cast<long>(std::min(preamble, stream.size())),
                      stream.end());
  Send(stream, kLoaderRate, kDumpStartDelayMs, kDumpPieceBytes);
}

void CFirstFamilyReceiver::HandleZero() {
  ++zeros_;
  StopRepeatingText();
  if (state_ == State::kIdentify) SetState(State::kReady);
  bool answer = family_ == Family::kVr ? zeros_ == 1 : zeros_ == 2;
  if (!answer) return;
  if (faults_.Silent(Silence::kReady)) return;
  long long delay = family_ == Family::kVr ? kVrReadyDelayMs : kTkReadyDelayMs;
  scheduler_.At(host_.NowMs() + delay, kTagAnswer, [this] { AnswerReady(); });
}

void CFirstFamilyReceiver::AnswerReady() {
  // Loading erases the tables: what is not written back stays erased.
  std::fill(memory_.doppler.begin(), memory_.doppler.end(), 0xFF);
  std::fill(memory_.almanac.begin(), memory_.almanac.end(), 0xFF);
  SyncMemoryToReport();
  runningSum_ = 0;
  dataRecordsAccepted_ = 0;
  endAttempts_ = 0;
  framing_ = Framing::kNone;
  record_.clear();
  lastUnanswered_.clear();
  report_.program.clear();
  SetState(State::kRecord);
  Send(Bytes{'1'}, kLoaderRate, 0);
}

void CFirstFamilyReceiver::FrameRecordByte(std::uint8_t byte, const LineSettings& settings) {
  if (framing_ == Framing::kNone) {
    if (byte == kRecordStart) {
      framing_ = Framing::kData;
    } else if (byte == kEndStart) {
      framing_ = Framing::kEnd;
      recordLength_ = 4;
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
  if (record_.size() == 2 && framing_ == Framing::kData) recordLength_ = byte + 7u;
  if (record_.size() == 2 && framing_ == Framing::kHeaderB) recordLength_ = byte + 4u;
  if (record_.size() < 2 || record_.size() < recordLength_) return;
  Framing done = framing_;
  framing_ = Framing::kNone;
  if (done == Framing::kData) HandleDataRecord(settings);
  if (done == Framing::kEnd) HandleEndRecord(settings);
  record_.clear();
}

void CFirstFamilyReceiver::Answer(int recordIndex, const std::string& answer) {
  auto& entry = report_.records[static_cast<std::size_t>(recordIndex)];
  if (answer.empty()) {
    lastUnanswered_ = entry.bytes;
    return;
  }
  entry.answer = answer;
  if (answer != "0") lastUnanswered_ = entry.bytes;
  Bytes bytes(answer.begin(), answer.end());
  // Bytes above "0" keep an acknowledgement an acknowledgement for the loader.
  if (faults_.noise) bytes.insert(bytes.end(), {0xF0, 'Z'});
  Send(bytes, kLoaderRate, kRecordAnswerDelayMs);
}

void CFirstFamilyReceiver::HandleDataRecord(const LineSettings& settings) {
  std::uint32_t address = Address(record_);
  bool writeBack = address >= base_ && address < base_ + kTableRegionBytes;
  report_.records.push_back(RecordEntry{writeBack ? "writeback" : "data", record_, settings.bitRate,
                                        settings.stopBits, ""});
  int index = static_cast<int>(report_.records.size() - 1);
  bool resent = !lastUnanswered_.empty() && record_ == lastUnanswered_;
  lastUnanswered_.clear();
  if (writeBack) {
    HandleWriteBack(index, address);
    return;
  }
  if (resent) ++report_.recordsResent;
  if (faults_.Silent(Silence::kRecord) || faults_.Silent(Silence::kReply)) {
    Answer(index, "");
    return;
  }
  if (!CheckByteOk(record_)) {
    if (dataRecordsAccepted_ == 0 && LooksLikeText(record_))
      Violation("header record sent (a record of text with no valid check byte)");
    else
      Violation("bad check byte in data record at address " + std::to_string(address));
    Answer(index, "1");
    return;
  }
  bool refuse = false;
  if (refuseLeft_ > 0) {
    --refuseLeft_;
    refuse = true;
  } else if (faults_.refuseRecord == dataRecordsAccepted_ + 1 && refuseRecordLeft_ > 0) {
    --refuseRecordLeft_;
    refuse = true;
  }
  if (refuse) {
    Answer(index, "1");
    return;
  }
  for (std::size_t i = 5; i + 1 < record_.size(); ++i)
    runningSum_ += record_[i];
  report_.program.insert(report_.program.end(), record_.begin(), record_.end());
  ++report_.recordsAccepted;
  ++dataRecordsAccepted_;
  Answer(index, "0");
  if (faults_.vanishAfter >= 0 && dataRecordsAccepted_ >= faults_.vanishAfter) {
    vanishing_ = true;
    scheduler_.At(host_.NowMs() + kVanishDelayMs, kTagVanish, [this] {
      ++report_.loads;
      report_.outcomes.push_back("vanished");
      host_.Vanish();
    });
  }
}

void CFirstFamilyReceiver::HandleWriteBack(int recordIndex, std::uint32_t address) {
  WriteBackEntry entry;
  entry.address = address;
  entry.bytes = record_;
  for (int block = 0; block < kBlockCount; ++block)
    if (base_ + BlockOffset(block) == address) entry.block = block;
  report_.writeBack.push_back(entry);
  auto& reported = report_.writeBack.back();
  if (faults_.Silent(Silence::kWriteBack) || faults_.Silent(Silence::kReply)) {
    Answer(recordIndex, "");
    return;
  }
  int block = entry.block;
  std::size_t dataLength = record_.size() - 6;
  if (block < 0) {
    Violation("write-back record at an address that starts no table block: " +
              std::to_string(address));
  } else if (block == 11 || block == 12) {
    Violation("write-back of block " + std::to_string(block) + ", which is never written back");
  } else {
    std::size_t expected = static_cast<std::size_t>(block == 10 ? 82 : BlockLength(block));
    if (dataLength != expected)
      Violation("write-back of block " + std::to_string(block) + " with " +
                std::to_string(dataLength) + " data bytes instead of " + std::to_string(expected));
  }
  if (!CheckByteOk(record_)) {
    Violation("bad check byte in write-back record of block " + std::to_string(block));
    Answer(recordIndex, "1");
    return;
  }
  if (refuseWriteBackLeft_ > 0) {
    --refuseWriteBackLeft_;
    Answer(recordIndex, "1");
    return;
  }
  // Store what fits the block's place in memory; the memory ends where the region does.
  if (block >= 0 && block <= 10) {
    std::size_t offset = BlockOffset(block);
    for (std::size_t i = 0; i < dataLength && offset + i < memory_.doppler.size(); ++i)
      memory_.doppler[offset + i] = record_[5 + i];
  } else if (block >= 13) {
    std::size_t offset = static_cast<std::size_t>((block - 13) * kAlmanacRowBytes);
    for (std::size_t i = 0; i < dataLength && i < static_cast<std::size_t>(kAlmanacRowBytes); ++i)
      memory_.almanac[offset + i] = record_[5 + i];
  }
  if (block == 10) {
    std::uint16_t sum = DopplerWordSum(memory_.doppler);
    std::uint16_t stored = static_cast<std::uint16_t>(memory_.doppler[kDopplerBytes] << 8 |
                                                      memory_.doppler[kDopplerBytes + 1]);
    if (sum != stored)
      Violation("doppler word sum " + std::to_string(stored) +
                " written at base + 1280, table sums to " + std::to_string(sum));
  }
  SyncMemoryToReport();
  for (std::size_t i = 5; i + 1 < record_.size(); ++i)
    runningSum_ += record_[i];
  reported.accepted = true;
  Answer(recordIndex, "0");
}

void CFirstFamilyReceiver::HandleEndRecord(const LineSettings& settings) {
  report_.records.push_back(RecordEntry{"end", record_, settings.bitRate, settings.stopBits, ""});
  int index = static_cast<int>(report_.records.size() - 1);
  EndRecordEntry end;
  end.bytes = record_;
  end.sum = record_[1] << 8 | record_[2];
  end.expectedSum = static_cast<int>(runningSum_ & 0xFFFF);
  if (faults_.Silent(Silence::kEnd) || faults_.Silent(Silence::kReply)) {
    report_.endRecord = end;
    return;
  }
  char verdict = end.sum == end.expectedSum ? '5' : '4';
  if (((record_[1] + record_[2]) & 0xFF) != record_[3]) {
    Violation("end record's fourth byte is not the sum of S's two bytes");
    verdict = '1';
  }
  if (options_.verdict != 0) verdict = options_.verdict;
  end.verdict = std::string(1, verdict);
  report_.endRecord = end;
  SetState(State::kEnd);
  long long at = host_.NowMs() + kRecordAnswerDelayMs;
  for (int i = 0; i < faults_.busy; ++i) {
    scheduler_.At(at, kTagAnswer, [this] { Send(Bytes{'3'}, kLoaderRate, 0); });
    at += kBusyIntervalMs;
  }
  scheduler_.At(at, kTagAnswer, [this, verdict, index] { SendVerdict(verdict, index); });
}

void CFirstFamilyReceiver::SendVerdict(char verdict, int recordIndex) {
  auto& entry = report_.records[static_cast<std::size_t>(recordIndex)];
  std::string answer =
      faults_.busy > 0 ? std::string(static_cast<std::size_t>(faults_.busy), '3') : "";
  entry.answer = answer + verdict;
  Bytes bytes{static_cast<std::uint8_t>(verdict)};
  if (faults_.noise) bytes.insert(bytes.end(), {0xF0, 'Z'});
  Send(bytes, kLoaderRate, 0);
  if (verdict == '1' || verdict == '2') {
    ++endAttempts_;
    if (endAttempts_ < kEndAttempts) {
      SetState(State::kRecord);  // the loader sends the end record again
      return;
    }
  }
  EndLoad(std::string(1, verdict), verdict == '5');
}

void CFirstFamilyReceiver::EndLoad(const std::string& outcome, bool programRuns) {
  ++report_.loads;
  report_.outcomes.push_back(outcome);
  framing_ = Framing::kNone;
  record_.clear();
  if (programRuns) {
    SetState(State::kNormal);
  } else {
    EnterIdentify();
  }
}

}  // namespace kznsim
