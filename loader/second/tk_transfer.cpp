#include <span>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/user_interaction.h"
#include "loader/first/program_image.h"
#include "loader/second/tk_record.h"
#include "loader/second/tk_reply.h"
#include "loader/second/tk_steps.h"
#include "loader/second/tk_timing.h"
#include "serial/serial_link.h"

namespace {

// The port of one transfer, closed on every way out.
class CTransferPort {
 public:
  explicit CTransferPort(SerialLink& port) : port_(port) {}
  ~CTransferPort() { port_.ClosePort(); }
  CTransferPort(const CTransferPort&) = delete;
  CTransferPort& operator=(const CTransferPort&) = delete;

 private:
  SerialLink& port_;
};

bool ConfirmedCancel(CProgress& progress) {
  return progress.PollConfirmedCancel() == CancelAnswer::kConfirmed;
}

int PercentOf(long done, long whole) {
  if (whole <= 0) return kProgressUpper;
  return static_cast<int>(static_cast<double>(done) / static_cast<double>(whole) * 100.0);
}

LoadStepResult SendRecords(CLoaderState& w, CProgress& progress, const ProgramImage& image) {
  const std::int16_t headerSize = image.layout.headerLength;
  if (headerSize <= 0 || image.layout.fault != ImageFault::kNone) return StepLoadFailed;
  const long recordBytes = static_cast<long>(image.bytes.size()) - headerSize;
  const std::size_t recordCount = image.layout.records.size();
  std::size_t next = 0;
  long bytesRead = 0;
  bool resend = false;
  int resends = 0;
  std::span<const std::uint8_t> record;

  for (;;) {
    if (!resend) {
      // The check lets no file without end record through; an image run out is no load.
      if (next >= recordCount) return StepLoadFailed;
      record = image.Record(next++);
      bytesRead += static_cast<long>(record.size());
    } else {
      w.clock.SleepMs(kTkResendPauseMs);
    }
    const int percent = PercentOf(bytesRead, recordBytes);
    if (ConfirmedCancel(progress)) return StepUserCancel;
    progress.SetProgressPosition(percent < 1 ? 1 : percent);
    const std::uint8_t recordNumber = record[1];

    if (record[0] == kEndRecordStart) {
      progress.SetProgressPosition(kProgressUpper);
      // The reply to the last data record may still be queued: the end record's "POK"
      // is looked for among whatever is there.
      for (std::size_t i = 0; i < record.size(); ++i)
        w.port.WriteToPort(&record[i], 1);
      return TkAwaitReply(w, recordNumber) == ReplyPOK ? StepOk : StepLoadFailed;
    }

    w.port.ClearReceived();
    // The record goes to the port in one write: the line carries the same bytes back to
    // back as with one write per byte, without a system call for each of them.
    w.port.WriteToPort(record.data(), static_cast<std::uint32_t>(record.size()));
    if (ConfirmedCancel(progress)) return StepUserCancel;
    const ReplyOutcome reply = TkAwaitReply(w, recordNumber);
    if (reply == ReplyP || reply == ReplyI) {
      resends = 0;
      resend = false;
    } else {
      if (resends >= kTkMaxResends) return StepLoadFailed;
      ++resends;
      resend = true;
    }
  }
}

}  // namespace

LoadStepResult TkLoadImage(CLoaderState& w, ProgramImage* image) {
  switch (LoadProgramImage(w.FilePath(), RecordRules::kSecondFamily, w.ui, image)) {
    case ImageLoad::kReady:
      return StepOk;
    case ImageLoad::kUnreadable:
      return StepFileOpen;
    case ImageLoad::kRefused:
      return StepLoadFailed;
  }
  return StepLoadFailed;
}

LoadStepResult TkTransfer(CLoaderState& w, CProgress& progress, std::uint32_t bitRate,
                          const ProgramImage& image) {
  progress.SetProgressText(LoadMessageText(kMsgLoadingInProgress, w.language));
  // Only the rate agreed in the preparation: the receiver listens at no other.
  if (w.port.OpenPort(w.portNumber, bitRate, 'N', 8, kTkTransferStopBits) != 1)
    return StepPortNotReady;
  CTransferPort channel(w.port);
  return SendRecords(w, progress, image);
}
