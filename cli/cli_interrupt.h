// Ctrl+C as the progress window's cancel button, SIGTERM and SIGHUP as a confirmed cancel.
// A thread of its own takes these signals with sigwait, so no other thread of the program
// (the serial port's reader among them) ever sees a system call interrupted by them.
#pragma once

class InterruptSource {
 public:
  virtual ~InterruptSource() = default;
  // True once per press (presses between two calls count as one).
  virtual bool TakePress() = 0;
  // Forgets presses not taken yet.
  virtual void DiscardPresses() = 0;
  // Readable after a press or a stop, for a wait that must also end on them; -1 when none.
  virtual int WakeFd() const = 0;
  // While no part of the program watches, each of these signals ends it as usual.
  virtual void SetWatching(bool watching) = 0;
  // The SIGTERM or SIGHUP that asked the program to stop, else 0. It stays asked; the same
  // signal or Ctrl+C once more ends the program at once.
  virtual int StopSignal() const = 0;
};

// The process's signals. Install it first thing in main, before any thread exists, so that
// every later thread inherits them blocked. Installing twice keeps the first.
InterruptSource& InstallProcessInterrupts();
