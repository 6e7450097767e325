// Second-family test support: program files built record by record, a receiver scripted
// on a FakeLink, and a main window around them, all on one virtual clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/settings_store.h"
#include "tests/support/fake_link.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

struct TkProgramFile {
  std::string header;
  std::vector<std::string> records;  // data records, then the end record
  std::string Bytes() const;
  std::string Data(std::size_t n) const;  // the first n data records
};

// 0x8B, number, count, then 2 * count + 7 bytes running through every byte value (markers,
// CR, LF and zero included), the last the 8-bit sum of all but the first.
std::string TkDataRecord(std::uint8_t number, std::uint8_t count);
// A header of form 'A' (0x8B, n, n + 6 bytes) or 'B' (0x8A, m, m bytes, two more the reader
// drops), data records numbered from 1, and an end record.
TkProgramFile MakeTkProgram(char form, int dataRecords, std::uint8_t count);

// Answers the second wake sentence with its wrong-checksum text, the preparation sentence
// with "PRG" and the erase words, and each record as `replyFor` says.
class TkScriptedReceiver : public FakeLink {
 public:
  explicit TkScriptedReceiver(VirtualClock& clock);
  int SetBaudRate(std::uint32_t bitRate) override;

  // The text every 100 ms from this long after the second wake sentence; < 0: never.
  int wakeAnswerMs = 30;
  std::string wrongChecksumText;
  // "PRG", "DXF" and "PXF" this long after the preparation sentence; < 0: never.
  int acceptMs = 20;
  int dataErasedMs = -1;
  int programErasedMs = 400;
  // The answer to a record at its attempt (1 for the first sending); empty is silence.
  std::function<std::string(const std::string& record, int attempt)> replyFor = DefaultReply;

  std::string preparationSentence;
  std::vector<std::string> records;  // every record completed, resends included
  std::vector<std::int64_t> recordTimesMs;
  std::vector<LineSettings> rateChanges;  // the line after each SetBaudRate

  static std::string DefaultReply(const std::string& record, int attempt = 1);

 private:
  void Receive(const std::vector<std::uint8_t>& bytes);
  std::string pending_;
  std::vector<int> attempts_ = std::vector<int>(256, 0);
};

// The TK20B type (wrong-checksum text `wrg`) in a catalogue in `dir`, selected in `w`, with
// `fileName` in `dir` to load.
void SelectTk20b(CLoaderState& w, const TempDir& dir, const std::string& wrg,
                 const std::string& fileName);

struct TkHarness {
  TempDir dir;
  VirtualClock clock{1000};
  TkScriptedReceiver link{clock};
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  CLoaderState w{ui, clock, settings, link};
  CProgress progress{ui};

  explicit TkHarness(const std::string& wrg = "TK20B BAD CHECKSUM") {
    SelectTk20b(w, dir, wrg, "TK20B.fra");
    link.wrongChecksumText = wrg;
    progress.OpenProgress();
  }
  void Write(const TkProgramFile& program) const { dir.Write(w.fileName, program.Bytes()); }
};

// Sets the running language for one test and puts French back afterwards.
struct ScopedLanguage {
  explicit ScopedLanguage(std::int16_t offset) { LanguageOffset = offset; }
  ~ScopedLanguage() { LanguageOffset = kFrenchOffset; }
};
