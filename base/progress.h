// A loading sequence's handle on the progress window for one run.
#pragma once

#include <string>

#include "base/messages.h"

class UserInteraction;

inline constexpr int kProgressLower = 0;
inline constexpr int kProgressUpper = 100;

// The percent text shown above the bar: 100 stays 100, other values wrap modulo 100.
std::string ProgressPercentText(int position, int lower = kProgressLower,
                                int upper = kProgressUpper);

// How a step of a load takes a cancel. A stop request (a signal, a log-off:
// UserInteraction::StopCause) ends every step; a press of the cancel button ends some at once
// and is a question in others.
enum class CancelRule {
  kStopOnly,  // a stop request alone: no window events pumped, a press left for a later check
  kAtOnce,    // a stop request or a press of cancel
  kAsk,       // a stop request or a press of cancel, once the user says Yes to message 108
};

// What a check for a cancel found.
enum class CancelAnswer {
  kNoRequest,  // nothing: the step goes on
  kDeclined,   // a press of cancel, and the user said No to message 108: the step goes on
  kConfirmed,  // the load stops
};

class CProgress {
 public:
  // The window's caption is message `captionId` in `language`.
  CProgress(UserInteraction& ui, Language language, int captionId = kMsgDefaultCaption);
  ~CProgress();
  CProgress(const CProgress&) = delete;
  CProgress& operator=(const CProgress&) = delete;

  bool OpenProgress();
  void SetProgressText(const std::string& text);
  int SetProgressPosition(int position);
  void CloseProgress();
  bool IsOpen() const { return open_; }
  // The one check for a cancel that the loads make, under the step's rule. A press reaches
  // it only while the window is open.
  CancelAnswer CheckCancel(CancelRule rule);

 private:
  // Pumps the window's events: 1 once per cancel request (a press or a stop), else 0.
  int PollCancel();

  UserInteraction& ui_;
  Language language_;
  int captionNumber_;
  bool open_ = false;
};
