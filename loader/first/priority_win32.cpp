#include <windows.h>

#include "loader/first/priority.h"

// The whole process takes the high class (the real-time class needs administrator rights,
// and Windows quietly gives the high one instead), and the thread that sends the records
// the highest priority of that class; the serial reader thread follows the class.
CRaisedPriority::CRaisedPriority() {
  const DWORD oldClass = GetPriorityClass(GetCurrentProcess());
  const int oldThread = GetThreadPriority(GetCurrentThread());
  if (oldClass == 0 || oldThread == THREAD_PRIORITY_ERROR_RETURN) return;
  saved_.push_back(Saved{0, static_cast<int>(oldClass), oldThread, 0});
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

CRaisedPriority::~CRaisedPriority() {
  for (const Saved& saved : saved_) {
    SetThreadPriority(GetCurrentThread(), saved.schedPriority);
    SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(saved.policy));
  }
}
