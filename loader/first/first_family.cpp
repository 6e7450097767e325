#include "loader/first/first_family.h"

#include <cstdio>

#include "base/atomic_file.h"
#include "base/loader_state.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/first/almanac.h"
#include "loader/first/dump_parser.h"
#include "loader/first/first_result.h"
#include "loader/first/priority.h"
#include "loader/first/tables.h"
#include "loader/first/upload.h"
#include "loader/first/wakeup.h"
#include "loader/program_image.h"
#include "serial/serial_link.h"

namespace {

// After an unfinished load the receiver's memory no longer holds its tables: the dump that
// the earlier attempt left is all there is.
FirstStep ParseEarlierDump(CLoaderState& w) {
  UniqueFile dump = OpenFile(DumpFilePath(w), "rb");
  if (dump == nullptr) {
    ReportFirstResult(w.ui, w.language, FirstResult::kTempFileError);
    return FirstStep::kStopped;
  }
  return ParseDump(w, dump.get());
}

// The file is read and checked whole before the receiver is asked anything: a file the
// upload would give up on halfway must never cost the receiver its program and tables.
bool LoadCheckedImage(CLoaderState& w, ProgramImage* image) {
  switch (LoadProgramImage(w.FilePath(), RecordRules::kFirstFamily, w.ui, image)) {
    case ImageLoad::kReady:
      return true;
    case ImageLoad::kUnreadable:
      ReportFirstResult(w.ui, w.language, FirstResult::kTempFileError);
      return false;
    case ImageLoad::kRefused:
      ReportFirstResult(w.ui, w.language, FirstResult::kLoadingFailed);
      return false;
  }
  return false;
}

// The receiver's tables (read out, or parsed from an unfinished load's dump), the wake-up
// into the loader and the upload; kDone when the upload succeeded. The port's marker says
// unfinished from the wake-up on (EnterLoadingMode) until the upload has succeeded.
FirstStep LoadWithTables(CLoaderState& w, CProgress& progress, FirstFamilyKind kind,
                         const ProgramImage& image) {
  const bool unfinished = IsLastLoadingUnfinished(w.settings, w.portNumber);
  int marker = CheckLastLoadingMarker(w.settings, w.ui, w.language, w.portNumber);
  // A stop asked while the unfinished-load question was open (a signal, a logout) ends the
  // load here: its answer was nobody's, and a read-out would empty the dump that holds the
  // only copy of the receiver's tables.
  if (unfinished && progress.PollConfirmedCancel() == CancelAnswer::kConfirmed)
    return FirstStep::kStopped;
  const bool tablesRead = marker < 0
                              ? ParseEarlierDump(w) == FirstStep::kDone
                              : ReadReceiverTables(w, progress, kind) != TablesRead::kStopped;
  if (!tablesRead) return FirstStep::kStopped;
  if (EnterLoadingMode(w, progress, kind) == FirstStep::kStopped) return FirstStep::kStopped;
  FirstStep result = FirstStep::kStopped;
  {
    CRaisedPriority raised;
    result = UploadProgram(w, progress, image);
  }
  SetLastLoadingMarker(w.settings, w.portNumber, result == FirstStep::kDone ? 1 : -1);
  return result;
}

}  // namespace

void RunFirstFamilyLoad(CLoaderState& w, const std::string& familyTag) {
  std::optional<FirstFamilyKind> kind = FirstFamilyKindOf(familyTag);
  if (!kind) return;
  BuildBlockMap(w);
  ClearTableFlags(w);
  CProgress progress(w.ui, w.language);
  progress.OpenProgress();
  ProgramImage image;
  FirstStep result =
      LoadCheckedImage(w, &image) ? LoadWithTables(w, progress, *kind, image) : FirstStep::kStopped;
  w.port.ClosePort();
  if (result == FirstStep::kDone) ReportFirstResult(w.ui, w.language, FirstResult::kLoaded);
  progress.CloseProgress();
}
