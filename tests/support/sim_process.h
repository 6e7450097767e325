// Runs the receiver simulator kznsim as a child process for end-to-end tests: starts it,
// learns the pseudo-terminal's slave path from its first line, and collects its JSON report.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/sim_report.h"
#include "tests/support/temp_dir.h"

// Test programs get KZN_SIM_PATH from the build; the default argument is evaluated there.
#ifdef KZN_SIM_PATH
#define KZN_SIM_DEFAULT_PATH KZN_SIM_PATH
#else
#define KZN_SIM_DEFAULT_PATH ""
#endif

class CSimProcess {
 public:
  ~CSimProcess();  // kills a simulator that still runs (not copied: it owns the child)

  // Starts the simulator at simPath (KZN_SIM_PATH by default) with these arguments and
  // "--report <temporary file>", and waits for the slave path. False (with the reason in
  // Error()) on failure.
  bool Start(const std::vector<std::string>& args,
             const std::string& simPath = KZN_SIM_DEFAULT_PATH);

  const std::string& SlavePath() const { return slavePath_; }
  const std::string& Error() const { return error_; }

  // SIGTERM, wait at most timeoutMs (then SIGKILL), and return the parsed report.
  std::optional<simreport::Json> Stop(int timeoutMs = 5000);
  // Waits at most timeoutMs for the simulator to exit on its own (--exit-after, vanish);
  // nullopt when it is still running then (it is left running) or left no report.
  std::optional<simreport::Json> WaitForExit(int timeoutMs);
  // The report: waits at most waitMs for the simulator to exit on its own, then stops it; a
  // missing report fails the test (and the empty object returned fails its first look-up).
  simreport::Json Report(int waitMs = 0);

 private:
  bool WaitChild(int timeoutMs);

  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  TempDir temp_;  // holds the report
  std::string slavePath_;
  std::string error_;
};
