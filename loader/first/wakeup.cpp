#include "loader/first/wakeup.h"

#include <algorithm>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/deadline.h"
#include "loader/first/first_line.h"
#include "loader/first/first_load.h"
#include "loader/first/first_result.h"
#include "loader/first/first_timing.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

namespace {

using namespace first_timing;

using first_line::kWakeBitRate;
constexpr std::uint32_t kLoaderBitRate = first_line::kLineBitRate;
constexpr std::uint8_t kLoaderGo = '0';
constexpr std::uint8_t kLoaderReady = '1';

bool OpenAt(FirstLoad& load, std::uint32_t bitRate) {
  if (first_line::OpenLine(load.context.port, load.target.portNumber, bitRate) != 0) return true;
  ReportUntoldOpenFailure(load.context.port, load.context.ui, load.context.language);
  return false;
}

// From the first byte of the wake-up on, the receiver's tables may be gone: until the load
// has succeeded the port stays marked unfinished, so that a crash, a kill or a power cut
// of the computer leads the next run to ask whether to restore them from the dump.
void MarkLoadUnfinished(FirstLoad& load) {
  SetLastLoadingMarker(load.context.settings, load.target.portNumber, -1);
}

// VR receivers take their wake sentences at 4800 bit/s and then talk at 9600.
bool WakeVr(FirstLoad& load) {
  load.context.clock.SleepMs(kVrPortSettleMs);
  if (!OpenAt(load, kWakeBitRate)) return false;
  MarkLoadUnfinished(load);
  SendStoredText(load.context.port, kFirstWakeSentence);
  load.context.clock.SleepMs(kVrBetweenWakeSentencesMs);
  SendStoredText(load.context.port, kSecondWakeSentence);
  load.context.port.ClosePort();
  load.context.clock.SleepMs(kVrPortSettleMs);
  // A port that will not reopen shows as a receiver that never answers (message 114).
  first_line::OpenLine(load.context.port, load.target.portNumber, kLoaderBitRate);
  return true;
}

bool WakeTk(FirstLoad& load) {
  if (!OpenAt(load, kLoaderBitRate)) return false;
  MarkLoadUnfinished(load);
  SendStoredText(load.context.port, kLoadMarkerTk, &load.context.clock,
                 static_cast<int>(kMarkerBytePauseMs));
  return true;
}

}  // namespace

FirstStep EnterLoadingMode(FirstLoad& load, CProgress& progress, FirstFamilyKind kind) {
  progress.SetProgressText(LoadMessageText(kMsgLoadingInProgress, load.context.language));
  progress.SetProgressPosition(0);
  load.context.port.ClosePort();
  if (!(kind == FirstFamilyKind::kVr ? WakeVr(load) : WakeTk(load))) return FirstStep::kStopped;

  const Deadline identifyDeadline(load.context.clock, kIdentifyWindowMs);
  bool identified = false;
  while (!identified && !identifyDeadline.Passed()) {
    WrongChecksumWait seen = WaitForWrongChecksumText(load.context, progress);
    if (seen == WrongChecksumWait::kCancelled || progress.PollCancel() != 0)
      return FirstStep::kStopped;
    identified = seen == WrongChecksumWait::kFound;
  }
  if (!identified) {
    SetLastLoadingMarker(load.context.settings, load.target.portNumber, -1);
    ReportFirstResult(load.context.ui, load.context.language, FirstResult::kBadDataOnInput);
    return FirstStep::kStopped;
  }

  load.context.port.WriteToPort(&kLoaderGo, 1);
  if (kind == FirstFamilyKind::kVr) {
    // The VR loader prepares its memory before it says "1"; what it sent meanwhile is stale.
    load.context.clock.SleepMs(kVrAfterZeroPauseMs);
    load.context.port.ClearReceived();
  } else {
    // TK loaders want the "0" twice.
    load.context.clock.SleepMs(kTkSecondZeroPauseMs);
    load.context.port.WriteToPort(&kLoaderGo, 1);
  }

  const Deadline readyDeadline(load.context.clock, kReadyWindowMs);
  if (TakeUntil(load.context.port, readyDeadline, kArrivalWaitMs,
                [](std::span<const std::uint8_t> take) {
                  return std::ranges::find(take, kLoaderReady) != take.end();
                })) {
    load.context.port.ClearReceived();
    return FirstStep::kDone;
  }
  ReportFirstResult(load.context.ui, load.context.language, FirstResult::kLoadingFailed);
  return FirstStep::kStopped;
}
