#include "loader/second/second_family.h"

#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "loader/first/program_image.h"
#include "loader/second/tk_steps.h"
#include "loader/second/tk_timing.h"

void RunTkLoad(CLoaderState& w, const std::string& /*kindText*/) {
  CProgress progress(w.ui, w.language);
  progress.OpenProgress();
  std::uint32_t bitRate = kTkFastBitRate;
  // The receiver erases itself in the preparation: a file that cannot be sent whole is
  // refused before it is woken.
  ProgramImage image;
  LoadStepResult result = TkLoadImage(w, &image);
  if (result >= 0) result = TkDetect(w, progress);
  if (result >= 0) result = TkPrepare(w, progress, &bitRate);
  if (result >= 0) result = TkTransfer(w, progress, bitRate, image);
  if (result < 0) {
    TkReportResult(w, result);
  } else {
    ShowMessageById(w.ui, w.language, kMsgLoadingOk, kStyleInformation);
  }
  progress.CloseProgress();
}
