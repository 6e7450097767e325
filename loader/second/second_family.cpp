#include "loader/second/second_family.h"

#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "loader/program_image.h"
#include "loader/second/tk20b_steps.h"
#include "loader/second/tk20b_timing.h"

void RunTk20bLoad(CLoaderState& w, const std::string& /*kindText*/) {
  CProgress progress(w.ui, 0);
  progress.OpenProgress();
  std::uint32_t bitRate = kTk20bFastBitRate;
  // The receiver erases itself in the preparation: a file that cannot be sent whole is
  // refused before it is woken.
  ProgramImage image;
  Tk20bResult result = Tk20bLoadImage(w, &image);
  if (result >= 0) result = Tk20bDetect(w, progress);
  if (result >= 0) result = Tk20bPrepare(w, progress, &bitRate);
  if (result >= 0) result = Tk20bTransfer(w, progress, bitRate, image);
  if (result < 0) {
    Tk20bReportResult(w, result);
  } else {
    ShowMessageById(w.ui, kMsgLoadingOk + LanguageOffset, kStyleInformation);
  }
  progress.CloseProgress();
}
