#include "loader/second/second_family.h"

#include "base/messages.h"
#include "base/progress.h"
#include "loader/load_context.h"
#include "loader/program_image.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"

void RunTk20bLoad(LoadContext& context, const LoadTarget& target, const std::string& /*kindText*/) {
  CProgress progress(context.ui, context.language);
  progress.OpenProgress();
  std::uint32_t bitRate = kTk20bFastBitRate;
  // The receiver erases itself in the preparation: a file that cannot be sent whole is
  // refused before it is woken.
  ProgramImage image;
  Tk20bResult result = Tk20bLoadImage(context, target, &image);
  if (result >= 0) result = Tk20bDetect(context, target, progress);
  if (result >= 0) result = Tk20bPrepare(context, target, progress, &bitRate);
  if (result >= 0) result = Tk20bTransfer(context, target, progress, bitRate, image);
  if (result < 0) {
    Tk20bReportResult(context, result);
  } else {
    ShowMessageById(context.ui, context.language, kMsgLoadingOk, kStyleInformation);
  }
  progress.CloseProgress();
}
