// A load's line of the journal (app/load_journal.h), taken from the window's state: what is
// known before the load goes out, then how it ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "app/load_journal.h"

class CLoaderState;
class Clock;

// When a load started: on the wall clock for the line's times, on the process clock for
// its duration.
struct LoadStartTime {
  std::chrono::system_clock::time_point wall;
  std::int64_t processMs = 0;
};
LoadStartTime NoteLoadStart(Clock& clock);

// The start, the program, the port with its device and adapter, the receiver type and its
// family, and (once the start button fixed it: `fileFixed`) the language version and the
// file with its size, SHA-256 and header version text. Reads the file once more and the
// catalogue quietly; shows nothing and changes nothing.
JournalEntry JournalEntryBeforeLoad(CLoaderState& w, const LoadStartTime& start,
                                    const std::string& program, bool fileFixed);

// The end, the duration and the outcome.
void CompleteJournalEntry(JournalEntry& entry, const LoadStartTime& start, Clock& clock,
                          const LoadOutcome& outcome, Language language);

// The file facts of a line: size, SHA-256 (up to kMaxProgramFileSize; beyond it none) and
// the header record's version text. Nothing when the file cannot be read.
void AddFileFacts(JournalEntry& entry, const std::string& path);
