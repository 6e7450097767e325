// Production runs: one kznload-cli loading several receivers at once, each played by a kznsim
// of its own, and --watch loading the adapters that appear in a folder of device links.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <regex>

#include "tests/cli/cli_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/wall_clock.h"

namespace {

class CliSeveralPorts : public CliSamples {
 protected:
  // One throttled TK receiver per port, COM1 up.
  void StartReceivers(int count, const std::vector<std::string>& faultsOfLast = {}) {
    for (int i = 0; i < count; ++i) {
      std::vector<std::string> args{"--family", "TK", "--throttle", "--exit-after", "1"};
      if (i == count - 1) args.insert(args.end(), faultsOfLast.begin(), faultsOfLast.end());
      sims.push_back(std::make_unique<CSimProcess>());
      ASSERT_TRUE(sims.back()->Start(args)) << sims.back()->Error();
    }
  }
  std::vector<std::string> LoadAll() {
    std::vector<std::string> args = Load("TK10B", "1=" + sims[0]->SlavePath());
    for (std::size_t i = 1; i < sims.size(); ++i)
      args.insert(args.end(), {"--device", std::to_string(i + 1) + "=" + sims[i]->SlavePath()});
    return args;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
      ++n;
    return n;
  }

  std::vector<std::unique_ptr<CSimProcess>> sims;
};

// Three receivers at once, the last vanishing halfway: the others each get the whole program
// and their tables back, each port keeps its own marker and dump, and the summary lists them
// all, the failed one as failed.
TEST_F(CliSeveralPorts, ReceiversLoadAtOnceAndOneFailingLeavesTheOthersToFinish) {
  StartReceivers(3, {"--fault", "vanish=3"});
  CliResult run = Cli(LoadAll());
  EXPECT_EQ(run.exitStatus, 1) << run.out << run.err;
  for (int port = 1; port <= 3; ++port) {
    const std::string com = "COM" + std::to_string(port);
    const bool loads = port < 3;
    EXPECT_EQ(run.out.find(com + ": " + kLoadedEnglish) != std::string::npos, loads) << run.out;
    EXPECT_TRUE(std::regex_search(
        run.out, std::regex(com + " +\\S+ +TK10B +English version +" +
                            (loads ? "loaded \\[123\\] +\\d+:\\d\\d\n" : "failed"))))
        << run.out;
    EXPECT_TRUE(dir.Exists("work/~tmp" + std::to_string(port) + ".tmp"));
    EXPECT_NE(Settings().find(std::to_string(port) + (loads ? "=1" : "=-1")), std::string::npos);
    // Plain progress lines carry a time stamp and the port.
    EXPECT_TRUE(std::regex_search(
        run.err, std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ " + com + " \\d+% ")))
        << run.err;
  }
  for (std::size_t i = 0; i < 2; ++i) {
    const simreport::Json report = sims[i]->Report(5000);
    EXPECT_EQ(simreport::Joined(report.at("outcomes")), "5") << i;
    EXPECT_EQ(report.at("violations").size(), 0u) << i;
    const simreport::Json& memory = report.at("memory");
    EXPECT_EQ(memory.at("doppler"), memory.at("initialDoppler")) << i;
  }
}

// A stop ends every load as a confirmed cancel, within 3 s, each port marked unfinished.
TEST_F(CliSeveralPorts, AStopEndsEveryLoadAsCancelled) {
  StartReceivers(3);
  CliResult run = Cli(
      LoadAll(),
      [](const std::string& err) {
        for (const char* port : {"COM1", "COM2", "COM3"}) {
          if (!std::regex_search(err, std::regex(std::string(port) + " [1-9]\\d*% Loading")))
            return false;
        }
        return true;
      },
      SIGTERM);
  ASSERT_TRUE(run.interrupted) << run.err;
  EXPECT_EQ(run.exitStatus, 1);
  if (kWallClockBounds) {
    EXPECT_LT(run.msAfterSignal, kStopLimitMs);
  }
  EXPECT_EQ(Count(run.out, "stopped by signal: Terminated"), 3) << run.out;
  EXPECT_EQ(Count(run.out, "cancelled (signal: Terminated)"), 3) << run.out;
  for (const char* marker : {"1=-1", "2=-1", "3=-1"})
    EXPECT_NE(Settings().find(marker), std::string::npos) << marker;
}

// --watch loads a receiver that appears, and another that appears while the first loads;
// adapters there at the start are left alone, and each gets a port number of its own.
TEST_F(CliSeveralPorts, WatchLoadsEachAdapterThatAppears) {
  const std::string folder = dir.File("adapters");
  std::filesystem::create_directories(folder);
  StartReceivers(3);
  // There before the run starts: not loaded.
  std::filesystem::create_symlink(sims[2]->SlavePath(), folder + "/ttyUSB9");
  int stage = 0;
  CliResult run = Cli(
      {"load", "--type", "TK10B", "--version", "English version", "--lang", "en", "--watch-folder",
       folder},
      [&](const std::string& err) {
        if (stage == 0 && err.find("waiting for receivers") != std::string::npos) {
          std::filesystem::create_symlink(sims[0]->SlavePath(), folder + "/ttyUSB0");
          stage = 1;
        } else if (stage == 1 && std::regex_search(err, std::regex("COM5 [1-9]\\d*% Loading"))) {
          std::filesystem::create_symlink(sims[1]->SlavePath(), folder + "/ttyUSB1");
          stage = 2;
        }
        return stage == 2 && Count(err, " loaded [123]") == 2;
      },
      SIGINT);
  ASSERT_TRUE(run.interrupted) << run.err;
  EXPECT_EQ(run.exitStatus, 0) << run.out;
  EXPECT_NE(run.out.find("COM5: [123] "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("COM6: [123] "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("COM7"), std::string::npos) << run.out;
  const std::string settings = Settings();
  EXPECT_NE(settings.find("[WATCH_PORTS]"), std::string::npos) << settings;
  EXPECT_NE(settings.find("5=1"), std::string::npos) << settings;
  EXPECT_EQ(Received(sims[2]->Report()), "");
}

}  // namespace
