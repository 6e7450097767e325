#include "app/journal_entry.h"

#include <vector>

#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/atomic_file.h"
#include "base/clock.h"
#include "base/display_text.h"
#include "base/header_record.h"
#include "base/sha256.h"
#include "base/silent_user_interaction.h"
#include "catalogue/catalogue.h"
#include "loader/program_image.h"

namespace {

// Names and version texts are bytes (Windows-1252 in older catalogues); a NUL ends them,
// as in the window.
std::string TextOf(std::string_view bytes) {
  return DisplayTextFromBytes(bytes.substr(0, bytes.find('\0')));
}

}  // namespace

LoadStartTime NoteLoadStart(Clock& clock) {
  return LoadStartTime{std::chrono::system_clock::now(), clock.NowMs()};
}

void AddFileFacts(JournalEntry& entry, const std::string& path) {
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr || IsFolder(file.get())) return;
  // A file beyond the largest program is counted but not kept: the load refuses it anyway.
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
  std::uint8_t buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    size += n;
    if (size <= kMaxProgramFileSize) bytes.insert(bytes.end(), buffer, buffer + n);
  }
  if (std::ferror(file.get()) != 0) return;
  entry.fileSize = size;
  if (size == bytes.size()) entry.sha256 = Sha256Hex(bytes);
  const HeaderRecord header = TakeHeaderRecord(bytes);
  if (header.counted > 2) {
    entry.headerVersion = TextOf(std::string_view(reinterpret_cast<const char*>(header.Text()),
                                                  static_cast<std::size_t>(header.counted - 2)));
  }
}

JournalEntry JournalEntryBeforeLoad(CLoaderState& w, const LoadStartTime& start,
                                    const std::string& program, bool fileFixed) {
  JournalEntry entry;
  entry.start = UtcIsoTime(start.wall);
  entry.program = program;
  entry.programVersion = KZN_VERSION;
  entry.port = w.portNumber;
  if (w.resolveDevice) entry.device = w.resolveDevice(w.portNumber);
  if (w.describeAdapter && !entry.device.empty()) entry.adapter = w.describeAdapter(entry.device);
  if (entry.adapter.empty()) entry.adapter = entry.device;
  if (w.receiverTypes.HasSelection()) {
    entry.receiverType = TextOf(w.receiverTypes.SelectedText());
    // Quietly: a catalogue that cannot be read has been told by the load, or will be.
    CSilentUserInteraction quiet;
    entry.family = TextOf(GetFamilyTag(CatalogueChoiceOf(w), quiet, w.language));
  }
  // Before the start button fixed it, the file names the previous load's file.
  if (!fileFixed) return entry;
  if (!w.IsExpertMode() && w.languageVersions.HasSelection())
    entry.languageVersion = TextOf(w.languageVersions.SelectedText());
  entry.file = DisplayTextFromBytes(w.FilePath());
  AddFileFacts(entry, w.FilePath());
  return entry;
}

void CompleteJournalEntry(JournalEntry& entry, const LoadStartTime& start, Clock& clock,
                          const LoadOutcome& outcome, Language language) {
  entry.end = UtcIsoTime(std::chrono::system_clock::now());
  entry.durationMs = clock.NowMs() - start.processMs;
  entry.outcome = outcome.end;
  entry.messageId = outcome.messageId;
  entry.message = outcome.messageId != 0 ? LoadMessageText(outcome.messageId, language) : "";
  entry.detail = outcome.detail;
  entry.stopCause = outcome.stopCause;
  entry.tablesLeftOut = outcome.tablesLeftOut;
  entry.recordsSent = outcome.recordsSent;
  entry.resends = outcome.resends;
}
