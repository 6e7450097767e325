#include "loader/first/tables.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/clock.h"
#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "catalogue/catalogue.h"
#include "loader/first/dump_parser.h"
#include "loader/first/first_timing.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

namespace {

constexpr std::uint32_t kTableBitRate = 9600;
constexpr std::uint32_t kWakeBitRate = 4800;
constexpr std::uint16_t kDataBits = 8;
constexpr std::uint16_t kStopBits = 2;
constexpr std::uint32_t kCaptureEnoughBytes = 4000;  // a capture ends beyond this
constexpr int kRunWithoutRecordStart = 500;          // longer runs are no table records
constexpr double kTkFullDump = 3017.0;
constexpr double kVrFullDump = 3600.0;
constexpr std::uint8_t kRecordStart = 0x8B;

std::uint16_t BlockLength(int block) {
  if (block <= 9) return 120;
  if (block == 10) return 80;
  if (block == 11) return 120;
  if (block == 12) return 8;
  return kAlmanacRowSize;
}

std::uint32_t BlockOffset(int block) {
  if (block <= 10) return 120u * static_cast<std::uint32_t>(block);
  if (block == 11) return 1284;
  if (block == 12) return 1404;
  return 1412u + 42u * static_cast<std::uint32_t>(block - kFirstAlmanacBlock);
}

std::string Text(int messageId) {
  return LoadTextByNumber(messageId + LanguageOffset);
}

// The dump is the only copy of the receiver's tables once its memory is rewritten, and the
// port's marker, written before the wake-up, leads a later run to rely on it: its content
// and its name in the folder must both survive a power cut.
bool FlushToDisk(std::FILE* file, const std::string& folder) {
  if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0) return false;
  // Some file systems cannot sync a folder; the file's own content is what must not fail.
  int folderFd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return true;
}

}  // namespace

void FillBlockMap(BlockMap& map, FirstFamilyKind kind) {
  std::uint32_t base = kind == FirstFamilyKind::kTk ? kTkTableBase : kVrTableBase;
  for (int block = 0; block < kBlockCount; ++block) {
    map[static_cast<std::size_t>(block)].length = BlockLength(block);
    map[static_cast<std::size_t>(block)].address = base + BlockOffset(block);
  }
}

void BuildBlockMap(CLoaderState& w) {
  for (int block = 0; block < kBlockCount; ++block)
    w.blockMap[static_cast<std::size_t>(block)].length = BlockLength(block);
  std::optional<FirstFamilyKind> kind = FirstFamilyKindOf(GetFamilyTag(w));
  if (!kind) {
    ShowMessageById(w.ui, kMsgBadConfigFile + LanguageOffset, kStyleExclamation);
    return;
  }
  FillBlockMap(w.blockMap, *kind);
}

std::string DumpFilePath(const CLoaderState& w) {
  return w.catalogueFolder + kPathSeparator + "~tmp" + std::to_string(w.portNumber) + ".tmp";
}

namespace {

// The capture of the read-out: everything the receiver streams goes to the dump file until it
// has been quiet for 2000 ms or sent more than a dump can hold. 1 to judge what came, -1
// when the capture failed or was cancelled.
int CaptureDump(CLoaderState& w, CProgress& progress, FirstFamilyKind kind, std::FILE* dump,
                std::uint32_t* received) {
  using namespace first_timing;
  std::int64_t limit = w.clock.NowMs() + kCaptureSilenceMs;
  int run = 0;
  bool stop = false;
  double fullDump = kind == FirstFamilyKind::kTk ? kTkFullDump : kVrFullDump;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    w.port.TakeReceived(&data, &count);
    if (count > 0) {
      limit = w.clock.NowMs() + kCaptureSilenceMs;
      if (std::fwrite(data, 1, count, dump) != count) {
        ShowMessageById(w.ui, kMsgTempFileError + LanguageOffset, kStyleExclamation);
        return -1;
      }
      *received += count;
      for (std::uint32_t i = 0; i < count; ++i) {
        if (data[i] == kRecordStart) {
          run = 0;
          // TK receivers put text between records; only the head of a delivery counts.
          if (kind == FirstFamilyKind::kTk) break;
        } else if (++run > kRunWithoutRecordStart) {
          ShowMessageById(w.ui, kMsgBadDataOnInput + LanguageOffset, kStyleExclamation);
          stop = true;
          break;
        }
      }
    }
    if (progress.PollCancel()) {
      if (ShowMessageById(w.ui, kMsgConfirmAbort + LanguageOffset, kStyleQuestion) == kResultYes)
        stop = true;
      else
        limit = w.clock.NowMs() + kCaptureSilenceMs;
    }
    int percent = static_cast<int>(std::min(100.0, *received * 100.0 / fullDump));
    progress.SetProgressPosition(percent);
    if (*received > kCaptureEnoughBytes) {
      if (kind == FirstFamilyKind::kVr) progress.SetProgressPosition(100);
      return stop ? -1 : 1;
    }
    w.clock.SleepMs(kCapturePollPauseMs);
    if (stop) return -1;
    if (w.clock.NowMs() >= limit) return 1;
  }
}

