#include <cstdio>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/user_interaction.h"
#include "loader/first/header_record.h"
#include "loader/second/tk_record.h"
#include "loader/second/tk_reply.h"
#include "loader/second/tk_steps.h"
#include "loader/second/tk_timing.h"
#include "serial/serial_link.h"

namespace {

// The file and the port of one transfer, closed on every way out.
class CTransferChannel {
 public:
  CTransferChannel(std::FILE* file, SerialLink& port) : file_(file), port_(port) {}
  ~CTransferChannel() {
    std::fclose(file_);
    port_.ClosePort();
  }
  CTransferChannel(const CTransferChannel&) = delete;
  CTransferChannel& operator=(const CTransferChannel&) = delete;

 private:
  std::FILE* file_;
  SerialLink& port_;
};

// A press of cancel is only a question: the load goes on unless the user says Yes.
bool ConfirmedCancel(CLoaderState& w, CProgress& progress) {
  if (progress.PollCancel() != 1) return false;
  return ShowMessageById(w.ui, kMsgConfirmAbort + LanguageOffset, kStyleQuestion) == kResultYes;
}

bool FileLength(std::FILE* file, long* length) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  *length = std::ftell(file);
  return *length >= 0;
}

int PercentOf(long done, long whole) {
  if (whole <= 0) return kProgressUpper;
  return static_cast<int>(static_cast<double>(done) / static_cast<double>(whole) * 100.0);
}

LoadStepResult SendRecords(CLoaderState& w, CProgress& progress, std::FILE* file) {
  long length = 0;
  if (!FileLength(file, &length)) {
    w.ui.ShowFileReadError();
    return StepLoadFailed;
  }
  const std::int16_t headerSize = ReadHeaderRecord(file, w.ui);
  if (headerSize <= 0) return StepLoadFailed;
  const long recordBytes = length - headerSize;
  long bytesRead = 0;
  bool resend = false;
  int resends = 0;
  TkRecordBuffer record{};
  std::size_t size = 0;

  for (;;) {
    if (!resend) {
      size = ReadTkRecord(file, w.ui, record);
      if (size == 0) return StepLoadFailed;
      bytesRead += static_cast<long>(size);
    } else {
      w.clock.SleepMs(kTkResendPauseMs);
    }
    const int percent = PercentOf(bytesRead, recordBytes);
    if (ConfirmedCancel(w, progress)) return StepUserCancel;
    progress.SetProgressPosition(percent < 1 ? 1 : percent);
    const std::uint8_t recordNumber = record[1];

    if (record[0] == kTkEndRecord) {
      progress.SetProgressPosition(kProgressUpper);
      // The reply to the last data record may still be queued: the end record's "POK"
      // is looked for among whatever is there.
      for (std::size_t i = 0; i < size; ++i)
        w.port.WriteToPort(&record[i], 1);
      return TkAwaitReply(w, recordNumber) == ReplyPOK ? StepOk : StepLoadFailed;
    }

    w.port.ClearReceived();
    // The record goes to the port in one write: the line carries the same bytes back to
    // back as with one write per byte, without a system call for each of them.
    w.port.WriteToPort(record.data(), static_cast<std::uint32_t>(size));
    if (ConfirmedCancel(w, progress)) return StepUserCancel;
    const ReplyOutcome reply = TkAwaitReply(w, recordNumber);
    if (reply == ReplyP || reply == ReplyI) {
      resends = 0;
      resend = false;
    } else {
      if (resends >= kTkMaxResends) return StepLoadFailed;
      ++resends;
      resend = true;
    }
    // A file that stops after a data record has lost its end record.
    if (std::ftell(file) == length) return StepLoadFailed;
  }
}

}  // namespace

LoadStepResult TkTransfer(CLoaderState& w, CProgress& progress, std::uint32_t bitRate) {
  progress.SetProgressText(LoadMessageText(kMsgLoadingInProgress));
  std::FILE* file = std::fopen(w.FilePath().c_str(), "rb");
  if (file == nullptr) return StepFileOpen;
  // Only the rate agreed in the preparation: the receiver listens at no other.
  if (w.port.OpenPort(w.portNumber, bitRate, 'N', 8, kTkTransferStopBits) != 1) {
    std::fclose(file);
    return StepPortNotReady;
  }
  CTransferChannel channel(file, w.port);
  return SendRecords(w, progress, file);
}
