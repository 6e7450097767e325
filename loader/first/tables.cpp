#include "loader/first/tables.h"

#include <algorithm>
#include <cstdio>

#include "base/atomic_file.h"
#include "base/clock.h"
#include "base/header_record.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "catalogue/catalogue.h"
#include "loader/deadline.h"
#include "loader/first/dump_parser.h"
#include "loader/first/first_family.h"
#include "loader/first/first_line.h"
#include "loader/first/first_load.h"
#include "loader/first/first_result.h"
#include "loader/first/first_timing.h"
#include "loader/first/last_loading.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

namespace {

constexpr std::uint32_t kCaptureEnoughBytes = 4000;  // a capture ends beyond this
constexpr int kRunWithoutRecordStart = 500;          // longer runs are no table records
constexpr double kTkFullDump = kDumpMinimumBytes;    // a whole TK dump is just that long
constexpr double kVrFullDump = 3600.0;

// The dump is the only copy of the receiver's tables once its memory is rewritten, and the
// port's marker, written before the wake-up, leads a later run to rely on it: its content
// and its name in the folder must both survive a power cut.
bool FlushToDisk(std::FILE* file, const std::string& folder) {
  return SyncToDisk(file, folder);
}

}  // namespace

void FillBlockMap(BlockMap& map, Family kind) {
  std::uint32_t base = kind == Family::kTk ? kTkTableBase : kVrTableBase;
  for (int block = 0; block < kBlockCount; ++block) {
    map[static_cast<std::size_t>(block)].length = BlockLength(block);
    map[static_cast<std::size_t>(block)].address = base + BlockOffset(block);
  }
}

std::string DumpFilePath(const FirstLoad& load) {
  return load.context.catalogue.folder + kPathSeparator + "~tmp" +
         std::to_string(load.target.portNumber) + ".tmp";
}

namespace {

// The capture of the read-out: everything the receiver streams goes to the dump file until it
// has been quiet for 2000 ms or sent more than a dump can hold. kDone to judge what came,
// kStopped when the capture failed or was cancelled.
FirstStep CaptureDump(FirstLoad& load, CProgress& progress, Family kind, std::FILE* dump,
                      std::uint32_t* received) {
  using namespace first_timing;
  Deadline silence(load.context.clock, kCaptureSilenceMs);
  int run = 0;
  bool stop = false;
  double fullDump = kind == Family::kTk ? kTkFullDump : kVrFullDump;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    load.context.port.TakeReceived(&data, &count);
    if (count > 0) {
      silence.Restart();
      if (std::fwrite(data, 1, count, dump) != count) {
        ReportFirstResult(load, FirstResult::kTempFileError);
        return FirstStep::kStopped;
      }
      *received += count;
      for (std::uint32_t i = 0; i < count; ++i) {
        if (data[i] == kDataRecordStart) {
          run = 0;
          // TK receivers put text between records; only the head of a delivery counts.
          if (kind == Family::kTk) break;
        } else if (++run > kRunWithoutRecordStart) {
          ReportFirstResult(load, FirstResult::kBadDataOnInput);
          stop = true;
          break;
        }
      }
    }
    switch (progress.CheckCancel(CancelRule::kAsk)) {
      case CancelAnswer::kConfirmed:
        NoteFirstCancel(load);
        stop = true;
        break;
      case CancelAnswer::kDeclined:
        silence.Restart();
        break;
      case CancelAnswer::kNoRequest:
        break;
    }
    int percent = static_cast<int>(std::min(100.0, *received * 100.0 / fullDump));
    progress.SetProgressPosition(percent);
    if (*received > kCaptureEnoughBytes) {
      if (kind == Family::kVr) progress.SetProgressPosition(100);
      return stop ? FirstStep::kStopped : FirstStep::kDone;
    }
    load.context.clock.SleepMs(kCapturePollPauseMs);
    if (stop) return FirstStep::kStopped;
    if (silence.Passed()) return FirstStep::kDone;
  }
}

