// What every window test needs: the application, offscreen, and a user interface whose boxes
// are recorded instead of shown.
#pragma once

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/qt/progress_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "base/messages.h"

// The application, once, offscreen (never on the desktop); never destroyed (Qt's globals).
inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "kzn_gui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Boxes are recorded instead of waiting for a user; a question is answered No.
class ScriptedQtUi : public CQtUserInteraction {
 public:
  struct Shown {
    int textNumber, style;
    bool progressOpen, ownerWasEnabled;  // at the moment the box came
    std::string text;
  };
  int ExecMessageBox(const MessageBoxRequest& r) override {
    messages.push_back({r.textNumber, r.style, Progress() != nullptr,
                        owner != nullptr && owner->isEnabled(), r.text});
    if (onMessage) onMessage();
    return r.style == kStyleQuestion ? kResultNo : kResultOk;
  }
  void ShowSerialMessage(const std::string& text) override {
    std::lock_guard<std::mutex> lock(serialMutex_);  // may come from the reader thread
    serialMessages.push_back(text);
  }
  void ShowFileReadError() override { ShowMessageBox({-1, "", "", kStyleStop}); }

  // The numbers of the boxes shown, in order.
  std::vector<int> Numbers() const {
    std::vector<int> numbers;
    for (const Shown& m : messages)
      numbers.push_back(m.textNumber);
    return numbers;
  }

  std::vector<Shown> messages;
  std::vector<std::string> serialMessages;
  QWidget* owner = nullptr;
  std::function<void()> onMessage;

 private:
  std::mutex serialMutex_;
};
