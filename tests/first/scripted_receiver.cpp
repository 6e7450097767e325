#include "tests/first/scripted_receiver.h"

#include "serial/sentences.h"

ScriptedReceiver::ScriptedReceiver(VirtualClock& clock, FirstFamilyKind kind)
    : FakeLink(clock), kind_(kind) {
  onWrite = [this](FakeLink&, const std::vector<std::uint8_t>& bytes) { OnWrite(bytes); };
}

int ScriptedReceiver::TakeReceived(const std::uint8_t** data, std::uint32_t* count) {
  // The waiting loader repeats its text every 100 ms for as long as the line is open.
  if (state_ == State::kLoaderWaiting && !silentLoader && IsOpen() && Settings().bitRate == 9600 &&
      clock().NowMs() >= nextTextAt_) {
    DeliverAfter(0, std::string(kTestWrgText) + "\r\n");
    nextTextAt_ = clock().NowMs() + 100;
  }
  return FakeLink::TakeReceived(data, count);
}

void ScriptedReceiver::OnWrite(const std::vector<std::uint8_t>& bytes) {
  bool vr = kind_ == FirstFamilyKind::kVr;
  bool fast = Settings().bitRate == 9600;
  if (state_ == State::kLoading) {
    for (std::uint8_t b : bytes)
      OnLoadingByte(b);
  } else if (state_ == State::kLoaderWaiting) {
    // A lone "0" at 9600 bit/s; the wake sentences' own zeros are no answer. TK wants two.
    if (bytes.size() != 1 || bytes[0] != '0' || !fast) return;
    if (++zerosAnswered < (vr ? 1 : 2)) return;
    if (!silentReady) DeliverAfter(vr ? 1100 : 10, "1");
    state_ = State::kLoading;
  } else if (vr != fast) {  // VR listens at 4800 bit/s, TK at 9600
    heard_.append(bytes.begin(), bytes.end());
    std::string wake = vr ? std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence)
                          : std::string(kLoadMarkerTk);
    if (heard_.ends_with(vr ? kReadOutRequestVr : kReadOutMarkerTk)) {
      heard_.clear();
      ++readOutRequests;
      for (std::size_t pos = 0; pos < dump.size(); pos += chunkBytes) {
        auto end =
            dump.begin() + static_cast<std::ptrdiff_t>(std::min(dump.size(), pos + chunkBytes));
        DeliverAfter(
            20 + static_cast<std::int64_t>(pos / chunkBytes) * 320,
            std::vector<std::uint8_t>(dump.begin() + static_cast<std::ptrdiff_t>(pos), end));
      }
    } else if (heard_.ends_with(wake)) {
      heard_.clear();
      state_ = State::kLoaderWaiting;
      nextTextAt_ = clock().NowMs() + (vr ? 100 : 50);
    }
  }
}

void ScriptedReceiver::OnLoadingByte(std::uint8_t byte) {
  partial_.push_back(byte);
  if (partial_[0] != 0x8C && partial_.size() < 2) return;
  std::size_t length = partial_[0] == 0x8C ? 4u : partial_[1] + 7u;
  if (partial_.size() < length) return;
  records.push_back(std::move(partial_));
  partial_.clear();
  const std::vector<std::uint8_t>& record = records.back();
  if (record[0] != 0x8C) {
    std::string answer = answerRecord ? answerRecord(records.size() - 1, record) : "0";
    if (!answer.empty()) DeliverAfter(5, answer);
    return;
  }
  // A busy loader says "3" every 600 ms until it has its verdict.
  for (std::int64_t at = 5;; at += 600) {
    std::string verdict = verdicts.empty() ? "5" : verdicts.front();
    if (!verdicts.empty()) verdicts.pop_front();
    if (!verdict.empty()) DeliverAfter(at, verdict);
    if (verdict != "3") return;
  }
}

namespace first_test {

std::vector<std::uint8_t> BlockData(std::uint8_t seed, std::uint16_t week, int block) {
  std::vector<std::uint8_t> data(block >= 13 ? 42 : block == 12 ? 8 : block == 10 ? 80 : 120);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(seed + block * 7 + i * 13);
  if (block >= 13) {
    data[0] = 0x80;
    data[2] = static_cast<std::uint8_t>(seed + block);
    data[4] = static_cast<std::uint8_t>(week >> 8);
    data[5] = static_cast<std::uint8_t>(week);
  }
  return data;
}

std::vector<std::uint8_t> MakeDumpRecord(int block, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> record{0x8B, static_cast<std::uint8_t>(block)};
  auto check = static_cast<std::uint8_t>(block);
  for (std::uint8_t b : data) {
    record.push_back(b);
    check = static_cast<std::uint8_t>(check + b);
  }
  for (std::uint8_t b : {check, std::uint8_t{'\r'}, std::uint8_t{'\n'}})
    record.push_back(b);
  return record;
}

std::vector<std::uint8_t> MakeDump(std::uint8_t seed, std::uint16_t week,
                                   const std::string& preface) {
  std::vector<std::uint8_t> dump(preface.begin(), preface.end());
  for (int block = 0; block < 45; ++block) {
    std::vector<std::uint8_t> record = MakeDumpRecord(block, BlockData(seed, week, block));
    dump.insert(dump.end(), record.begin(), record.end());
  }
  return dump;
}

ProgramFile MakeProgram(int records, int dataBytes, std::uint8_t seed) {
  // Form A header: 0x8B, n, n + 6 bytes of version text.
  ProgramFile file{Bytes("\x8B\x08VR540 V2.50 FR"), {}};
  std::uint16_t sum = 0;
  for (int r = 0; r < records; ++r) {
    auto address = 0x010000u + static_cast<std::uint32_t>(r * dataBytes);
    std::vector<std::uint8_t> record{
        0x8B, static_cast<std::uint8_t>(dataBytes - 1), static_cast<std::uint8_t>(address >> 16),
        static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    std::uint8_t check = 0;
    for (int i = 0; i < dataBytes; ++i) {
      record.push_back(static_cast<std::uint8_t>(seed + r * 31 + i * 5));
      sum = static_cast<std::uint16_t>(sum + record.back());
    }
    for (std::size_t i = 1; i < record.size(); ++i)
      check = static_cast<std::uint8_t>(check + record[i]);
    record.push_back(check);
    file.dataRecords.push_back(record);
    file.bytes.insert(file.bytes.end(), record.begin(), record.end());
  }
  auto high = static_cast<std::uint8_t>(sum >> 8), low = static_cast<std::uint8_t>(sum);
  file.bytes.insert(file.bytes.end(), {0x8C, high, low, static_cast<std::uint8_t>(high + low)});
  return file;
}

}  // namespace first_test
