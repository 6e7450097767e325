// A loading sequence's handle on the progress window for one run.
#pragma once

#include <string>

class UserInteraction;

inline constexpr int kProgressLower = 0;
inline constexpr int kProgressUpper = 100;

// The percent text shown above the bar: 100 stays 100, other values wrap modulo 100.
std::string ProgressPercentText(int position, int lower = kProgressLower,
                                int upper = kProgressUpper);

class CProgress {
 public:
  // captionNumber 0 means message 104 in the running language; any other number is used
  // as it is.
  explicit CProgress(UserInteraction& ui, int captionNumber = 0);
  ~CProgress();
  CProgress(const CProgress&) = delete;
  CProgress& operator=(const CProgress&) = delete;

  bool OpenProgress();
  void SetProgressText(const std::string& text);
  int SetProgressPosition(int position);
  int PollCancel();
  void CloseProgress();
  bool IsOpen() const { return open_; }

 private:
  UserInteraction& ui_;
  int captionNumber_;
  bool open_ = false;
};
