#include "loader/first/wakeup.h"

#include "base/clock.h"
#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/first/first_timing.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

namespace {

using namespace first_timing;

constexpr std::uint32_t kLoaderBitRate = 9600;
constexpr std::uint32_t kWakeBitRate = 4800;
constexpr std::uint16_t kDataBits = 8;
constexpr std::uint16_t kStopBits = 2;
constexpr std::uint8_t kLoaderGo = '0';
constexpr std::uint8_t kLoaderReady = '1';

bool OpenAt(CLoaderState& w, std::uint32_t bitRate) {
  return w.port.OpenPort(w.portNumber, bitRate, 'N', kDataBits, kStopBits) != 0;
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

int EnterLoadingMode(CLoaderState& w, CProgress& progress, FirstFamilyKind kind) {
  progress.SetProgressText(LoadTextByNumber(kMsgLoadingInProgress + LanguageOffset));
  progress.SetProgressPosition(0);
  w.port.ClosePort();
  if (!(kind == FirstFamilyKind::kVr ? WakeVr(w) : WakeTk(w))) return -1;

  std::int64_t limit = w.clock.NowMs() + kIdentifyWindowMs;
  bool identified = false;
  while (!identified && w.clock.NowMs() < limit) {
    int seen = WaitForWrongChecksumText(w, progress);
    if (seen == kWrongChecksumCancelled || progress.PollCancel() != 0) return -1;
    identified = seen == kWrongChecksumFound;
  }
  if (!identified) {
    SetLastLoadingMarker(w.settings, w.portNumber, -1);
    ShowMessageById(w.ui, kMsgBadDataOnInput + LanguageOffset, kStyleExclamation);
    return -1;
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

  limit = w.clock.NowMs() + kReadyWindowMs;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    w.port.TakeReceivedWaiting(&data, &count, kArrivalWaitMs);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (data[i] == kLoaderReady) {
        w.port.ClearReceived();
        return 1;
      }
    }
    if (w.clock.NowMs() >= limit) break;
  }
  ShowMessageById(w.ui, kMsgLoadingFailed + LanguageOffset, kStyleExclamation);
  return -1;
}
