#include <span>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interaction.h"
#include "loader/load_context.h"
#include "loader/program_image.h"
#include "loader/second/tk20b_reply.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"
#include "loader/tk20b_record.h"
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

int PercentOf(long done, long whole) {
  if (whole <= 0) return kProgressUpper;
  return static_cast<int>(static_cast<double>(done) / static_cast<double>(whole) * 100.0);
}

Tk20bResult SendRecords(LoadContext& context, CProgress& progress, const ProgramImage& image) {
  const std::int16_t headerSize = image.layout.headerLength;
  if (headerSize <= 0 || image.layout.fault != ImageFault::kNone) return kStepLoadFailed;
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
      if (next >= recordCount) return kStepLoadFailed;
      record = image.Record(next++);
      bytesRead += static_cast<long>(record.size());
      if (record[0] != kEndRecordStart) ++context.counts.recordsSent;
    } else {
      context.clock.SleepMs(kTk20bResendPauseMs);
    }
    const int percent = PercentOf(bytesRead, recordBytes);
    if (progress.CheckCancel(CancelRule::kAsk) == CancelAnswer::kConfirmed) return kStepUserCancel;
    progress.SetProgressPosition(percent < 1 ? 1 : percent);
    const std::uint8_t recordNumber = record[1];

    if (record[0] == kEndRecordStart) {
      progress.SetProgressPosition(kProgressUpper);
      // The reply to the last data record may still be queued: the end record's "POK"
      // is looked for among whatever is there.
      for (std::size_t i = 0; i < record.size(); ++i)
        context.port.WriteToPort(&record[i], 1);
      return Tk20bAwaitReply(context, recordNumber) == kReplyPOK ? kStepOk : kStepLoadFailed;
    }

    context.port.ClearReceived();
    // The record goes to the port in one write: the line carries the same bytes back to
    // back as with one write per byte, without a system call for each of them.
    context.port.WriteToPort(record.data(), static_cast<std::uint32_t>(record.size()));
    if (progress.CheckCancel(CancelRule::kAsk) == CancelAnswer::kConfirmed) return kStepUserCancel;
    const ReplyOutcome reply = Tk20bAwaitReply(context, recordNumber);
    if (reply == kReplyP || reply == kReplyI) {
      resends = 0;
      resend = false;
    } else {
      if (resends >= kTk20bMaxResends) return kStepLoadFailed;
      ++resends;
      ++context.counts.resends;
      resend = true;
    }
  }
}

}  // namespace

Tk20bResult Tk20bLoadImage(LoadContext& context, const LoadTarget& target, ProgramImage* image) {
  if (target.checkedImage) {
    *image = *target.checkedImage;
    return kStepOk;
  }
  switch (LoadProgramImage(target.filePath, RecordRules::kSecondFamily, context.ui, image)) {
    case ImageLoad::kReady:
      return kStepOk;
    case ImageLoad::kUnreadable:
      return kStepFileOpen;
    case ImageLoad::kRefused:
      return kStepLoadFailed;
  }
  return kStepLoadFailed;
}

Tk20bResult Tk20bTransfer(LoadContext& context, const LoadTarget& target, CProgress& progress,
                          std::uint32_t bitRate, const ProgramImage& image) {
  progress.SetProgressText(LoadMessageText(kMsgLoadingInProgress, context.language));
  // Only the rate agreed in the preparation: the receiver listens at no other.
  if (!context.port.OpenPort(target.portNumber, bitRate, 'N', 8, kTk20bTransferStopBits))
    return kStepPortNotReady;
  CTransferPort channel(context.port);
  return SendRecords(context, progress, image);
}
