// The journal of loads: every load, from the window or the command line, appends one JSON
// line to journal.jsonl in the user's state folder (DefaultJournalPath, base/places.h), so
// that a workshop can tell what went into which receiver, when, and how it ended. The
// journal never fails or changes a load: one that cannot be written is told once per
// process, and the loads go on.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "loader/load_outcome.h"

class UserInteraction;

// One load as its line holds it. Texts are UTF-8 (names and version texts read from files
// are decoded as the window shows them).
struct JournalEntry {
  std::string start;            // UTC, ISO 8601 with milliseconds: "2025-03-01T10:00:00.123Z"
  std::string end;              // when the load returned, its last box closed
  std::int64_t durationMs = 0;  // on the process's steady clock
  std::string program;          // "kznload", "kznload-cli"
  std::string programVersion;   // "1.12"
  int port = 0;                 // COMn
  std::string device;           // what COMn led to; empty when it led nowhere
  std::string adapter;          // what the system knows of it (USB vendor, product, serial),
                                // else the device
  std::string receiverType;     // as the list shows it
  std::string family;           // its family tag: "VR", "TK", "TK20B"
  std::optional<std::string> languageVersion;  // its label; none in expert mode
  std::string file;                            // the file to send, full path
  std::optional<std::uint64_t> fileSize;       // none when it could not be read
  std::string sha256;                          // 64 hex digits; empty when unknown
  std::optional<std::string> headerVersion;    // the header record's version text
  LoadEnd outcome = LoadEnd::kFailed;
  int messageId = 0;    // the message that told it (French block); 0 when none did
  std::string message;  // that message's text, in the load's language
  std::string detail;   // LoadOutcome::detail
  std::string stopCause;
  bool tablesLeftOut = false;
  int recordsSent = 0;
  int resends = 0;

  bool operator==(const JournalEntry&) const = default;
};

// The entry's line: one JSON object without line end, its members in the order above
// ("start", "end", "durationMs", "program", "programVersion", "port", "device", "adapter",
// "receiverType", "family", "languageVersion", "file", "fileSize", "sha256",
// "headerVersion", "outcome", "messageId", "message", "detail", "stopCause",
// "tablesLeftOut", "recordsSent", "resends"); what is unknown is null.
std::string FormatJournalLine(const JournalEntry& entry);

// A line of the journal, which is outside input: anything may stand in it. None, with the
// reason in *why, when it is no line the program wrote: not a JSON object, "start", "port"
// or "outcome" missing or malformed, or a member of the wrong type. Members it does not
// know are ignored, so that a later version's lines still read.
std::optional<JournalEntry> ParseJournalLine(std::string_view line, std::string* why);

// Lines longer than this are no line of ours (a line of ours is well under 4 kB).
inline constexpr std::size_t kMaxJournalLineSize = 64 * 1024;

struct JournalLine {
  std::size_t number = 0;  // counted from 1
  std::string text;        // as in the file, without its line end
  std::optional<JournalEntry> entry;
  std::string problem;  // why there is no entry
};

// Every line of the journal's content; a blank line is skipped, a last line without line
// end is read like the others.
std::vector<JournalLine> ReadJournalLines(std::string_view content);

// "2025-03-01T10:00:00.123Z".
std::string UtcIsoTime(std::chrono::system_clock::time_point time);
// Whether `text` has that form (a calendar date, 24-hour time, milliseconds optional).
bool IsUtcIsoTime(std::string_view text);

// The journal one program writes to. One per process, shared by all its loads (and threads):
// it tells the first failure to write and keeps quiet about the next ones.
class CLoadJournal {
 public:
  using TraceSink = std::function<void(const std::string& line)>;

  // `program` names the writer in each line; `trace` takes the one line a failure writes to
  // standard error (by default standard error itself).
  CLoadJournal(std::string path, std::string program, TraceSink trace = {});

  const std::string& Path() const { return path_; }
  const std::string& Program() const { return program_; }

  // The windows show a failure in a box as well.
  void TellFailuresInBox(bool inBox) { inBox_ = inBox; }

  // Appends the entry's line under the journal's lock file (journal.jsonl.lock), making the
  // folder when it is missing. A failure is told the first time: a line through the trace
  // sink and, in a window, a box through `ui` (not while a stop is asked, which ends the
  // window). False when the line could not be written.
  bool Record(const JournalEntry& entry, UserInteraction& ui, Language language);

  // The journal's content, read under the lock shared with other readers; empty when there
  // is no journal yet. None, with the system's words in *why, when it cannot be read.
  static std::optional<std::string> ReadContent(const std::string& path, std::string* why);

 private:
  bool Append(const std::string& line, std::string* why);

  std::string path_;
  std::string program_;
  TraceSink trace_;
  bool inBox_ = false;
  std::atomic<bool> failureTold_{false};
};

// The box's text when the journal cannot be written, in `language`.
std::string JournalFailureText(const std::string& reason, Language language);
