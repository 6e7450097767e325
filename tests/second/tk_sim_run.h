// One second-family load against kznsim on a pseudo-terminal, real clock and real port.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/clock.h"
#include "serial/serial_port.h"
#include "tests/second/tk_support.h"
#include "tests/support/json_lite.h"
#include "tests/support/sim_process.h"

class TkSimRun {
 public:
  // Starts kznsim as a TK20B receiver with `simArgs`; `program` is the file to send.
  TkSimRun(const std::vector<std::string>& simArgs, TkProgramFile program);
  bool Started() const { return started_; }
  const std::string& StartError() const { return sim_.Error(); }

  // Runs the load, stops the simulator and returns its report, once checked for what
  // holds whatever the outcome: port and progress window closed, no protocol violation
  // (the header is one), each record whole and as in the file at 115200 bit/s with 1 stop
  // bit, detection and preparation at 4800 bit/s with 2.
  json_lite::Value Load();

  TempDir dir;
  SteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  std::unique_ptr<CSerialPort> port;
  std::unique_ptr<CLoaderState> w;
  const TkProgramFile program;
  std::int64_t loadMs = 0;

 private:
  CSimProcess sim_;
  bool started_ = false;
};

// A byte string of the report.
std::string SimBytes(const json_lite::Value& hex);
