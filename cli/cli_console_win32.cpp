#include <io.h>
#include <windows.h>

#include <ostream>

#include "base/wide_text.h"
#include "cli/cli_console.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_user_interaction.h"

namespace {

HANDLE HandleOfFd(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A console, not a file, a pipe or the NUL device (which _isatty takes for a terminal).
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(handle, &mode) != 0;
}

// The progress bar redraws its line with a VT sequence; consoles before Windows 10 lack them
// and get plain lines instead.
bool EnableVtSequences(HANDLE handle) {
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode) == 0) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void AppendUtf8(std::string& text, wchar_t unit, wchar_t& pendingHigh) {
  wchar_t pair[3] = {unit, 0, 0};
  if (unit >= 0xD800 && unit < 0xDC00) {
    pendingHigh = unit;
    return;
  }
  if (unit >= 0xDC00 && unit < 0xE000) {
    if (pendingHigh == 0) return;
    pair[0] = pendingHigh;
    pair[1] = unit;
  }
  pendingHigh = 0;
  text += Utf8FromWide(pair);
}

// Takes the last character (not byte) off a UTF-8 line.
void EraseLastCharacter(std::string& line) {
  while (!line.empty()) {
    const auto byte = static_cast<unsigned char>(line.back());
    line.pop_back();
    if ((byte & 0xC0) != 0x80) break;
  }
}

}  // namespace

void PrepareConsoleOutput() {
  ::SetConsoleOutputCP(CP_UTF8);
}

void DescribeConsole(CliConsole& console) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  console.outIsTerminal = IsConsole(out);
  console.errIsTerminal = IsConsole(err) && EnableVtSequences(err);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (console.errIsTerminal && ::GetConsoleScreenBufferInfo(err, &info) != 0) {
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns > 0) console.terminalColumns = columns;
  }
  console.inputFd = 0;
  console.inputIsTerminal = IsConsole(HandleOfFd(console.inputFd));
}

// The console's input records, read one key at a time: unlike a line read, this wait also
// wakes on Ctrl+C (which the console hands to the control handler, not to the input).
TerminalRead ReadTerminalLine(const CliConsole& console, InterruptSource& interrupts,
                              const std::function<bool()>& interrupted, std::string& line) {
  const HANDLE input = HandleOfFd(console.inputFd);
  const auto wake = reinterpret_cast<HANDLE>(interrupts.Wake());
  const HANDLE handles[2] = {input, wake};
  const DWORD count = interrupts.Wake() != kNoWake ? 2 : 1;
  wchar_t pendingHigh = 0;
  for (;;) {
    const DWORD woken = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1) {
      if (interrupted()) return TerminalRead::kInterrupted;
      continue;
    }
    if (woken != WAIT_OBJECT_0) return TerminalRead::kEnd;
    INPUT_RECORD records[32];
    DWORD got = 0;
    if (::ReadConsoleInputW(input, records, 32, &got) == 0) return TerminalRead::kEnd;
    for (DWORD i = 0; i < got; ++i) {
      const INPUT_RECORD& record = records[i];
      if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
      const wchar_t unit = record.Event.KeyEvent.uChar.UnicodeChar;
      for (WORD n = 0; n < record.Event.KeyEvent.wRepeatCount; ++n) {
        if (unit == L'\r' || unit == L'\n') {
          console.err << '\n' << std::flush;
          return TerminalRead::kLine;
        }
        if (unit == 0x1A) return TerminalRead::kEnd;  // Ctrl+Z, the console's end of input
        if (unit == L'\b') {
          if (!line.empty()) console.err << "\b \b" << std::flush;
          EraseLastCharacter(line);
        } else if (unit >= 0x20) {
          const std::size_t before = line.size();
          AppendUtf8(line, unit, pendingHigh);
          console.err << line.substr(before) << std::flush;
        }
      }
    }
  }
}
