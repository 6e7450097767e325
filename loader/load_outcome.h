// How a load ended, as a value: what the front ends show at its end and what the command
// line's exit status comes from. Both families' loads return it.
#pragma once

#include <cstdint>
#include <string>

#include "base/messages.h"

enum class LoadEnd : std::int8_t {
  kLoaded,     // the receiver took the whole program (and its tables back, where it keeps any)
  kRefused,    // a fault known before the start: nothing reached the receiver
  kFailed,     // the load went wrong on the way
  kCancelled,  // the user confirmed a cancel, or a stop was requested
};

struct LoadOutcome {
  LoadEnd end = LoadEnd::kFailed;
  // The message of the table that tells it (French block), 0 when none of them does.
  int messageId = 0;
  // Our own words: why, where no message of the table says it, or what the message leaves
  // out (which record of the file is wrong). In the load's language.
  std::string detail;
  // A box (or the serial layer's own message) has told it already.
  bool told = false;
  // kCancelled by a stop request: what asked for it ("signal: Terminated"); empty when it
  // was the cancel button.
  std::string stopCause;
  // kLoaded: someone chose to go on without the receiver's tables (115 answered No).
  bool tablesLeftOut = false;
  // Data records of the file sent (each once) and sent again.
  int recordsSent = 0;
  int resends = 0;

  bool Loaded() const { return end == LoadEnd::kLoaded; }
};

LoadOutcome LoadedOutcome(int messageId, bool tablesLeftOut);
LoadOutcome RefusedOutcome(int messageId, std::string detail, bool told);
LoadOutcome FailedOutcome(int messageId, std::string detail, bool told);
LoadOutcome CancelledOutcome(std::string stopCause, bool told);

// "loaded", "refused", "failed", "cancelled".
const char* LoadEndName(LoadEnd end);

// What to show for an outcome no box has told: its detail, else its message's text; empty
// for a cancel, which the window does not show.
std::string UntoldOutcomeText(const LoadOutcome& outcome, Language language);
