// Runs the built kznload-cli as a child process for end-to-end tests, in a folder of its
// own with a settings folder of its own, and collects its output and exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CliRun {
  std::vector<std::string> args;
  std::string workDir;     // the catalogue folder
  std::string configHome;  // XDG_CONFIG_HOME: where kznload.INI is
  // Asked with the standard error collected so far; the first true sends SIGINT (Ctrl+C).
  std::function<bool(const std::string& err)> interruptWhen;
  int timeoutMs = 120000;
};

struct CliResult {
  int exitStatus = -1;  // -1 when it was killed by a signal or timed out
  bool timedOut = false;
  bool interrupted = false;  // SIGINT was sent
  std::string out;
  std::string err;
};

// Standard input is /dev/null: no terminal, so unanswered questions are answered No.
CliResult RunCli(const CliRun& run);
