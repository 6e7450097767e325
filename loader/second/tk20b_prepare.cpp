#include <span>
#include <string>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "loader/deadline.h"
#include "loader/load_context.h"
#include "loader/second/tk20b_collected_text.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

namespace {

// Rate character of the preparation data, then the user-data character, then four zeros.
std::string PreparationData(std::uint32_t bitRate, bool keepUserData) {
  std::string data = bitRate == kTk20bFastBitRate ? "5" : "2";
  data += keepUserData ? '0' : '1';
  data += "0000";
  return data;
}

}  // namespace

Tk20bResult Tk20bAwaitAccept(LoadContext& context, CProgress& progress) {
  const Deadline deadline(context.clock, kTk20bAcceptWindowMs);
  context.port.ClearReceived();
  CCollectedText collected;
  Tk20bResult result = kStepNoReply;
  TakeUntil(context.port, deadline, 1, [&](std::span<const std::uint8_t> take) {
    collected.Append(take.data(), static_cast<std::uint32_t>(take.size()));
    if (collected.Contains(kReplyAccepted)) {
      result = kStepOk;
      return true;
    }
    collected.KeepTail(kReplyAccepted.size() - 1);
    if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed) {
      result = kStepUserCancel;
      return true;
    }
    return false;
  });
  return result;
}

Tk20bResult Tk20bAwaitErase(LoadContext& context, const LoadTarget& target, CProgress& progress) {
  progress.SetProgressText(LoadMessageText(
      target.keepUserData ? kMsgErasingSoftware : kMsgErasingData, context.language));
  Deadline deadline(context.clock, kTk20bEraseWindowMs);
  context.port.ClearReceived();
  CCollectedText collected;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    context.port.TakeReceived(&data, &count);
    collected.Append(data, count);
    // "DXF": the user data are gone and the program is being erased; the limit starts
    // again. What came after it in the same take still counts, "PXF" included.
    for (std::size_t at = collected.Find(kReplyEraseDataDone); at != std::string::npos;
         at = collected.Find(kReplyEraseDataDone)) {
      progress.SetProgressText(LoadMessageText(kMsgErasingSoftware, context.language));
      collected.DropBefore(at + kReplyEraseDataDone.size());
      deadline.Restart();
    }
    if (collected.Contains(kReplyEraseDone)) return kStepOk;
    collected.KeepTail(kReplyEraseDone.size() - 1);
    if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed)
      return kStepUserCancel;
    context.clock.SleepMs(kTk20bErasePollPauseMs);
    if (deadline.Passed()) return kStepNoReply;
  }
}

Tk20bResult Tk20bPrepare(LoadContext& context, const LoadTarget& target, CProgress& progress,
                         std::uint32_t* bitRate) {
  progress.SetProgressText(LoadMessageText(kMsgPreparingReceiver, context.language));
  // The probe: a port that cannot be opened at 115200 bit/s loads at 19200.
  *bitRate = kTk20bSlowBitRate;
  if (context.port.OpenPort(target.portNumber, kTk20bFastBitRate, 'N', 8, kTk20bTransferStopBits)) {
    context.port.ClosePort();
    *bitRate = kTk20bFastBitRate;
  }
  if (!context.port.OpenPort(target.portNumber, kTk20bDetectBitRate, 'N', 8,
                             kTk20bDetectStopBits)) {
    return kStepPortNotReady;
  }
  SendProprietarySentence(context.port, kPreparationSentenceCode,
                          PreparationData(*bitRate, target.keepUserData));
  Tk20bResult result = Tk20bAwaitAccept(context, progress);
  if (result == kStepOk) {
    // The receiver answers at the new rate from here on; the 2 stop bits stay.
    result = context.port.SetBaudRate(*bitRate) ? Tk20bAwaitErase(context, target, progress)
                                                : kStepPortNotReady;
  }
  context.port.ClosePort();
  return result;
}
