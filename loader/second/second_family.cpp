#include "loader/second/second_family.h"

#include <utility>

#include "base/messages.h"
#include "base/progress.h"
#include "base/user_interaction.h"
#include "catalogue/catalogue.h"
#include "loader/load_context.h"
#include "loader/program_image.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"

LoadOutcome Tk20bOutcomeOf(Tk20bResult result, bool refused, std::string stopCause,
                           std::string detail) {
  if (result >= 0) return LoadedOutcome(kMsgLoadingOk, false);
  const int messageId = Tk20bResultMessageOf(result).messageId;
  if (result == kStepUserCancel) return CancelledOutcome(std::move(stopCause), true);
  return refused ? RefusedOutcome(messageId, std::move(detail), true)
                 : FailedOutcome(messageId, std::move(detail), true);
}

LoadOutcome RunTk20bLoad(LoadContext& context, const LoadTarget& target) {
  CProgress progress(context.ui, context.language);
  progress.OpenProgress();
  std::uint32_t bitRate = kTk20bFastBitRate;
  // The receiver erases itself in the preparation: a file that cannot be sent whole, or a
  // type whose loader cannot be recognised, is refused before the receiver is woken.
  ProgramImage image;
  Tk20bResult result = Tk20bLoadImage(context, target, &image);
  std::string detail;
  if (result == kStepLoadFailed) {
    detail =
        DescribeImageFault(image.bytes, image.layout, RecordRules::kSecondFamily, context.language);
  }
  if (result >= 0 && GetWrongChecksumText(context.catalogue, context.ui, context.language).empty())
    result = kStepBadConfig;
  const bool refused = result < 0;
  if (result >= 0) result = Tk20bDetect(context, target, progress);
  if (result >= 0) result = Tk20bPrepare(context, target, progress, &bitRate);
  if (result >= 0) result = Tk20bTransfer(context, target, progress, bitRate, image);
  if (result < 0) {
    Tk20bReportResult(context, result, detail);
  } else {
    ShowMessageById(context.ui, context.language, kMsgLoadingOk, kStyleInformation);
  }
  progress.CloseProgress();
  LoadOutcome outcome = Tk20bOutcomeOf(
      result, refused, result == kStepUserCancel ? context.ui.StopCause() : "", detail);
  outcome.recordsSent = context.counts.recordsSent;
  outcome.resends = context.counts.resends;
  return outcome;
}
