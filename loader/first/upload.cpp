#include "loader/first/upload.h"

#include <algorithm>

#include "base/clock.h"
#include "base/header_record.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interaction.h"
#include "loader/deadline.h"
#include "loader/first/first_load.h"
#include "loader/first/first_result.h"
#include "loader/first/first_timing.h"
#include "loader/first/tables.h"
#include "loader/program_image.h"
#include "serial/serial_link.h"

bool IsRecordAcceptance(std::span<const std::uint8_t> delivery) {
  std::uint8_t smallest = 127;
  for (std::uint8_t b : delivery)
    smallest = std::min(smallest, b);
  return smallest == '0';
}

std::array<std::uint8_t, kEndRecordSize> BuildEndRecord(std::uint16_t sum) {
  auto high = static_cast<std::uint8_t>(sum >> 8);
  auto low = static_cast<std::uint8_t>(sum);
  return {kEndRecordStart, high, low, static_cast<std::uint8_t>(high + low)};
}

EndVerdict JudgeEndVerdict(std::uint8_t firstByte) {
  switch (firstByte) {
    case '1':
    case '2':
      return EndVerdict::kResend;
    case '3':
      return EndVerdict::kBusy;
    case '4':
      return EndVerdict::kBadChecksum;
    case '5':
      return EndVerdict::kAccepted;
    case '6':
      return EndVerdict::kUnsuitable;
    case '7':
      return EndVerdict::kFlashError;
    default:
      return EndVerdict::kUnexpected;
  }
}

namespace {

using namespace first_timing;

void ShowFailure(FirstLoad& load, FirstResult result) {
  ReportFirstResult(load, result);
}

enum class Step { kGoOn, kFailed, kCancelled };
// The loader's answer to the end record: the program taken, the end record to go again,
// or the load failed.
enum class EndAnswer { kAccepted, kResend, kFailed, kStopped };

class CUpload {
 public:
  CUpload(FirstLoad& load, CProgress& progress, const ProgramImage& image)
      : load_(load), progress_(progress), image_(image) {}

  Step Run();

 private:
  Step ReadRecord();
  Step CheckCancel();
  Step SendRecord();
  Step AwaitAnswer();
  Step SendEndRecord();
  EndAnswer AwaitVerdict(int* endRetries);
  bool Write(const std::uint8_t* bytes, std::size_t count);

