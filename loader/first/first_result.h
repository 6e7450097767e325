// The outcomes of the first family's load and the one table of boxes that tell them.
#pragma once

#include <cstdint>
#include <string>

#include "base/messages.h"

class SerialLink;
class UserInteraction;
struct FirstLoad;

enum class FirstResult : std::int8_t {
  kLoaded,              // the receiver took the whole program
  kTempFileError,       // the dump, the almanac backup or the file to send failed us
  kBadDataOnInput,      // the receiver sent nothing that makes sense
  kDopplerReadError,    // the dump holds no table records at all
  kCheckConnection,     // the receiver sent nothing
  kLoadingFailed,       // a record, the loader's "1" or the end record's verdict failed
  kBadChecksum,         // the loader refused the program's sum
  kBadSoftwareVersion,  // the loader refused the program for this receiver
  kBadConfigFile,       // the catalogue no longer calls the type "VR" or "TK"
  kPortOpenError,       // cancelled while waiting for the receiver's text
  kFlashWriteError,     // the loader could not write its flash
  kPortNotReady,        // the port opened but refused the family's line settings
};

// How a step of the load ended: done, so the next may follow, or stopped, the load ending
// here (its failure already told, or a cancel the user confirmed).
enum class FirstStep : std::int8_t { kDone, kStopped };

struct FirstResultMessage {
  int messageId;  // French block
  int style;
};

// The box that tells `result`.
FirstResultMessage FirstResultMessageOf(FirstResult result);
// Shows the box of `result` in `language`: every outcome box of the first family comes
// from here.
void ReportFirstResult(UserInteraction& ui, Language language, FirstResult result);
// The same for a running load, which also takes it as its outcome unless a step has noted
// one before (a verdict's own message comes before the 119 that follows it).
void ReportFirstResult(FirstLoad& load, FirstResult result, const std::string& detail = {});
// A cancel the user confirmed, or a stop request: the load's outcome, nothing shown.
void NoteFirstCancel(FirstLoad& load);
// After an OpenPort that failed: tells kPortNotReady unless the serial layer has told why,
// so that no load ends without a word to the user.
void ReportUntoldOpenFailure(FirstLoad& load);
