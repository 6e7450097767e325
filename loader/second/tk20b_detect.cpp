#include "base/clock.h"
#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "loader/deadline.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

Tk20bResult Tk20bDetect(CLoaderState& w, CProgress& progress) {
  progress.SetProgressText(LoadMessageText(kMsgDetectingReceiver, w.language));
  progress.SetProgressPosition(0);
  if (w.port.OpenPort(w.portNumber, kTk20bDetectBitRate, 'N', 8, kTk20bDetectStopBits) != 1) {
    return kStepPortNotReady;
  }
  SendStoredText(w.port, kFirstWakeSentence);
  w.clock.SleepMs(kTk20bWakeSentenceGapMs);
  SendStoredText(w.port, kSecondWakeSentence);

  const Deadline deadline(w.clock, kTk20bDetectionMs);
  Tk20bResult result = kStepNoReply;
  while (!deadline.Passed()) {
    WrongChecksumWait seen = WaitForWrongChecksumText(w, progress);
    if (seen == WrongChecksumWait::kCancelled) {
      result = kStepUserCancel;
      break;
    }
    result = seen == WrongChecksumWait::kFound ? kStepOk : kStepNoReply;
    if (progress.PollCancel() == 1) {
      result = kStepUserCancel;
      break;
    }
    w.clock.SleepMs(kTk20bDetectionPassPauseMs);
    if (result == kStepOk) break;
  }
  w.port.ClosePort();
  return result;
}
