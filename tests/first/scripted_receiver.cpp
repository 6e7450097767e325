#include "tests/first/scripted_receiver.h"

#include <algorithm>

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

void ScriptedReceiver::Stream() {
  ++readOutRequests;
  std::int64_t at = 20;
  for (std::size_t pos = 0; pos < dump.size(); pos += chunkBytes) {
    std::size_t end = std::min(dump.size(), pos + chunkBytes);
    DeliverAfter(at, std::vector<std::uint8_t>(dump.begin() + static_cast<std::ptrdiff_t>(pos),
                                               dump.begin() + static_cast<std::ptrdiff_t>(end)));
    at += chunkMs;
  }
}

void ScriptedReceiver::OnWrite(const std::vector<std::uint8_t>& bytes) {
  if (state_ == State::kLoading) {
    for (std::uint8_t b : bytes)
      OnLoadingByte(b);
    return;
  }
  if (state_ == State::kLoaderWaiting) {
    // A lone "0" at 9600 bit/s; the wake sentences' own zeros are no answer.
    for (std::uint8_t b : bytes) {
      if (b != '0' || bytes.size() != 1 || Settings().bitRate != 9600) continue;
      zerosAnswered.push_back(b);
      if (kind_ == FirstFamilyKind::kVr) {
        if (!silentReady) DeliverAfter(1100, "1");
        state_ = State::kLoading;
      } else if (++zeros_ == 2) {
        if (!silentReady) DeliverAfter(10, "1");
        state_ = State::kLoading;
      }
    }
    return;
  }
  std::uint32_t rate = Settings().bitRate;
  heard_.append(bytes.begin(), bytes.end());
  auto heardEnds = [&](std::string_view text) {
    return heard_.size() >= text.size() &&
           heard_.compare(heard_.size() - text.size(), text.size(), text) == 0;
  };
  if (kind_ == FirstFamilyKind::kVr && rate == 4800) {
    if (heardEnds(kReadOutRequestVr)) {
      heard_.clear();
      Stream();
    } else if (heardEnds(std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence))) {
      heard_.clear();
      state_ = State::kLoaderWaiting;
      nextTextAt_ = clock().NowMs() + 100;
    }
  } else if (kind_ == FirstFamilyKind::kTk && rate == 9600) {
    if (heardEnds(kReadOutMarkerTk)) {
      heard_.clear();
      Stream();
    } else if (heardEnds(kLoadMarkerTk)) {
      heard_.clear();
      state_ = State::kLoaderWaiting;
      nextTextAt_ = clock().NowMs() + 50;
    }
  }
}

void ScriptedReceiver::OnLoadingByte(std::uint8_t byte) {
  partial_.push_back(byte);
  std::size_t length = 0;
  if (partial_[0] == 0x8C) {
    length = 4;
  } else if (partial_.size() >= 2) {
    length = partial_[1] + 7u;
  } else {
    return;
  }
  if (partial_.size() < length) return;
  std::vector<std::uint8_t> record;
  record.swap(partial_);
  records.push_back(record);
  if (record[0] == 0x8C) {
    // A busy loader says "3" every 600 ms until it has its verdict.
    std::int64_t at = 5;
    for (;;) {
      std::string verdict = "5";
      if (!verdicts.empty()) {
        verdict = verdicts.front();
        verdicts.pop_front();
      }
      if (!verdict.empty()) DeliverAfter(at, verdict);
      if (verdict != "3") return;
      at += 600;
    }
  }
  std::string answer = answerRecord ? answerRecord(records.size() - 1, record) : "0";
  if (!answer.empty()) DeliverAfter(5, answer);
}

namespace first_test {

std::vector<std::uint8_t> BlockData(std::uint8_t seed, std::uint16_t week, int block) {
  std::size_t length = block >= 13 ? 42 : block == 12 ? 8 : block == 10 ? 80 : 120;
  std::vector<std::uint8_t> data(length);
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
  record.push_back(check);
  record.push_back('\r');
  record.push_back('\n');
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
  ProgramFile file;
  // Form A header: 0x8B, n, n + 6 bytes of version text.
  std::string version = "VR540 V2.50 FR";
  file.bytes.push_back(0x8B);
  file.bytes.push_back(static_cast<std::uint8_t>(version.size() - 6));
  for (char c : version)
    file.bytes.push_back(static_cast<std::uint8_t>(c));
  for (int r = 0; r < records; ++r) {
    std::uint32_t address = 0x010000u + static_cast<std::uint32_t>(r * dataBytes);
    std::vector<std::uint8_t> record{
        0x8B, static_cast<std::uint8_t>(dataBytes - 1), static_cast<std::uint8_t>(address >> 16),
        static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    for (int i = 0; i < dataBytes; ++i) {
      auto b = static_cast<std::uint8_t>(seed + r * 31 + i * 5);
      record.push_back(b);
      file.programSum = static_cast<std::uint16_t>(file.programSum + b);
    }
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < record.size(); ++i)
      check = static_cast<std::uint8_t>(check + record[i]);
    record.push_back(check);
    file.dataRecords.push_back(record);
    file.bytes.insert(file.bytes.end(), record.begin(), record.end());
  }
  auto high = static_cast<std::uint8_t>(file.programSum >> 8);
  auto low = static_cast<std::uint8_t>(file.programSum);
  file.bytes.insert(file.bytes.end(), {0x8C, high, low, static_cast<std::uint8_t>(high + low)});
  return file;
}

}  // namespace first_test
