// A user interface for tests: records every box and progress call, answers questions
// from a script, and presses cancel when told.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/user_interaction.h"

class RecordingUi : public UserInteraction {
 public:
  struct Shown {
    int textNumber;
    int style;
    std::string text;
    std::string caption;
    std::string detail;
  };

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowSerialMessage(const std::string& text) override;
  void ShowFileReadError() override;
  void ShowPortOpenFailure(const PortOpenFailure& failure) override;
  bool OpenProgress(const std::string& caption) override;
  void SetProgressText(const std::string& text) override;
  int SetProgressPosition(int position) override;
  int PollCancel() override;
  void CloseProgress() override;
  std::string StopCause() const override { return stopCause; }

  // Answers for style-36 questions, in order; an empty script answers No.
  std::deque<int> answers;
  // A stop request: from when it is set, every poll answers 1 and questions get the answer
  // that loses nothing.
  std::string stopCause;
  // Called on every PollCancel; returning true is a press of the cancel button.
  std::function<bool()> cancelWhen;
  // Called when a box is shown (before it is answered).
  std::function<void(const Shown&)> onMessage;

  std::vector<Shown> messages;
  std::vector<std::string> serialMessages;
  std::vector<PortOpenFailure> portFailures;
  int fileReadErrors = 0;
  std::vector<std::string> progressTexts;
  std::vector<int> positions;
  std::string progressCaption;
  bool progressOpen = false;
  int progressClosed = 0;
  int polls = 0;

  // Message numbers shown, in order, reduced to the French block (101 to 146).
  std::vector<int> MessageIds() const;

 private:
  std::mutex serialMutex_;
};