  FirstLoad& load_;
  CProgress& progress_;
  const ProgramImage& image_;
  std::size_t nextRecord_ = 0;
  std::int32_t remainingSize_ = 0;
  std::uint32_t bytesRead_ = 0;
  int refusals_ = 0;
  bool resend_ = false;
  std::array<std::uint8_t, kRecordBufferSize> record_{};
  std::size_t recordLength_ = 0;
};

// The next record of the checked image, each whole and of a form the loader knows.
Step CUpload::ReadRecord() {
  if (nextRecord_ >= image_.layout.records.size()) return Step::kFailed;
  std::span<const std::uint8_t> record = image_.Record(nextRecord_++);
  if (record.size() > record_.size()) return Step::kFailed;
  std::copy(record.begin(), record.end(), record_.begin());
  recordLength_ = record.size();
  bytesRead_ += static_cast<std::uint32_t>(recordLength_);
  if (record[0] != kEndRecordStart) ++load_.context.counts.recordsSent;
  return Step::kGoOn;
}

Step CUpload::CheckCancel() {
  return progress_.CheckCancel(CancelRule::kAsk) == CancelAnswer::kConfirmed ? Step::kCancelled
                                                                             : Step::kGoOn;
}

bool CUpload::Write(const std::uint8_t* bytes, std::size_t count) {
  return load_.context.port.WriteToPort(bytes, static_cast<std::uint32_t>(count)) ==
         static_cast<std::uint32_t>(count);
}

// One byte per write call, as the loader takes them; a port that no longer takes bytes
// (an unplugged adapter) fails the record at once instead of after 30 s of silence.
Step CUpload::SendRecord() {
  load_.context.port.ClearReceived();
  for (std::size_t i = 0; i < recordLength_; ++i) {
    if (!Write(&record_[i], 1)) return Step::kFailed;
    Step step = CheckCancel();
    if (step != Step::kGoOn) return step;
  }
  return Step::kGoOn;
}

// Sleeps on the port's arrival signal until the first delivery, so an answer is judged as
// soon as it is here and not at the next 50 ms step; then lets 50 ms pass behind it: the
// loader needs them before the next record, and what follows in that time (the CR LF of
// a "0") is cleared before the next record goes out.
// A cancel is looked for while the loader is silent, so that neither the user nor a stop
// request waits out the 30 s.
Step CUpload::AwaitAnswer() {
  const Deadline deadline(load_.context.clock, kRecordAnswerWindowMs);
  std::span<const std::uint8_t> answer;
  bool cancelled = false;
  TakeUntil(load_.context.port, deadline, kAnswerSettleMs, [&](std::span<const std::uint8_t> take) {
    answer = take;
    if (!take.empty()) return true;
    cancelled = CheckCancel() == Step::kCancelled;
    return cancelled;
  });
  if (cancelled) return Step::kCancelled;
  if (answer.empty()) return Step::kFailed;
  if (IsRecordAcceptance(answer)) {
    refusals_ = 0;
  } else if (refusals_ >= kMaxRefusals) {
    return Step::kFailed;
  } else {
    resend_ = true;
    ++refusals_;
    ++load_.context.counts.resends;
  }
  load_.context.clock.SleepMs(kAnswerSettleMs);
  return Step::kGoOn;
}

// Only a stop request ends the wait early: the program is in the receiver, and the user's
// cancel button is not asked about while its verdict comes.
EndAnswer CUpload::AwaitVerdict(int* endRetries) {
  for (;;) {
    const Deadline deadline(load_.context.clock, kEndVerdictWindowMs);
    std::span<const std::uint8_t> verdict;
    bool stopped = false;
    TakeUntil(load_.context.port, deadline, kArrivalWaitMs,
              [&](std::span<const std::uint8_t> take) {
                verdict = take;
                stopped = take.empty() &&
                          progress_.CheckCancel(CancelRule::kStopOnly) == CancelAnswer::kConfirmed;
                return !take.empty() || stopped;
              });
    if (stopped) return EndAnswer::kStopped;
    if (verdict.empty()) {
      ShowFailure(load_, FirstResult::kLoadingFailed);
      return EndAnswer::kFailed;
    }
    switch (JudgeEndVerdict(verdict[0])) {
      case EndVerdict::kAccepted:
        return EndAnswer::kAccepted;
      case EndVerdict::kResend:
        if (*endRetries >= kMaxEndRetries) {
          ShowFailure(load_, FirstResult::kLoadingFailed);
          return EndAnswer::kFailed;
        }
        ++*endRetries;
        return EndAnswer::kResend;
      case EndVerdict::kBusy:
        load_.context.clock.SleepMs(kBusyPauseMs);
        if (progress_.CheckCancel(CancelRule::kStopOnly) == CancelAnswer::kConfirmed)
          return EndAnswer::kStopped;
        continue;
      case EndVerdict::kBadChecksum:
        ShowFailure(load_, FirstResult::kBadChecksum);
        return EndAnswer::kFailed;
      case EndVerdict::kUnsuitable:
        ShowFailure(load_, FirstResult::kBadSoftwareVersion);
        return EndAnswer::kFailed;
      case EndVerdict::kFlashError:
        ShowFailure(load_, FirstResult::kFlashWriteError);
        return EndAnswer::kFailed;
      case EndVerdict::kUnexpected:
        return EndAnswer::kFailed;
    }
  }
}

// The tables go back after the last data record; their data bytes join the program sum.
Step CUpload::SendEndRecord() {
  auto stoppedStep = [this] {
    return load_.outcome && load_.outcome->end == LoadEnd::kCancelled ? Step::kCancelled
                                                                      : Step::kFailed;
  };
  CWriteBackProgress shown(progress_, load_.tables, load_.context.language);
  std::uint16_t almanacSum = 0;
  if (WriteBackAlmanac(load_, &almanacSum, shown) == FirstStep::kStopped) return stoppedStep();
  auto sum = static_cast<std::uint16_t>(almanacSum + ((record_[1] << 8) | record_[2]));
  std::uint16_t dopplerSum = 0;
  if (WriteBackDopplerTable(load_, &dopplerSum, shown) == FirstStep::kStopped) return stoppedStep();
  sum = static_cast<std::uint16_t>(sum + dopplerSum);
  std::array<std::uint8_t, kEndRecordSize> end = BuildEndRecord(sum);

  int endRetries = 0;
  for (;;) {
    if (endRetries != 0) load_.context.clock.SleepMs(kEndResendPauseMs);
    load_.context.port.ClearReceived();
    for (std::uint8_t b : end) {
      if (!Write(&b, 1)) return Step::kFailed;
    }
    EndAnswer answer = AwaitVerdict(&endRetries);
    if (answer == EndAnswer::kStopped) return Step::kCancelled;
    if (answer != EndAnswer::kResend)
      return answer == EndAnswer::kAccepted ? Step::kGoOn : Step::kFailed;
  }
}

// kGoOn once the loader has accepted the whole program.
Step CUpload::Run() {
  // The header record is never sent; the share of the file behind it is the 100 % mark.
  std::int16_t headerLength = image_.layout.headerLength;
  if (headerLength <= 0 || image_.layout.fault != ImageFault::kNone) return Step::kFailed;
  remainingSize_ = static_cast<std::int32_t>(image_.bytes.size()) - headerLength;

  for (;;) {
    if (!resend_) {
      if (ReadRecord() != Step::kGoOn) return Step::kFailed;
    } else {
      load_.context.clock.SleepMs(kResendPauseMs);
    }
    int percent = remainingSize_ > 0
                      ? static_cast<int>(static_cast<double>(bytesRead_) / remainingSize_ * 100.0)
                      : 100;
    resend_ = false;
    Step step = CheckCancel();
    if (step == Step::kCancelled) return step;
    progress_.SetProgressPosition(std::max(percent, 1));
    if (record_[0] == kEndRecordStart) return SendEndRecord();
    step = SendRecord();
    if (step != Step::kGoOn) return step;
    step = AwaitAnswer();
    if (step != Step::kGoOn) return step;
    if (nextRecord_ >= image_.layout.records.size()) return Step::kFailed;
  }
}

}  // namespace

FirstStep UploadProgram(FirstLoad& load, CProgress& progress, const ProgramImage& image) {
  CUpload upload(load, progress, image);
  Step result = upload.Run();
  if (result == Step::kGoOn) return FirstStep::kDone;
  // A cancel confirmed by the user is not reported.
  if (result == Step::kFailed) {
    ShowFailure(load, FirstResult::kLoadingFailed);
  } else {
    NoteFirstCancel(load);
  }
  return FirstStep::kStopped;
}
