#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "loader/deadline.h"
#include "loader/load_context.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

Tk20bResult Tk20bDetect(LoadContext& context, const LoadTarget& target, CProgress& progress) {
  progress.SetProgressText(LoadMessageText(kMsgDetectingReceiver, context.language));
  progress.SetProgressPosition(0);
  if (!context.port.OpenPort(target.portNumber, kTk20bDetectBitRate, 'N', 8,
                             kTk20bDetectStopBits)) {
    return kStepPortNotReady;
  }
  SendStoredText(context.port, kFirstWakeSentence);
  context.clock.SleepMs(kTk20bWakeSentenceGapMs);
  SendStoredText(context.port, kSecondWakeSentence);

  const Deadline deadline(context.clock, kTk20bDetectionMs);
  Tk20bResult result = kStepNoReply;
  while (!deadline.Passed()) {
    WrongChecksumWait seen = WaitForWrongChecksumText(context, progress);
    if (seen == WrongChecksumWait::kCancelled) {
      result = kStepUserCancel;
      break;
    }
    if (seen == WrongChecksumWait::kNoText) {
      result = kStepBadConfig;
      break;
    }
    result = seen == WrongChecksumWait::kFound ? kStepOk : kStepNoReply;
    if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed) {
      result = kStepUserCancel;
      break;
    }
    context.clock.SleepMs(kTk20bDetectionPassPauseMs);
    if (result == kStepOk) break;
  }
  context.port.ClosePort();
  return result;
}
