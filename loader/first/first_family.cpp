#include "loader/first/first_family.h"

#include <cstdio>

#include "base/atomic_file.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"
#include "loader/first/almanac.h"
#include "loader/first/dump_parser.h"
#include "loader/first/first_load.h"
#include "loader/first/first_result.h"
#include "loader/first/last_loading.h"
#include "loader/first/priority.h"
#include "loader/first/tables.h"
#include "loader/first/upload.h"
#include "loader/first/wakeup.h"
#include "loader/program_image.h"
#include "loader/wrong_checksum_wait.h"
#include "serial/serial_link.h"

namespace {

std::string Text(Language language, const std::string& french, const std::string& english) {
  return language == Language::kFrench ? french : english;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void Refuse(FirstLoad& load, int messageId, std::string detail, bool told) {
  if (!load.outcome) load.outcome = RefusedOutcome(messageId, std::move(detail), told);
}

// The selected type, as its tables are known by in the settings.
std::string SelectedType(const FirstLoad& load) {
  return load.context.catalogue.selectedType.value_or("");
}

// After an unfinished load the receiver's memory no longer holds its tables: the dump that
// the earlier attempt left is all there is, and it goes back only into a receiver of the
// type it was read from.
FirstStep ParseEarlierDump(FirstLoad& load) {
  const std::optional<std::string> dumpType =
      DumpReceiverType(load.context.settings, load.target.portNumber);
  if (dumpType && Trimmed(*dumpType) != Trimmed(SelectedType(load))) {
    const std::string port = "COM" + std::to_string(load.target.portNumber);
    const std::string file = "~tmp" + std::to_string(load.target.portNumber) + ".tmp";
    Refuse(
        load, 0,
        Text(load.context.language,
             "Les tables sauvegardées du " + port + " (" + file + ") ont été lues dans un " +
                 *dumpType + ", pas dans un " + SelectedType(load) + ". Choisissez " + *dumpType +
                 " pour les rendre à ce récepteur, ou répondez Non pour lire celui-ci. Rien "
                 "n'a été envoyé au récepteur.",
             "The saved tables of " + port + " (" + file + ") were read from a " + *dumpType +
                 ", not from a " + SelectedType(load) + ". Select " + *dumpType +
                 " to restore them into that receiver, or answer No to read this one. "
                 "Nothing was sent to the receiver."),
        false);
    return FirstStep::kStopped;
  }
  UniqueFile dump = OpenFile(DumpFilePath(load), "rb");
  if (dump == nullptr) {
    ReportFirstResult(load, FirstResult::kTempFileError);
    return FirstStep::kStopped;
  }
  return ParseDump(load, dump.get());
}

// The file is read and checked whole before the receiver is asked anything: a file the
// upload would give up on halfway must never cost the receiver its program and tables.
bool LoadCheckedImage(FirstLoad& load, ProgramImage* image) {
  if (load.target.checkedImage) {
    *image = *load.target.checkedImage;
    return true;
  }
  switch (
      LoadProgramImage(load.target.filePath, RecordRules::kFirstFamily, load.context.ui, image)) {
    case ImageLoad::kReady:
      return true;
    case ImageLoad::kUnreadable:
      ReportFirstResult(load, FirstResult::kTempFileError);
      break;
    case ImageLoad::kRefused:
      ReportFirstResult(load, FirstResult::kLoadingFailed,
                        DescribeImageFault(image->bytes, image->layout, RecordRules::kFirstFamily,
                                           load.context.language));
      break;
  }
  load.outcome->end = LoadEnd::kRefused;
  return false;
}

// The port's marker must be able to say "unfinished" before the receiver is changed, or a
// crash halfway would leave no trace for the next run: the store is written once (with the
// value it holds) before anything is sent.
bool CheckSettingsTakeTheMarker(FirstLoad& load) {
  CSettingsStore& settings = load.context.settings;
  const int marker = IsLastLoadingUnfinished(settings, load.target.portNumber) ? -1 : 1;
  if (SetLastLoadingMarker(settings, load.target.portNumber, marker)) return true;
  Refuse(load, 0, MarkerWriteFailureText(settings, load.context.language), false);
  return false;
}

// Everything that can be known before the start, checked before any byte reaches the
// receiver.
bool CheckBeforeTheStart(FirstLoad& load, Family kind, ProgramImage* image) {
  FillBlockMap(load.blockMap, kind);
  if (!LoadCheckedImage(load, image)) return false;
  if (!CheckWrongChecksumText(load.context)) {
    Refuse(load, kMsgBadConfigFile, {}, true);
    return false;
  }
  return CheckSettingsTakeTheMarker(load);
}

// The receiver's tables (read out, or parsed from an unfinished load's dump), the wake-up
// into the loader and the upload; kDone when the upload succeeded. The port's marker says
// unfinished from the wake-up on (EnterLoadingMode) until the upload has succeeded.
FirstStep LoadWithTables(FirstLoad& load, CProgress& progress, Family kind,
                         const ProgramImage& image) {
  const bool unfinished = IsLastLoadingUnfinished(load.context.settings, load.target.portNumber);
  const int marker = CheckLastLoadingMarker(load.context.settings, load.context.ui,
                                            load.context.language, load.target.portNumber);
  // Nobody could say whether this is the receiver of the unfinished load: each answer could
  // lose a receiver's tables, so nothing is sent and the dump and the marker stay.
  if (marker == 0 ||
      (unfinished && progress.CheckCancel(CancelRule::kStopOnly) == CancelAnswer::kConfirmed)) {
    if (progress.CheckCancel(CancelRule::kStopOnly) == CancelAnswer::kConfirmed) {
      NoteFirstCancel(load);
    } else {
      Refuse(load, kMsgLastLoadingUnfinished, {}, true);
    }
    return FirstStep::kStopped;
  }
  FirstStep tables = FirstStep::kDone;
  if (marker < 0) {
    tables = ParseEarlierDump(load);
  } else {
    // Another receiver than the unfinished load's: its dump is replaced only by a complete
    // read-out of this one.
    const DumpWrite write = unfinished ? DumpWrite::kReplaceWhenComplete : DumpWrite::kEmptyFirst;
    tables = ReadReceiverTables(load, progress, kind, write) == TablesRead::kStopped
                 ? FirstStep::kStopped
                 : FirstStep::kDone;
  }
  if (tables == FirstStep::kStopped) return FirstStep::kStopped;
  // A stop asked while the tables were obtained: the wake-up never goes out.
  if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed) {
    NoteFirstCancel(load);
    return FirstStep::kStopped;
  }
  if (EnterLoadingMode(load, progress, kind) == FirstStep::kStopped) return FirstStep::kStopped;
  FirstStep result = FirstStep::kStopped;
  {
    CRaisedPriority raised;
    result = UploadProgram(load, progress, image);
  }
  // The marker is already -1: a failure to set it to 1 costs a question at the next load.
  SetLastLoadingMarker(load.context.settings, load.target.portNumber,
                       result == FirstStep::kDone ? 1 : -1);
  return result;
}

}  // namespace

