#include "loader/first/first_family.h"

#include <cstdio>

#include "base/atomic_file.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/first/almanac.h"
#include "loader/first/dump_parser.h"
#include "loader/first/first_load.h"
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
FirstStep ParseEarlierDump(FirstLoad& load) {
  UniqueFile dump = OpenFile(DumpFilePath(load), "rb");
  if (dump == nullptr) {
    ReportFirstResult(load.context.ui, load.context.language, FirstResult::kTempFileError);
    return FirstStep::kStopped;
  }
  return ParseDump(load, dump.get());
}

// The file is read and checked whole before the receiver is asked anything: a file the
// upload would give up on halfway must never cost the receiver its program and tables.
bool LoadCheckedImage(FirstLoad& load, ProgramImage* image) {
  switch (
      LoadProgramImage(load.target.filePath, RecordRules::kFirstFamily, load.context.ui, image)) {
    case ImageLoad::kReady:
      return true;
    case ImageLoad::kUnreadable:
      ReportFirstResult(load.context.ui, load.context.language, FirstResult::kTempFileError);
      return false;
    case ImageLoad::kRefused:
      ReportFirstResult(load.context.ui, load.context.language, FirstResult::kLoadingFailed);
      return false;
  }
  return false;
}

// The receiver's tables (read out, or parsed from an unfinished load's dump), the wake-up
// into the loader and the upload; kDone when the upload succeeded. The port's marker says
// unfinished from the wake-up on (EnterLoadingMode) until the upload has succeeded.
FirstStep LoadWithTables(FirstLoad& load, CProgress& progress, FirstFamilyKind kind,
                         const ProgramImage& image) {
  const bool unfinished = IsLastLoadingUnfinished(load.context.settings, load.target.portNumber);
  int marker = CheckLastLoadingMarker(load.context.settings, load.context.ui, load.context.language,
                                      load.target.portNumber);
  // A stop asked while the unfinished-load question was open (a signal, a logout) ends the
  // load here: its answer was nobody's, and a read-out would empty the dump that holds the
  // only copy of the receiver's tables.
  if (unfinished && progress.PollConfirmedCancel() == CancelAnswer::kConfirmed)
    return FirstStep::kStopped;
  const bool tablesRead = marker < 0
                              ? ParseEarlierDump(load) == FirstStep::kDone
                              : ReadReceiverTables(load, progress, kind) != TablesRead::kStopped;
  if (!tablesRead) return FirstStep::kStopped;
  if (EnterLoadingMode(load, progress, kind) == FirstStep::kStopped) return FirstStep::kStopped;
  FirstStep result = FirstStep::kStopped;
  {
    CRaisedPriority raised;
    result = UploadProgram(load, progress, image);
  }
  SetLastLoadingMarker(load.context.settings, load.target.portNumber,
                       result == FirstStep::kDone ? 1 : -1);
  return result;
}

}  // namespace

void RunFirstFamilyLoad(LoadContext& context, const LoadTarget& target, TableStore& tables,
                        const std::string& familyTag) {
  std::optional<FirstFamilyKind> kind = FirstFamilyKindOf(familyTag);
  if (!kind) return;
  FirstLoad load{context, target, tables};
  BuildBlockMap(load);
  ClearTableFlags(load.tables);
  CProgress progress(load.context.ui, load.context.language);
  progress.OpenProgress();
  ProgramImage image;
  FirstStep result = LoadCheckedImage(load, &image) ? LoadWithTables(load, progress, *kind, image)
                                                    : FirstStep::kStopped;
  load.context.port.ClosePort();
  if (result == FirstStep::kDone)
    ReportFirstResult(load.context.ui, load.context.language, FirstResult::kLoaded);
  progress.CloseProgress();
}
