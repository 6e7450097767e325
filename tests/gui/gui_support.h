// Support for the window tests: one offscreen QApplication per test program, and a
// QtUserInteraction whose boxes are answered from a script instead of waiting for a user.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/qt/qt_user_interaction.h"

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
