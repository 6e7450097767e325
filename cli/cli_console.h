// The console kznload-cli runs in: its terminals and a line typed at one.
// One file per platform: cli_console_posix.cpp, cli_console_win32.cpp.
#pragma once

#include <functional>
#include <string>

struct CliConsole;
class InterruptSource;

// Makes the console show UTF-8, the encoding of every text the program writes.
void PrepareConsoleOutput();

// Which of standard input, output and error are terminals, and how wide standard error is.
void DescribeConsole(CliConsole& console);

enum class TerminalRead { kLine, kEnd, kInterrupted };

// Reads one line typed at the terminal `console.inputFd` into `line` (without its end).
// Whenever `interrupts` wakes the wait, `interrupted()` says whether to give up
// (kInterrupted); kEnd when the input ended or failed before a line was complete.
TerminalRead ReadTerminalLine(const CliConsole& console, InterruptSource& interrupts,
                              const std::function<bool()>& interrupted, std::string& line);
