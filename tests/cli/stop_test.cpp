// How kznload-cli ends when it is told to stop or cannot reach its port: by itself, with the
// port closed the normal way, the port marked unfinished, and a last line that says why.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstring>
#include <regex>

#include "tests/cli/cli_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/wall_clock.h"

namespace {

constexpr long long kStopLimitMs = 3000;

// True once the upload's progress line has passed `percent`.
bool UploadPassed(const std::string& err, int percent) {
  static const std::regex line(R"(\[progress\] (\d+)% Loading in progress)");
  int reached = -1;
  for (std::sregex_iterator it(err.begin(), err.end(), line), end; it != end; ++it)
    reached = std::stoi((*it)[1].str());
  return reached >= percent;
}

class CliStop : public CliSamples {
 protected:
  std::vector<std::string> Load(const std::string& type, const std::string& device) {
    return {"load",     "--type", type,     "--version", "English version",
            "--device", device,   "--lang", "en"};
  }
};

// SIGTERM, and Ctrl+C where nobody can confirm it (standard input is no terminal and there is
// no --answer), both in the middle of a TK10B upload.
TEST_F(CliStop, ASignalDuringTheUploadStopsItAndTheNextRunResumesFromTheDump) {
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(signal));
    dir.Write("config/kznload.INI", "");
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "TK", "--throttle"})) << sim.Error();
    CliResult stopped = Cli(
        Load("TK10B", sim.SlavePath()), [](const std::string& err) { return UploadPassed(err, 5); },
        signal);
    ASSERT_TRUE(stopped.interrupted) << stopped.err;
    EXPECT_EQ(stopped.exitStatus, 1) << stopped.err;
    if (kWallClockBounds) {
      EXPECT_LT(stopped.msAfterSignal, kStopLimitMs);
    }
    EXPECT_EQ(stopped.out, "[108] Confirm abortion.\n[answer] Yes\n[cancelled] load on COM1 (" +
                               sim.SlavePath() + ") stopped by signal: " + strsignal(signal) +
                               "\n");
    std::optional<simreport::Json> report = sim.Stop();
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->at("endRecord").is_null());
    EXPECT_GT(report->at("recordsAccepted").get<double>(), 0);
    EXPECT_EQ(report->at("violations").size(), 0u);
    EXPECT_NE(dir.Read("config/kznload.INI").find("1=-1"), std::string::npos);

    CSimProcess again;
    ASSERT_TRUE(again.Start({"--family", "TK", "--throttle", "--exit-after", "1"}))
        << again.Error();
    std::vector<std::string> args = Load("TK10B", again.SlavePath());
    args.insert(args.end(), {"--answer", "yes"});
    CliResult resumed = Cli(args);
    EXPECT_EQ(resumed.exitStatus, 0) << resumed.err;
    EXPECT_EQ(resumed.out,
              "[134] Last loading ended badly. Are you uploading the same receiver ?\n"
              "[answer] Yes\n[123] Software version succesfully loaded.\n");
    report = again.WaitForExit(10000);
    if (!report) report = again.Stop();
    ASSERT_TRUE(report);
    EXPECT_TRUE(
        report->at("dump").get<std::string>().empty());  // the tables came from the dump file
    EXPECT_EQ(report->at("outcomes").at(std::size_t{0}).get<std::string>(), "5");
  }
}

// The wake-up ends at once on a cancel, without a question or a box of its own.
TEST_F(CliStop, AHangUpDuringTheWakeUpEndsWithACancelledLine) {
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "TK", "--throttle", "--fault", "silent=ready"}))
      << sim.Error();
  CliResult stopped = Cli(
      Load("TK10B", sim.SlavePath()),
      [](const std::string& err) { return err.find("Loading in progress") != std::string::npos; },
      SIGHUP);
  ASSERT_TRUE(stopped.interrupted) << stopped.err;
  EXPECT_EQ(stopped.exitStatus, 1) << stopped.err;
  if (kWallClockBounds) {
    EXPECT_LT(stopped.msAfterSignal, kStopLimitMs);
  }
  EXPECT_EQ(stopped.out,
            "[cancelled] load on COM1 (" + sim.SlavePath() + ") stopped by signal: Hangup\n");
  std::optional<simreport::Json> report = sim.Stop();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->at("recordsAccepted").get<double>(), 0);
}

TEST_F(CliStop, APortThatCannotBeOpenedIsNamedWithItsDeviceAndReason) {
  const std::string missing = dir.File("no-such-adapter");
  const std::string told =
      "[serial] COM1 (" + missing + ") could not be opened: No such file or directory.\n";
  for (const char* type : {"VR540", "TK20B"}) {
    SCOPED_TRACE(type);
    CliResult load = Cli(Load(type, missing));
    EXPECT_EQ(load.exitStatus, 1) << load.err;
    ASSERT_EQ(load.out.rfind(told, 0), 0u) << load.out;
    // The second family has a message of its own for it; the first family has none.
    if (std::string(type) == "VR540") {
      EXPECT_EQ(load.out, told);
    } else {
      EXPECT_NE(load.out.find("\n[1"), std::string::npos);
    }
    EXPECT_NE(load.err.find("Port could not be opened (" + missing), std::string::npos);
  }
}

}  // namespace
