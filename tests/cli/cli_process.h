// Runs the built kznload-cli as a child process for end-to-end tests, in a folder of its
// own with a settings folder of its own, and collects its output and exit status.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/sim_report.h"
#include "tests/support/temp_dir.h"

struct CliResult {
  int exitStatus = -1;           // -1 when it was killed by a signal or timed out
  bool interrupted = false;      // the signal was sent
  long long msAfterSignal = -1;  // from the signal to the end of the program
  std::string out;
  std::string err;
};

// Runs in `workDir` (the catalogue folder) with XDG_CONFIG_HOME and XDG_STATE_HOME
// `configHome` (the journal of loads is `configHome`/kznload/journal.jsonl) and standard
// input /dev/null, so unanswered questions are answered No. `interruptWhen` is asked with
// the standard error so far; its first true sends `signal` (SIGINT: Ctrl+C).
CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                 const std::string& configHome,
                 const std::function<bool(const std::string& err)>& interruptWhen = {},
                 int signal = SIGINT);

inline const std::string kLastLoadingQuestion =
    "[134] Last loading ended badly. Are you uploading the same receiver ?\n";
inline constexpr const char* kLoadedEnglish = "[123] Software version succesfully loaded.\n";
inline constexpr long long kStopLimitMs = 3000;  // a stop ends a run within this

// Every byte the receiver received, as hexadecimal.
inline std::string Received(const simreport::Json& report) {
  return simreport::Joined(report.at("phases"), "bytes");
}

// The program run in a copy of the sample catalogue folder, with a settings folder of its own.
class CliSamples : public ::testing::Test {
 protected:
  CliSamples() { FreshFolders(); }
  // A fresh copy of the samples and an empty settings folder.
  void FreshFolders() {
    std::filesystem::remove_all(work);
    std::filesystem::copy(std::string(KZN_BINARY_DIR) + "/samples", work,
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(config);
    std::filesystem::create_directories(config);
  }
  CliResult Cli(const std::vector<std::string>& args,
                const std::function<bool(const std::string&)>& when = {},
                int signalNumber = SIGINT) {
    return RunCli(args, work, config, when, signalNumber);
  }
  // Loads `type`'s `version` on `device`, in `lang`, with `more` options.
  static std::vector<std::string> Load(const std::string& type, const std::string& device,
                                       const std::vector<std::string>& more = {},
                                       const std::string& version = "English version",
                                       const std::string& lang = "en") {
    std::vector<std::string> args{"load",     "--type", type,     "--version", version,
                                  "--device", device,   "--lang", lang};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  // The settings file, "" while there is none.
  std::string Settings() const { return dir.Read("config/kznload.INI"); }

  TempDir dir;
  std::string work = dir.File("work");
  std::string config = dir.File("config");
};
