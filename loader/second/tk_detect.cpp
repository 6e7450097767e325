#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "loader/first/wrong_checksum_wait.h"
#include "loader/second/tk_steps.h"
#include "loader/second/tk_timing.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

LoadStepResult TkDetect(CLoaderState& w, CProgress& progress) {
  progress.SetProgressText(LoadMessageText(kMsgDetectingReceiver, w.language));
  progress.SetProgressPosition(0);
  if (w.port.OpenPort(w.portNumber, kTkDetectBitRate, 'N', 8, kTkDetectStopBits) != 1) {
    return StepPortNotReady;
  }
  SendStoredText(w.port, kFirstWakeSentence);
  w.clock.SleepMs(kTkWakeSentenceGapMs);
  SendStoredText(w.port, kSecondWakeSentence);

  const std::int64_t start = w.clock.NowMs();
  LoadStepResult result = StepNoReply;
  while (w.clock.NowMs() - start < kTkDetectionMs) {
    int seen = WaitForWrongChecksumText(w, progress);
    if (seen == kWrongChecksumCancelled) {
      result = StepUserCancel;
      break;
    }
    result = seen == kWrongChecksumFound ? StepOk : StepNoReply;
    if (progress.PollCancel() == 1) {
      result = StepUserCancel;
      break;
    }
    w.clock.SleepMs(kTkDetectionPassPauseMs);
    if (result == StepOk) break;
  }
  w.port.ClosePort();
  return result;
}
