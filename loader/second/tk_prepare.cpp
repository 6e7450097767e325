#include <string>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "loader/second/tk_collected_text.h"
#include "loader/second/tk_steps.h"
#include "loader/second/tk_timing.h"
#include "serial/sentences.h"
#include "serial/serial_link.h"

namespace {

// Rate character of the preparation data, then the user-data character, then four zeros.
std::string PreparationData(std::uint32_t bitRate, bool keepUserData) {
  std::string data = bitRate == kTkFastBitRate ? "5" : "2";
  data += keepUserData ? '0' : '1';
  data += "0000";
  return data;
}

}  // namespace

LoadStepResult TkAwaitAccept(CLoaderState& w, CProgress& progress) {
  const std::int64_t start = w.clock.NowMs();
  w.port.ClearReceived();
  CCollectedText collected;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    w.port.TakeReceivedWaiting(&data, &count, 1);
    collected.Append(data, count);
    if (collected.Contains(kReplyAccepted)) return StepOk;
    collected.KeepTail(kReplyAccepted.size() - 1);
    if (progress.PollCancel() == 1) return StepUserCancel;
    if (w.clock.NowMs() - start >= kTkAcceptWindowMs) return StepNoReply;
  }
}

LoadStepResult TkAwaitErase(CLoaderState& w, CProgress& progress) {
  progress.SetProgressText(
      LoadMessageText(w.keepUserData ? kMsgErasingSoftware : kMsgErasingData, w.language));
  std::int64_t start = w.clock.NowMs();
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
      start = w.clock.NowMs();
    }
    if (collected.Contains(kReplyEraseDone)) return StepOk;
    collected.KeepTail(kReplyEraseDone.size() - 1);
    if (progress.PollCancel() == 1) return StepUserCancel;
    w.clock.SleepMs(kTkErasePollPauseMs);
    if (w.clock.NowMs() - start >= kTkEraseWindowMs) return StepNoReply;
  }
}

LoadStepResult TkPrepare(CLoaderState& w, CProgress& progress, std::uint32_t* bitRate) {
  progress.SetProgressText(LoadMessageText(kMsgPreparingReceiver, w.language));
  // The probe: a port that cannot be opened at 115200 bit/s loads at 19200.
  *bitRate = kTkSlowBitRate;
  if (w.port.OpenPort(w.portNumber, kTkFastBitRate, 'N', 8, kTkTransferStopBits) == 1) {
    w.port.ClosePort();
    *bitRate = kTkFastBitRate;
  }
  if (w.port.OpenPort(w.portNumber, kTkDetectBitRate, 'N', 8, kTkDetectStopBits) != 1) {
    return StepPortNotReady;
  }
  SendProprietarySentence(w.port, kPreparationSentenceCode,
                          PreparationData(*bitRate, w.keepUserData));
  LoadStepResult result = TkAwaitAccept(w, progress);
  if (result == StepOk) {
    // The receiver answers at the new rate from here on; the 2 stop bits stay.
    result = w.port.SetBaudRate(*bitRate) == 1 ? TkAwaitErase(w, progress) : StepPortNotReady;
  }
  w.port.ClosePort();
  return result;
}
