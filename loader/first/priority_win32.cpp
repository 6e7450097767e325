#include <windows.h>

#include "loader/first/priority.h"

// The whole process takes the high class (the real-time class needs administrator rights,
// and Windows quietly gives the high one instead), and the thread that sends the records
// the highest priority of that class; the serial reader thread follows the class.
std::mutex CRaisedPriority::mutex_;
int CRaisedPriority::raisers_ = 0;
std::vector<CRaisedPriority::Saved> CRaisedPriority::saved_;

CRaisedPriority::CRaisedPriority() {
  const int oldThread = GetThreadPriority(GetCurrentThread());
  if (oldThread != THREAD_PRIORITY_ERROR_RETURN) {
    threadPriority_ = oldThread;
    threadRaised_ = true;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (raisers_++ == 0) {
    const DWORD oldClass = GetPriorityClass(GetCurrentProcess());
    if (oldClass != 0) {
      saved_.push_back(Saved{0, static_cast<int>(oldClass), 0, 0});
      SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    }
  }
  if (threadRaised_) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

CRaisedPriority::~CRaisedPriority() {
  if (threadRaised_) SetThreadPriority(GetCurrentThread(), threadPriority_);
  std::lock_guard<std::mutex> lock(mutex_);
  if (--raisers_ != 0) return;
  for (const Saved& saved : saved_)
    SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(saved.policy));
  saved_.clear();
}
