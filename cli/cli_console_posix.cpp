#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/cli_console.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_user_interaction.h"

void PrepareConsoleOutput() {
  // A terminal here takes the bytes as they are; its locale decides how they show.
}

void DescribeConsole(CliConsole& console) {
  console.outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
  console.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    console.terminalColumns = size.ws_col;
  }
  console.inputFd = STDIN_FILENO;
  console.inputIsTerminal = ::isatty(STDIN_FILENO) == 1;
}

TerminalRead ReadTerminalLine(const CliConsole& console, InterruptSource& interrupts,
                              const std::function<bool()>& interrupted, std::string& line) {
  const int wakeFd = static_cast<int>(interrupts.Wake());
  for (;;) {
    pollfd fds[2] = {{console.inputFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    nfds_t count = wakeFd >= 0 ? 2 : 1;
    if (::poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      return TerminalRead::kEnd;
    }
    if (count == 2 && (fds[1].revents & POLLIN) != 0 && interrupted()) {
      return TerminalRead::kInterrupted;
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    char byte = 0;
    ssize_t got = ::read(console.inputFd, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return TerminalRead::kEnd;
    if (byte == '\n') return TerminalRead::kLine;
    line.push_back(byte);
  }
}
