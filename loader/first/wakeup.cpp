#include "loader/first/wakeup.h"

#include <algorithm>

#include "base/clock.h"
#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/deadline.h"
#include "loader/first/first_line.h"
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

bool OpenAt(CLoaderState& w, std::uint32_t bitRate) {
  return first_line::OpenLine(w.port, w.portNumber, bitRate) != 0;
}

// From the first byte of the wake-up on, the receiver's tables may be gone: until the load
// has succeeded the port stays marked unfinished, so that a crash, a kill or a power cut
// of the computer leads the next run to ask whether to restore them from the dump.
void MarkLoadUnfinished(CLoaderState& w) {
  SetLastLoadingMarker(w.settings, w.portNumber, -1);
}

// VR receivers take their wake sentences at 4800 bit/s and then talk at 9600.
bool WakeVr(CLoaderState& w) {
  w.clock.SleepMs(kVrPortSettleMs);
  if (!OpenAt(w, kWakeBitRate)) return false;
  MarkLoadUnfinished(w);
  SendStoredText(w.port, kFirstWakeSentence);
  w.clock.SleepMs(kVrBetweenWakeSentencesMs);
  SendStoredText(w.port, kSecondWakeSentence);
  w.port.ClosePort();
  w.clock.SleepMs(kVrPortSettleMs);
  OpenAt(w, kLoaderBitRate);
  return true;
}

bool WakeTk(CLoaderState& w) {
  if (!OpenAt(w, kLoaderBitRate)) return false;
  MarkLoadUnfinished(w);
  SendStoredText(w.port, kLoadMarkerTk, &w.clock, static_cast<int>(kMarkerBytePauseMs));
  return true;
}

}  // namespace

FirstStep EnterLoadingMode(CLoaderState& w, CProgress& progress, FirstFamilyKind kind) {
  progress.SetProgressText(LoadMessageText(kMsgLoadingInProgress, w.language));
  progress.SetProgressPosition(0);
  w.port.ClosePort();
  if (!(kind == FirstFamilyKind::kVr ? WakeVr(w) : WakeTk(w))) return FirstStep::kStopped;

  const Deadline identifyDeadline(w.clock, kIdentifyWindowMs);
  bool identified = false;
  while (!identified && !identifyDeadline.Passed()) {
    WrongChecksumWait seen = WaitForWrongChecksumText(w, progress);
    if (seen == WrongChecksumWait::kCancelled || progress.PollCancel() != 0)
      return FirstStep::kStopped;
    identified = seen == WrongChecksumWait::kFound;
  }
  if (!identified) {
    SetLastLoadingMarker(w.settings, w.portNumber, -1);
    ReportFirstResult(w.ui, w.language, FirstResult::kBadDataOnInput);
    return FirstStep::kStopped;
  }

  w.port.WriteToPort(&kLoaderGo, 1);
  if (kind == FirstFamilyKind::kVr) {
    // The VR loader prepares its memory before it says "1"; what it sent meanwhile is stale.
    w.clock.SleepMs(kVrAfterZeroPauseMs);
    w.port.ClearReceived();
  } else {
    // TK loaders want the "0" twice.
    w.clock.SleepMs(kTkSecondZeroPauseMs);
    w.port.WriteToPort(&kLoaderGo, 1);
  }

  const Deadline readyDeadline(w.clock, kReadyWindowMs);
  if (TakeUntil(w.port, readyDeadline, kArrivalWaitMs, [](std::span<const std::uint8_t> take) {
        return std::ranges::find(take, kLoaderReady) != take.end();
      })) {
    w.port.ClearReceived();
    return FirstStep::kDone;
  }
  ReportFirstResult(w.ui, w.language, FirstResult::kLoadingFailed);
  return FirstStep::kStopped;
}
