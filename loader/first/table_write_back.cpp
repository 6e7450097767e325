#include <vector>

#include "base/clock.h"
#include "base/header_record.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interaction.h"
#include "loader/deadline.h"
#include "loader/first/first_load.h"
#include "loader/first/first_result.h"
#include "loader/first/first_timing.h"
#include "loader/first/tables.h"
#include "serial/serial_link.h"

std::vector<std::uint8_t> BuildWriteBackRecord(std::uint32_t address,
                                               std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> record;
  record.reserve(data.size() + 6);
  record.push_back(kDataRecordStart);
  record.push_back(static_cast<std::uint8_t>(data.size() - 1));
  record.push_back(static_cast<std::uint8_t>(address >> 16));
  record.push_back(static_cast<std::uint8_t>(address >> 8));
  record.push_back(static_cast<std::uint8_t>(address));
  record.insert(record.end(), data.begin(), data.end());
  std::uint8_t check = 0;
  for (std::size_t i = 1; i < record.size(); ++i)
    check = static_cast<std::uint8_t>(check + record[i]);
  record.push_back(check);
  return record;
}

namespace {

std::uint16_t AddWordPairs(std::uint16_t wordSum, std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    wordSum = static_cast<std::uint16_t>(wordSum + ((bytes[i] << 8) | bytes[i + 1]));
  return wordSum;
}

std::span<const std::uint8_t> DopplerBytes(const TableStore& tables, int block) {
  std::size_t length = BlockLength(block);
  return std::span<const std::uint8_t>(tables.doppler[static_cast<std::size_t>(block)])
      .first(length);
}

// Waits for the first delivery after a write-back record; the loader answers these at
// once, so the wait does not pause between takes. The first byte, or -1 after 2000 ms.
// A stop request ends the wait at once (kStopRequested): the dump keeps the tables, and the
// port's marker leads the next run to them.
constexpr int kStopRequested = -2;

int AwaitFirstByte(FirstLoad& load, CProgress& progress) {
  using namespace first_timing;
  const Deadline deadline(load.context.clock, kWriteBackAnswerWindowMs);
  int answer = -1;
  TakeUntil(load.context.port, deadline, kArrivalWaitMs, [&](std::span<const std::uint8_t> take) {
    if (!take.empty()) {
      answer = take[0];
      return true;
    }
    if (progress.CheckCancel(CancelRule::kStopOnly) == CancelAnswer::kNoRequest) return false;
    answer = kStopRequested;
    return true;
  });
  return answer;
}

bool Send(FirstLoad& load, const std::vector<std::uint8_t>& record) {
  auto size = static_cast<std::uint32_t>(record.size());
  return load.context.port.WriteToPort(record.data(), size) == size;
}

// Sends a record and accepts a "0", sending it once more after any other first answer.
// A port that no longer takes bytes fails at once rather than waiting for silence.
FirstStep SendAndJudge(FirstLoad& load, const std::vector<std::uint8_t>& record,
                       CWriteBackProgress& shown) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Send(load, record)) break;
    int answer = AwaitFirstByte(load, shown.Progress());
    if (answer == '0') {
      shown.RecordSent();
      return FirstStep::kDone;
    }
    if (answer == kStopRequested) {
      NoteFirstCancel(load);
      return FirstStep::kStopped;
    }
    if (answer < 0) break;
  }
  ReportFirstResult(load, FirstResult::kLoadingFailed);
  return FirstStep::kStopped;
}

void AddBytes(std::uint16_t* sum, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes)
    *sum = static_cast<std::uint16_t>(*sum + b);
}

}  // namespace

CWriteBackProgress::CWriteBackProgress(CProgress& progress, const TableStore& tables,
                                       Language language)
    : progress_(progress),
      records_((tables.savedAlmanacValid ? kBlockCount - kFirstAlmanacBlock : 0) +
               (tables.dopplerValid ? kDopplerBlockCount : 0)) {
  if (records_ == 0) return;
  progress_.SetProgressText(language == Language::kFrench
                                ? "Réécriture des tables du récepteur..."
                                : "Writing the receiver's tables back...");
  progress_.SetProgressPosition(0);
}

void CWriteBackProgress::RecordSent() {
  if (records_ == 0) return;
  ++sent_;
  progress_.SetProgressPosition(sent_ * kProgressUpper / records_);
}

std::uint16_t DopplerWordSum(const TableStore& tables) {
  std::uint16_t wordSum = 0;
  for (int block = 0; block <= kLastDopplerBlock; ++block)
    wordSum = AddWordPairs(wordSum, DopplerBytes(tables, block));
  return wordSum;
}

FirstStep WriteBackAlmanac(FirstLoad& load, std::uint16_t* sum, CWriteBackProgress& shown) {
  *sum = 0;
  if (!load.tables.savedAlmanacValid) return FirstStep::kDone;
  for (int block = kFirstAlmanacBlock; block < kBlockCount; ++block) {
    const AlmanacRow& row =
        load.tables.savedAlmanac[static_cast<std::size_t>(block - kFirstAlmanacBlock)];
    AddBytes(sum, row);
    if (SendAndJudge(
            load, BuildWriteBackRecord(load.blockMap[static_cast<std::size_t>(block)].address, row),
            shown) == FirstStep::kStopped)
      return FirstStep::kStopped;
  }
  return FirstStep::kDone;
}

FirstStep WriteBackDopplerTable(FirstLoad& load, std::uint16_t* sum, CWriteBackProgress& shown) {
  *sum = 0;
  if (!load.tables.dopplerValid) return FirstStep::kDone;
  std::uint16_t wordSum = 0;
  for (int block = 0; block <= kLastDopplerBlock; ++block) {
    std::span<const std::uint8_t> bytes = DopplerBytes(load.tables, block);
    wordSum = AddWordPairs(wordSum, bytes);
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    // The table's word sum lands right behind it, at base + 1280.
    if (block == kLastDopplerBlock) {
      data.push_back(static_cast<std::uint8_t>(wordSum >> 8));
      data.push_back(static_cast<std::uint8_t>(wordSum));
    }
    AddBytes(sum, data);
    if (SendAndJudge(
            load,
            BuildWriteBackRecord(load.blockMap[static_cast<std::size_t>(block)].address, data),
            shown) == FirstStep::kStopped)
      return FirstStep::kStopped;
  }
  return FirstStep::kDone;
}
