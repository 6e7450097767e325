// Second-family test support: program files, and a receiver scripted on a FakeLink with a
// main window around it on one virtual clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "loader/load_context.h"
#include "loader/second/second_family.h"
#include "tests/support/fake_link.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

struct Tk20bProgramFile {
  std::string header;
  std::vector<std::string> records;  // data records, then the end record
  std::string Bytes() const { return header + Data(records.size()) + records.back(); }
  std::string Data(std::size_t n) const;  // the first n data records
};

// A header of form 'A' (0x8B) or 'B' (0x8A, two bytes more than it counts), then records
// numbered from 1 of 2 * count + 10 bytes through every byte value, checked by their last
// byte, then an end record.
Tk20bProgramFile MakeTk20bProgram(char form, int dataRecords, std::uint8_t count);

// A catalogue in `dir` with the TK20B type (wrong-checksum text `wrg`), selected in `w`.
void SelectTk20b(CLoaderState& w, const TempDir& dir, const std::string& wrg,
                 const std::string& fileName);

// Answers the second wake sentence with its wrong-checksum text every 100 ms from
// `wakeAnswerMs`, the preparation sentence with "PRG", "DXF", "PXF" at their delays.
// Negative: never.
struct Tk20bScriptedReceiver : FakeLink {
  explicit Tk20bScriptedReceiver(CVirtualClock& clock);
  int wakeAnswerMs = 30, acceptMs = 20, dataErasedMs = -1, programErasedMs = 400;
  std::string pending;
};

struct Tk20bHarness {
  TempDir dir;
  CVirtualClock clock{1000};
  Tk20bScriptedReceiver link{clock};
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  CLoaderState w{ui, clock, settings, link};
  CProgress progress{ui, w.language};
  Tk20bHarness() {
    SelectTk20b(w, dir, "TK20B BAD CHECKSUM", "TK20B.fra");
    progress.OpenProgress();
  }
  // The load's context and target as the start button takes them from the window now.
  LoadContext Context() { return LoadContextOf(w, Family::kTk20b); }
  LoadTarget Target() const { return LoadTargetOf(w); }
};

// The second family's load as the start button runs it from the window's state.
inline void RunTk20bLoadFrom(CLoaderState& w) {
  LoadContext context = LoadContextOf(w, Family::kTk20b);
  RunTk20bLoad(context, LoadTargetOf(w));
}