TablesRead ReadOutAndParse(FirstLoad& load, CProgress& progress, Family kind, std::FILE* dump) {
  using namespace first_timing;
  if (!first_line::OpenLine(load.context.port, load.target.portNumber, first_line::kLineBitRate)) {
    ReportUntoldOpenFailure(load);
    return TablesRead::kStopped;
  }
  switch (WaitForWrongChecksumText(load.context, progress)) {
    case WrongChecksumWait::kFound:
      return TablesRead::kReceiverInLoader;
    case WrongChecksumWait::kCancelled:
      NoteFirstCancel(load);
      ReportFirstResult(load, FirstResult::kPortOpenError);
      return TablesRead::kStopped;
    case WrongChecksumWait::kNoText:
      ReportFirstResult(load, FirstResult::kBadConfigFile);
      return TablesRead::kStopped;
    case WrongChecksumWait::kTimeout:
      break;
  }
  // A failed write has told why (the serial layer); the capture then finds nothing (116).
  if (kind == Family::kTk) {
    SendStoredText(load.context.port, kReadOutMarkerTk, &load.context.clock, kMarkerBytePauseMs);
    load.context.clock.SleepMs(kReadOutRequestSettleMs);
  } else {
    // VR receivers listen for the request at 4800 bit/s and stream at 9600.
    load.context.port.ClosePort();
    first_line::OpenLine(load.context.port, load.target.portNumber, first_line::kWakeBitRate);
    SendStoredText(load.context.port, kReadOutRequestVr);
    load.context.clock.SleepMs(kReadOutRequestSettleMs);
    load.context.port.SetBaudRate(first_line::kLineBitRate);
  }
  progress.SetProgressText(LoadMessageText(kMsgReadingReceiver, load.context.language));

  std::uint32_t received = 0;
  if (CaptureDump(load, progress, kind, dump, &received) == FirstStep::kStopped)
    return TablesRead::kStopped;
  if (received == 0) {
    ReportFirstResult(load, FirstResult::kCheckConnection);
    return TablesRead::kStopped;
  }
  if (received < static_cast<std::uint32_t>(kDumpMinimumBytes)) {
    ReportFirstResult(load, FirstResult::kBadDataOnInput);
    return TablesRead::kStopped;
  }
  if (!FlushToDisk(dump, load.context.catalogue.folder)) {
    ReportFirstResult(load, FirstResult::kTempFileError);
    return TablesRead::kStopped;
  }
  return ParseDump(load, dump) == FirstStep::kStopped ? TablesRead::kStopped : TablesRead::kRead;
}

}  // namespace

namespace {

// The type the dump now holds the tables of, beside the port's marker; the load stops
// before the wake-up when the settings cannot take it.
TablesRead NoteDumpType(FirstLoad& load, TablesRead result) {
  if (SetDumpReceiverType(load.context.settings, load.target.portNumber,
                          load.context.catalogue.selectedType.value_or(""))) {
    return result;
  }
  if (!load.outcome) {
    load.outcome = FailedOutcome(
        0, MarkerWriteFailureText(load.context.settings, load.context.language), false);
  }
  return TablesRead::kStopped;
}

}  // namespace

TablesRead ReadReceiverTables(FirstLoad& load, CProgress& progress, Family kind, DumpWrite write) {
  progress.SetProgressText(LoadMessageText(kMsgWakingReceiver, load.context.language));
  const std::string dumpPath = DumpFilePath(load);
  const bool replaceWhenComplete = write == DumpWrite::kReplaceWhenComplete;
  const std::string capturePath = replaceWhenComplete ? dumpPath + ".new" : dumpPath;
  UniqueFile dump = OpenFile(capturePath, "w+b");
  if (dump == nullptr) {
    ReportFirstResult(load, FirstResult::kTempFileError);
    return TablesRead::kStopped;
  }
  TablesRead result = ReadOutAndParse(load, progress, kind, dump.get());
  if (replaceWhenComplete) {
    dump.reset();
    // Synced before it was parsed: the rename makes it the dump in one step. A read-out the
    // user chose to go on without (115 answered No) replaces nothing.
    const bool complete = result == TablesRead::kRead && load.tables.dopplerValid;
    if (complete && !RenameFileOver(capturePath, dumpPath)) {
      ReportFirstResult(load, FirstResult::kTempFileError);
      result = TablesRead::kStopped;
    }
    if (!complete || result != TablesRead::kRead) {
      RemoveFile(capturePath);
      // Nothing was read: the unfinished load's dump stays as it was, with its type.
      return result;
    }
    return NoteDumpType(load, result);
  }
  // Emptied for a receiver already in its loader: no older dump may come back after a
  // power cut and pass for this receiver's tables.
  if (result == TablesRead::kReceiverInLoader &&
      !FlushToDisk(dump.get(), load.context.catalogue.folder)) {
    ReportFirstResult(load, FirstResult::kTempFileError);
    result = TablesRead::kStopped;
  }
  return result == TablesRead::kStopped ? result : NoteDumpType(load, result);
}
