// One second-family load against kznsim on a pseudo-terminal with the real clock and the
// real serial port, and the checks every such load's report must pass.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/settings_store.h"
#include "serial/serial_port.h"
#include "tests/second/tk_program_file.h"
#include "tests/support/json_lite.h"
#include "tests/support/recording_ui.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

class TkSimRun {
 public:
  // Starts kznsim as a TK20B receiver with `simArgs` and writes `program` as the file to
  // send. Started() tells whether the simulator runs.
  TkSimRun(const std::vector<std::string>& simArgs, const TkProgramFile& program);
  bool Started() const { return started_; }
  const std::string& StartError() const { return sim_.Error(); }

  // Runs the whole load and returns the simulator's report (it is stopped afterwards).
  std::optional<json_lite::Value> Load();
  // Wall time of the last Load, in ms.
  std::int64_t LoadMs() const { return loadMs_; }

  TempDir dir;
  SteadyClock clock;
  RecordingUi ui;
  CSettingsStore settings{dir.File("kznload.INI")};
  std::unique_ptr<CSerialPort> port;
  std::unique_ptr<CLoaderState> w;
  TkProgramFile program;

 private:
  CSimProcess sim_;
  bool started_ = false;
  std::int64_t loadMs_ = 0;
};

// The wrong-checksum text kznsim's TK20B loader repeats.
inline constexpr const char* kSimTk20bText = "TK20B BOOT WAITING";

// Records as the report lists them, and the line settings each came at.
struct SimRecord {
  std::string kind;
  std::string bytes;
  long long bitRate;
  long long stopBits;
  std::string answer;
};
std::vector<SimRecord> SimRecords(const json_lite::Value& report);
std::string SimBytes(const json_lite::Value& hex);

// Checks that hold for every load, whatever its outcome: no protocol violation, the
// header record never sent, every record sent whole and unchanged from the file at
// `bitRate` with 1 stop bit, detection and preparation at 4800 bit/s with 2 stop bits.
void ExpectCleanExchange(const json_lite::Value& report, const TkProgramFile& program,
                         long long bitRate);
