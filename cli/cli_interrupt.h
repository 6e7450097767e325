// Ctrl+C as the progress window's cancel button. A thread of its own takes SIGINT with
// sigwait, so no other thread of the program (the serial port's reader among them) ever
// sees a system call interrupted by it.
#pragma once

class InterruptSource {
 public:
  virtual ~InterruptSource() = default;
  // True once per press (presses between two calls count as one).
  virtual bool TakePress() = 0;
  // Forgets presses not taken yet.
  virtual void DiscardPresses() = 0;
  // Readable after a press, for a wait that must also end on Ctrl+C; -1 when none.
  virtual int WakeFd() const = 0;
  // While no part of the program watches for presses, Ctrl+C ends it as usual.
  virtual void SetWatching(bool watching) = 0;
};

// The process's Ctrl+C. Install it first thing in main, before any thread exists, so that
// every later thread inherits SIGINT blocked. Installing twice keeps the first.
InterruptSource& InstallProcessInterrupts();
