#include <span>
#include <string>

#include "base/clock.h"
#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "loader/deadline.h"
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

Tk20bResult Tk20bAwaitAccept(CLoaderState& w, CProgress& progress) {
  const Deadline deadline(w.clock, kTk20bAcceptWindowMs);
  w.port.ClearReceived();
  CCollectedText collected;
  Tk20bResult result = kStepNoReply;
  TakeUntil(w.port, deadline, 1, [&](std::span<const std::uint8_t> take) {
    collected.Append(take.data(), static_cast<std::uint32_t>(take.size()));
    if (collected.Contains(kReplyAccepted)) {
      result = kStepOk;
      return true;
    }
    collected.KeepTail(kReplyAccepted.size() - 1);
    if (progress.PollCancel() == 1) {
      result = kStepUserCancel;
      return true;
    }
    return false;
  });
  return result;
}

Tk20bResult Tk20bAwaitErase(CLoaderState& w, CProgress& progress) {
  progress.SetProgressText(
      LoadMessageText(w.keepUserData ? kMsgErasingSoftware : kMsgErasingData, w.language));
  Deadline deadline(w.clock, kTk20bEraseWindowMs);
  w.port.ClearReceived();
  CCollectedText collected;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    w.port.TakeReceived(&data, &count);
    collected.Append(data, count);
    // "DXF": the user data are gone and the program is being erased; the limit starts
    // again. What came after it in the same take still counts, "PXF" included.
    for (std::size_t at = collected.Find(kReplyEraseDataDone); at != std::string::npos;
         at = collected.Find(kReplyEraseDataDone)) {
      progress.SetProgressText(LoadMessageText(kMsgErasingSoftware, w.language));
      collected.DropBefore(at + kReplyEraseDataDone.size());
      deadline.Restart();
    }
    if (collected.Contains(kReplyEraseDone)) return kStepOk;
    collected.KeepTail(kReplyEraseDone.size() - 1);
    if (progress.PollCancel() == 1) return kStepUserCancel;
    w.clock.SleepMs(kTk20bErasePollPauseMs);
    if (deadline.Passed()) return kStepNoReply;
  }
}

Tk20bResult Tk20bPrepare(CLoaderState& w, CProgress& progress, std::uint32_t* bitRate) {
  progress.SetProgressText(LoadMessageText(kMsgPreparingReceiver, w.language));
  // The probe: a port that cannot be opened at 115200 bit/s loads at 19200.
  *bitRate = kTk20bSlowBitRate;
  if (w.port.OpenPort(w.portNumber, kTk20bFastBitRate, 'N', 8, kTk20bTransferStopBits) == 1) {
    w.port.ClosePort();
    *bitRate = kTk20bFastBitRate;
  }
  if (w.port.OpenPort(w.portNumber, kTk20bDetectBitRate, 'N', 8, kTk20bDetectStopBits) != 1) {
    return kStepPortNotReady;
  }
  SendProprietarySentence(w.port, kPreparationSentenceCode,
                          PreparationData(*bitRate, w.keepUserData));
  Tk20bResult result = Tk20bAwaitAccept(w, progress);
  if (result == kStepOk) {
    // The receiver answers at the new rate from here on; the 2 stop bits stay.
    result = w.port.SetBaudRate(*bitRate) == 1 ? Tk20bAwaitErase(w, progress) : kStepPortNotReady;
  }
  w.port.ClosePort();
  return result;
}