std::string MarkerWriteFailureText(const CSettingsStore& settings, Language language) {
  const std::string reason =
      settings.LastWriteError().empty() ? std::string("?") : settings.LastWriteError();
  return Text(language,
              "Le fichier de réglages " + settings.Path() + " ne peut pas être écrit (" + reason +
                  ") : un chargement interrompu ne pourrait pas y être noté. Le récepteur n'a "
                  "pas été modifié.",
              "The settings file " + settings.Path() + " cannot be written (" + reason +
                  "): a load that stopped halfway could not be noted there. The receiver has "
                  "not been changed.");
}

LoadOutcome RunFirstFamilyLoad(LoadContext& context, const LoadTarget& target, TableStore& tables) {
  const Family kind = context.family;
  if (kind != Family::kVr && kind != Family::kTk) {
    ShowMessageById(context.ui, context.language, kMsgBadConfigFile, kStyleExclamation);
    return RefusedOutcome(kMsgBadConfigFile, {}, true);
  }
  FirstLoad load{context, target, tables, {}, std::nullopt, false};
  ClearTableFlags(load.tables);
  CProgress progress(load.context.ui, load.context.language);
  progress.OpenProgress();
  ProgramImage image;
  FirstStep result = CheckBeforeTheStart(load, kind, &image)
                         ? LoadWithTables(load, progress, kind, image)
                         : FirstStep::kStopped;
  load.context.port.ClosePort();
  if (result == FirstStep::kDone) {
    ReportFirstResult(context.ui, context.language, FirstResult::kLoaded);
    load.outcome = LoadedOutcome(kMsgLoadingOk, load.tablesLeftOut);
  }
  progress.CloseProgress();
  // Every step notes how it stopped; a stop that no step noted is no success either.
  if (!load.outcome) load.outcome = FailedOutcome(0, {}, false);
  load.outcome->recordsSent = context.counts.recordsSent;
  load.outcome->resends = context.counts.resends;
  return *load.outcome;
}