int ReadOutAndParse(CLoaderState& w, CProgress& progress, FirstFamilyKind kind, std::FILE* dump) {
  using namespace first_timing;
  if (w.port.OpenPort(w.portNumber, kTableBitRate, 'N', kDataBits, kStopBits) == 0) return -1;
  switch (WaitForWrongChecksumText(w, progress)) {
    case kWrongChecksumFound:
      return kTablesReceiverInLoader;
    case kWrongChecksumCancelled:
      ShowMessageById(w.ui, kMsgPortOpenError + LanguageOffset, kStyleExclamation);
      return -1;
    default:
      break;
  }
  if (kind == FirstFamilyKind::kTk) {
    SendStoredText(w.port, kReadOutMarkerTk, &w.clock, static_cast<int>(kMarkerBytePauseMs));
    w.clock.SleepMs(kReadOutRequestSettleMs);
  } else {
    // VR receivers listen for the request at 4800 bit/s and stream at 9600.
    w.port.ClosePort();
    w.port.OpenPort(w.portNumber, kWakeBitRate, 'N', kDataBits, kStopBits);
    SendStoredText(w.port, kReadOutRequestVr);
    w.clock.SleepMs(kReadOutRequestSettleMs);
    w.port.SetBaudRate(kTableBitRate);
  }
  progress.SetProgressText(Text(kMsgReadingReceiver));

  std::uint32_t received = 0;
  if (CaptureDump(w, progress, kind, dump, &received) < 0) return -1;
  if (received == 0) {
    ShowMessageById(w.ui, kMsgCheckConnection + LanguageOffset, kStyleExclamation);
    return -1;
  }
  if (received < static_cast<std::uint32_t>(kDumpMinimumBytes)) {
    ShowMessageById(w.ui, kMsgBadDataOnInput + LanguageOffset, kStyleExclamation);
    return -1;
  }
  if (!FlushToDisk(dump, w.catalogueFolder)) {
    ShowMessageById(w.ui, kMsgTempFileError + LanguageOffset, kStyleExclamation);
    return -1;
  }
  return ParseDump(w, dump) < 0 ? -1 : 1;
}

}  // namespace

int ReadReceiverTables(CLoaderState& w, CProgress& progress, FirstFamilyKind kind) {
  progress.SetProgressText(Text(kMsgWakingReceiver));
  std::FILE* dump = std::fopen(DumpFilePath(w).c_str(), "w+b");
  if (dump == nullptr) {
    ShowMessageById(w.ui, kMsgTempFileError + LanguageOffset, kStyleExclamation);
    return -1;
  }
  int result = ReadOutAndParse(w, progress, kind, dump);
  // Emptied for a receiver already in its loader: no older dump may come back after a
  // power cut and pass for this receiver's tables.
  if (result == kTablesReceiverInLoader && !FlushToDisk(dump, w.catalogueFolder)) {
    ShowMessageById(w.ui, kMsgTempFileError + LanguageOffset, kStyleExclamation);
    result = -1;
  }
  std::fclose(dump);
  return result;
}
