// Ctrl+C as the progress window's cancel button; a request to end the program (SIGTERM and
// SIGHUP on POSIX, the console's close, logoff and shutdown on Windows) as a confirmed cancel.
// One file per platform: cli_interrupt_posix.cpp takes the signals on a thread of its own
// with sigwait, so no other thread (the serial port's reader among them) ever sees a system
// call interrupted by them; cli_interrupt_win32.cpp is a console control handler.
#pragma once

#include <cstdint>
#include <string>

// What a wait for console input can also sleep on to wake at a press or a stop: a file
// descriptor that turns readable (POSIX) or an event HANDLE that is set (Windows).
using WakeHandle = std::intptr_t;
inline constexpr WakeHandle kNoWake = -1;

class InterruptSource {
 public:
  virtual ~InterruptSource() = default;
  // True once per press (presses between two calls count as one).
  virtual bool TakePress() = 0;
  // Forgets presses not taken yet.
  virtual void DiscardPresses() = 0;
  // Woken after a press or a stop, for a wait that must also end on them; kNoWake when none.
  virtual WakeHandle Wake() const = 0;
  // While no part of the program watches, a press or a stop ends it as usual.
  virtual void SetWatching(bool watching) = 0;
  // What asked the program to stop (the signal number on POSIX), else 0; DescribeStop names
  // it. It stays asked; the same request or Ctrl+C once more ends the program at once.
  virtual int StopSignal() const = 0;
};

// The process's interrupts. Install it first thing in main, before any thread exists (on
// POSIX every later thread inherits the signals blocked). Installing twice keeps the first.
InterruptSource& InstallProcessInterrupts();

// The stop that a press stands for where nobody can confirm the cancel it asks for.
int UnconfirmedPressStop();
// What `stop` was, after "stopped by ": "signal: Terminated", "closing the console".
std::string DescribeStop(int stop);
