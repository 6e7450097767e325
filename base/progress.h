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

// What a look at the cancel button found.
enum class CancelAnswer {
  kNoRequest,  // not pressed
  kDeclined,   // pressed, and the user said No to message 108
  kConfirmed,  // pressed, and the user said Yes
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
  int PollCancel();
  void CloseProgress();
  bool IsOpen() const { return open_; }
  // A press of cancel is only a question: the load goes on unless the user confirms it
  // with Yes to message 108.
  CancelAnswer PollConfirmedCancel();
  // A stop request (a signal, a log-off) is pending; looks without pumping events or taking
  // a press of the cancel button.
  bool StopRequested() const;

 private:
  UserInteraction& ui_;
  Language language_;
  int captionNumber_;
  bool open_ = false;
};
