// Support for the window tests: one offscreen QApplication per test program, and a
// QtUserInteraction whose boxes are answered from a script instead of waiting for a user.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "app/qt/qt_user_interaction.h"

// Creates the application on the offscreen platform the first time it is called.
void EnsureApplication();

class ScriptedQtUi : public QtUserInteraction {
 public:
  struct Shown {
    int textNumber;
    int style;
    std::string text;
    std::string caption;
    bool progressOpen;     // a progress window was open when the box came
    bool ownerWasEnabled;  // the main window's state at that moment
  };

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowSerialMessage(const std::string& text) override;
  void ShowFileReadError() override;

  // Message numbers shown, reduced to the French block (101 to 146).
  std::vector<int> MessageIds() const;

  std::deque<int> answers;  // for questions, in order; none left answers No
  std::vector<Shown> messages;
  std::vector<std::string> serialMessages;
  int fileReadErrors = 0;
  QWidget* owner = nullptr;  // to note its enabled state when a box comes

 private:
  std::mutex serialMutex_;  // serial boxes may come from the port's reader thread
};
