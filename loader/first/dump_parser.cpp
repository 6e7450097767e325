#include "loader/first/dump_parser.h"

#include <array>
#include <vector>

#include "base/header_record.h"
#include "base/messages.h"
#include "base/user_interaction.h"
#include "loader/first/almanac.h"
#include "loader/first/first_load.h"
#include "loader/first/first_result.h"

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;

// A record ends at CR LF once more bytes than its block's length have followed its block
// number byte (check byte and CR counted), so a CR LF inside the data does not end it.
int EndThreshold(int block) {
  return BlockLength(block);
}

std::span<std::uint8_t> RowOf(TableStore& tables, int block) {
  if (block < kFirstAlmanacBlock) return tables.doppler[static_cast<std::size_t>(block)];
  return tables.freshAlmanac[static_cast<std::size_t>(block - kFirstAlmanacBlock)];
}

// Where the records begin: 0 for a dump of the expected size; in a longer one, the first
// 0x8B that directly follows CR LF (a byte that breaks a partial match starts no new one).
bool FindFirstRecord(std::span<const std::uint8_t> dump, std::size_t* start) {
  if (dump.size() <= static_cast<std::size_t>(kDumpMinimumBytes)) {
    *start = 0;
    return true;
  }
  std::size_t pos = 0;
  while (pos < dump.size()) {
    if (dump[pos++] != kCr) continue;
    if (pos >= dump.size() || dump[pos++] != kLf) continue;
    if (pos >= dump.size() || dump[pos++] != kDataRecordStart) continue;
    *start = pos - 1;
    return true;
  }
  return false;
}

}  // namespace

DumpParse ParseDumpBytes(std::span<const std::uint8_t> dump, TableStore& tables) {
  DumpParse result;
  std::size_t pos = 0;
  if (!FindFirstRecord(dump, &pos)) {
    result.outcome = DumpOutcome::kNoRecordStart;
    return result;
  }
  enum class State { kStart, kBlock, kData };
  State state = State::kStart;
  std::uint8_t beforePrevious = 0, previous = 0, current = 0;
  int block = 0;
  int counter = 0;
  int threshold = 0;
  std::uint8_t sum = 0;
  // The data of the record under way; what goes past the longest row is only summed.
  std::array<std::uint8_t, kDopplerRowSize + 2> data{};

  while (pos < dump.size()) {
    beforePrevious = previous;
    previous = current;
    current = dump[pos++];
    if (previous == kCr && current == kLf && state == State::kData && counter > threshold) {
      // The check byte and the CR were summed as data: take them out again.
      sum = static_cast<std::uint8_t>(sum - previous - beforePrevious);
      if (sum != beforePrevious || block >= kBlockCount) {
        result.outcome = DumpOutcome::kBadRecord;
        return result;
      }
      std::span<std::uint8_t> row = RowOf(tables, block);
      std::size_t length = static_cast<std::size_t>(counter - 2);
      if (length > row.size()) length = row.size();
      std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length), row.begin());
      if (++result.goodRecords == kDumpRecordCount) {
        result.outcome = DumpOutcome::kComplete;
        return result;
      }
      state = State::kStart;
      continue;
    }
    switch (state) {
      case State::kStart:
        counter = 0;
        sum = 0;
        threshold = 0;
        state = State::kBlock;
        break;
      case State::kBlock:
        block = current;
        sum = static_cast<std::uint8_t>(sum + current);
        threshold = EndThreshold(block);
        state = State::kData;
        break;
      case State::kData:
        sum = static_cast<std::uint8_t>(sum + current);
        if (static_cast<std::size_t>(counter) < data.size())
          data[static_cast<std::size_t>(counter)] = current;
        ++counter;
        break;
    }
  }
  result.outcome = DumpOutcome::kEnded;
  return result;
}

FirstStep ParseDump(FirstLoad& load, std::FILE* dump) {
  std::vector<std::uint8_t> bytes;
  std::clearerr(dump);
  if (std::fseek(dump, 0, SEEK_SET) != 0) {
    load.context.ui.ShowFileReadError();
    return FirstStep::kStopped;
  }
  std::array<std::uint8_t, 4096> chunk{};
  for (;;) {
    std::size_t got = std::fread(chunk.data(), 1, chunk.size(), dump);
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    if (got < chunk.size()) break;
  }
  if (std::ferror(dump)) {
    load.context.ui.ShowFileReadError();
    return FirstStep::kStopped;
  }

  DumpParse parse = ParseDumpBytes(bytes, load.tables);
  // Yes stops the load before the wake-up, with the receiver's tables still in it; No goes
  // on without them, as the user chose.
  auto ask = [&]() {
    const int answer = ShowMessageById(load.context.ui, load.context.language, kMsgDopplerReadError,
                                       kStyleQuestion);
    if (answer == kResultYes) {
      if (!load.context.ui.StopCause().empty()) {
        NoteFirstCancel(load);
      } else if (!load.outcome) {
        load.outcome = FailedOutcome(kMsgDopplerReadError, {}, true);
      }
    } else {
      load.tablesLeftOut = true;
    }
    return answer;
  };
  switch (parse.outcome) {
    case DumpOutcome::kComplete:
      load.tables.dopplerValid = true;
      load.tables.freshAlmanacValid = true;
      MergeAlmanac(load.tables, load.context.catalogue.folder, load.context.ui,
                   load.context.language);
      return FirstStep::kDone;
    case DumpOutcome::kNoRecordStart:
      ReportFirstResult(load, FirstResult::kDopplerReadError);
      return FirstStep::kStopped;
    case DumpOutcome::kBadRecord:
      if (ask() == kResultYes) return FirstStep::kStopped;
      load.tables.dopplerValid = false;
      load.tables.freshAlmanacValid = false;
      return FirstStep::kDone;
    case DumpOutcome::kEnded:
      return ask() == kResultYes ? FirstStep::kStopped : FirstStep::kDone;
  }
  return FirstStep::kStopped;
}
