#include "loader/first/wakeup.h"

#include <algorithm>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/deadline.h"
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

using namespace first_timing;

using first_line::kWakeBitRate;
constexpr std::uint32_t kLoaderBitRate = first_line::kLineBitRate;
constexpr std::uint8_t kLoaderGo = '0';
constexpr std::uint8_t kLoaderReady = '1';

bool OpenAt(FirstLoad& load, std::uint32_t bitRate) {
  if (first_line::OpenLine(load.context.port, load.target.portNumber, bitRate)) return true;
  ReportUntoldOpenFailure(load);
  return false;
}

// A pause of the wake-up at the receiver's pace, which a cancel or a stop ends at once:
// false then, and the load stops (nothing is asked, as in the wait that follows).
bool Pause(FirstLoad& load, CProgress& progress, std::int64_t ms) {
  for (std::int64_t left = ms; left > 0; left -= kWakePausePollMs) {
    if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed) {
      NoteFirstCancel(load);
      return false;
    }
    load.context.clock.SleepMs(std::min(left, kWakePausePollMs));
  }
  if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kNoRequest) return true;
  NoteFirstCancel(load);
  return false;
}

// From the first byte of the wake-up on, the receiver's tables may be gone: until the load
// has succeeded the port stays marked unfinished, so that a crash, a kill or a power cut
// of the computer leads the next run to ask whether to restore them from the dump. A store
// that cannot take the mark stops the load before that byte.
bool MarkLoadUnfinished(FirstLoad& load) {
  if (SetLastLoadingMarker(load.context.settings, load.target.portNumber, -1)) return true;
  if (!load.outcome) {
    load.outcome = FailedOutcome(
        0, MarkerWriteFailureText(load.context.settings, load.context.language), false);
  }
  return false;
}

// VR receivers take their wake sentences at 4800 bit/s and then talk at 9600.
bool WakeVr(FirstLoad& load, CProgress& progress) {
  if (!Pause(load, progress, kVrPortSettleMs)) return false;
  if (!OpenAt(load, kWakeBitRate)) return false;
  if (!MarkLoadUnfinished(load)) return false;
  SendStoredText(load.context.port, kFirstWakeSentence);
  if (!Pause(load, progress, kVrBetweenWakeSentencesMs)) return false;
  SendStoredText(load.context.port, kSecondWakeSentence);
  load.context.port.ClosePort();
  if (!Pause(load, progress, kVrPortSettleMs)) return false;
  // A port that will not reopen shows as a receiver that never answers (message 114).
  first_line::OpenLine(load.context.port, load.target.portNumber, kLoaderBitRate);
  return true;
}

bool WakeTk(FirstLoad& load) {
  if (!OpenAt(load, kLoaderBitRate)) return false;
  if (!MarkLoadUnfinished(load)) return false;
  SendStoredText(load.context.port, kLoadMarkerTk, &load.context.clock, kMarkerBytePauseMs);
  return true;
}

}  // namespace

FirstStep EnterLoadingMode(FirstLoad& load, CProgress& progress, Family kind) {
  progress.SetProgressText(LoadMessageText(kMsgLoadingInProgress, load.context.language));
  progress.SetProgressPosition(0);
  load.context.port.ClosePort();
  if (!(kind == Family::kVr ? WakeVr(load, progress) : WakeTk(load))) return FirstStep::kStopped;

  const Deadline identifyDeadline(load.context.clock, kIdentifyWindowMs);
  bool identified = false;
  while (!identified && !identifyDeadline.Passed()) {
    WrongChecksumWait seen = WaitForWrongChecksumText(load.context, progress);
    if (seen == WrongChecksumWait::kNoText) {
      ReportFirstResult(load, FirstResult::kBadConfigFile);
      return FirstStep::kStopped;
    }
    if (seen == WrongChecksumWait::kCancelled ||
        progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed) {
      NoteFirstCancel(load);
      return FirstStep::kStopped;
    }
    identified = seen == WrongChecksumWait::kFound;
  }
  if (!identified) {
    SetLastLoadingMarker(load.context.settings, load.target.portNumber, -1);
    ReportFirstResult(load, FirstResult::kBadDataOnInput);
    return FirstStep::kStopped;
  }

  load.context.port.WriteToPort(&kLoaderGo, 1);
  if (kind == Family::kVr) {
    // The VR loader prepares its memory before it says "1"; what it sent meanwhile is stale.
    if (!Pause(load, progress, kVrAfterZeroPauseMs)) return FirstStep::kStopped;
    load.context.port.ClearReceived();
  } else {
    // TK loaders want the "0" twice.
    load.context.clock.SleepMs(kTkSecondZeroPauseMs);
    load.context.port.WriteToPort(&kLoaderGo, 1);
  }

  const Deadline readyDeadline(load.context.clock, kReadyWindowMs);
  bool cancelled = false;
  const bool ready = TakeUntil(
      load.context.port, readyDeadline, kArrivalWaitMs, [&](std::span<const std::uint8_t> take) {
        if (std::ranges::find(take, kLoaderReady) != take.end()) return true;
        cancelled = progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed;
        return cancelled;
      });
  if (ready && !cancelled) {
    load.context.port.ClearReceived();
    return FirstStep::kDone;
  }
  if (cancelled) {
    NoteFirstCancel(load);
    return FirstStep::kStopped;
  }
  ReportFirstResult(load, FirstResult::kLoadingFailed);
  return FirstStep::kStopped;
}
