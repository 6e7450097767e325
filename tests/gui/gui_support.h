// Support for the window tests: one offscreen QApplication per test program, a
// QtUserInteraction whose boxes are recorded instead of waiting for a user, and the window
// state over a sample catalogue, a settings store of its own and a scripted receiver.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/qt/qt_user_interaction.h"
#include "app/settings_store.h"
#include "tests/support/fake_link.h"
#include "tests/support/temp_dir.h"

// Creates the application on the offscreen platform the first time it is called.
void EnsureApplication();

class ScriptedQtUi : public QtUserInteraction {
 public:
  struct Shown {
    int textNumber;  // -1: the file read error
    int style;
    std::string text;
    std::string caption;
    bool progressOpen;     // a progress window was open when the box came
    bool ownerWasEnabled;  // the main window's state at that moment
  };

  // Records the box; a question is answered No.
  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowSerialMessage(const std::string& text) override;
  void ShowFileReadError() override { ShowMessageBox({-1, "", "", kStyleStop}); }

  // Message numbers shown, reduced to the French block (101 to 146).
  std::vector<int> MessageIds() const;

  std::vector<Shown> messages;
  std::vector<std::string> serialMessages;
  QWidget* owner = nullptr;  // to note its enabled state when a box comes

 private:
  std::mutex serialMutex_;  // serial boxes may come from the port's reader thread
};

// "VR540" (first family, French label written on Windows in 1252), "TK20B" (second
// family), "Odd" (tag "tk"), "Blank" (tag "VR " with a trailing blank), and "Ghost", whose
// only language file is missing.
void WriteSampleCatalogue(const TempDir& folder);

template <class Ui>
struct WindowFixture {
  TempDir catalogue;
  TempDir config;
  VirtualClock clock;
  FakeLink link{clock};
  Ui ui;
  CSettingsStore settings{config.File("kznload.INI")};
  CLoaderState w{ui, clock, settings, link};

  WindowFixture() {
    LanguageOffset = kFrenchOffset;
    WriteSampleCatalogue(catalogue);
  }
  int StoredInt(const char* section, const char* key) {
    return settings.GetInt(section, key, -999);
  }
};
