// A main window for second-family step tests: a catalogue with one TK20B type selected,
// a program file in a temporary folder, the scripted receiver and a recording interface,
// all on one virtual clock.
#pragma once

#include <string>

#include "app/loader_state.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/settings_store.h"
#include "tests/second/tk_program_file.h"
#include "tests/second/tk_scripted_receiver.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

struct TkHarness {
  TempDir dir;
  VirtualClock clock{1000};
  TkScriptedReceiver link{clock};
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  CLoaderState w{ui, clock, settings, link};
  CProgress progress{ui};

  explicit TkHarness(const std::string& wrongChecksumText = "TK20B BAD CHECKSUM");
  void WriteProgram(const TkProgramFile& program) const;
  // The records the receiver completed, as one list of texts.
  const std::vector<std::string>& Received() const { return link.records; }
};

// Sets the running language for one test and puts French back afterwards.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(std::int16_t offset) { LanguageOffset = offset; }
  ~ScopedLanguage() { LanguageOffset = kFrenchOffset; }
};
