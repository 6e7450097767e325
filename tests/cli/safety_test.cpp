// What a load never does to a receiver, whatever goes wrong: a fault known before the start
// sends it nothing; with nobody to answer, no question is answered in a way that loses its
// tables; a stop ends every wait within 3 s; an unfinished load's dump survives until a
// complete read-out replaces it and goes back only into a receiver of its type. Each case
// runs kznload-cli against kznsim and looks at what the receiver received, the dump file,
// the port's marker and the last line.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <regex>

#include "tests/cli/cli_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/wall_clock.h"

namespace {

// A "[progress] " line shows `text` at `percent` or more.
bool ProgressShows(const std::string& err, const std::string& text, int percent) {
  static const std::regex line(R"(\[progress\] (\d+)% ([^\n]*))");
  for (std::sregex_iterator it(err.begin(), err.end(), line), end; it != end; ++it) {
    if ((*it)[2].str().find(text) != std::string::npos && std::stoi((*it)[1].str()) >= percent)
      return true;
  }
  return false;
}

// The receiver never left its normal operation: at most asked for its tables.
bool StayedNormal(const simreport::Json& report) {
  for (const simreport::Json& phase : report.at("phases")) {
    if (phase.at("phase").get<std::string>() != "normal") return false;
  }
  const simreport::Json& memory = report.at("memory");
  return memory.at("doppler") == memory.at("initialDoppler") &&
         memory.at("almanac") == memory.at("initialAlmanac");
}

// The receiver was told to enter its loader: the VR wake sentence or the TK marker came.
bool WokenUp(const simreport::Json& report) {
  for (const std::string text : {"$PKZN,04,01,01", "$KZNPROJ"}) {
    if (Received(report).find(simreport::HexFromBytes({text.begin(), text.end()})) !=
        std::string::npos)
      return true;
  }
  return false;
}

std::string LastLine(std::string out) {
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out.substr(out.rfind('\n') + 1);  // npos + 1 is 0
}

using CliSafety = CliSamples;

// A bad dump with nobody to answer 115: the load stops before the wake-up, with the
// receiver's own tables still in it (before, No was assumed and they were lost).
TEST_F(CliSafety, AnUnansweredBadDumpStopsBeforeTheWakeUp) {
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--fault", "bad-dump-check"}))
      << sim.Error();
  CliResult load = Cli(Load("VR540", sim.SlavePath()));
  EXPECT_EQ(load.exitStatus, 1) << load.err;
  EXPECT_EQ(load.out, "[115] Error reading Doppler table. Quit?\n[answer] Yes\n");
  const simreport::Json report = sim.Report();
  EXPECT_TRUE(StayedNormal(report)) << Received(report);
  EXPECT_EQ(Settings().find("1=-1"), std::string::npos) << Settings();
}

// An unfinished load and nobody to say whether this is its receiver: nothing is sent, the
// dump and the marker stay, and the last line says how to go on.
TEST_F(CliSafety, AnUnansweredUnfinishedLoadSendsNothingAndSaysHowToGoOn) {
  dir.Write("config/kznload.INI", "[LAST_LOADING]\n1=-1\n");
  dir.Write("work/~tmp1.tmp", "the only copy of a receiver's tables");
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "VR"})) << sim.Error();
  CliResult load = Cli(Load("VR540", sim.SlavePath()));
  EXPECT_EQ(load.exitStatus, 1) << load.err;
  EXPECT_EQ(load.out.rfind(kLastLoadingQuestion + "[answer] none\n[refused] load on COM1", 0), 0u)
      << load.out;
  EXPECT_NE(LastLine(load.out).find("--answer yes"), std::string::npos);
  EXPECT_NE(LastLine(load.out).find("--answer no"), std::string::npos);
  EXPECT_EQ(Received(sim.Report()), "");
  EXPECT_EQ(dir.Read("work/~tmp1.tmp"), "the only copy of a receiver's tables");
  EXPECT_NE(Settings().find("1=-1"), std::string::npos);
}

// Faults that can be known before the start: the receiver hears nothing.
TEST_F(CliSafety, FaultsKnownBeforeTheStartSendNothing) {
  auto withoutLine = [this](const std::string& line) {
    std::string cfg = dir.Read("work/chgt.cfg");
    dir.Write("work/chgt.cfg", cfg.erase(cfg.find(line + "\n"), line.size() + 1));
  };
  const struct {
    const char *name, *family, *type;
    std::function<void()> arrange;
    std::string out;  // the start of standard output
  } cases[] = {
      {"no wrong-checksum text, first family", "VR", "VR540",
       [&] { withoutLine("WRG:VR LOADER BAD CHECKSUM"); }, "[126] Bad config file.\n"},
      {"no wrong-checksum text, second family", "TK20B", "TK20B",
       [&] { withoutLine("WRG:TK20B BOOT WAITING"); }, "[126] Bad config file.\n"},
      {"a record with a wrong check byte", "VR", "VR540",
       [this] {
         std::string file = dir.Read("work/VR540.gb");
         // The last byte of the first data record, behind the form A header.
         const std::size_t header = static_cast<unsigned char>(file[1]) + 8u;
         const std::size_t check = header + static_cast<unsigned char>(file[header + 1]) + 6u;
         file[check] = static_cast<char>(file[check] ^ 0x01);
         dir.Write("work/VR540.gb", file);
       },
       "[119] Failure while loading. Retry.\n[file] bad check byte in record 1 (byte "},
      {"settings that cannot take the marker", "TK", "TK10B",
       [this] {
         // A file where the settings folder should be.
         std::filesystem::remove_all(config);
         dir.Write("config", "");
       },
       "[refused] load on COM1 ("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FreshFolders();
    c.arrange();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", c.family})) << sim.Error();
    CliResult load = Cli(Load(c.type, sim.SlavePath()));
    EXPECT_EQ(load.exitStatus, 1) << load.err;
    EXPECT_EQ(load.out.rfind(c.out, 0), 0u) << load.out;
    EXPECT_EQ(Received(sim.Report()), "");
    EXPECT_FALSE(dir.Exists("work/~tmp1.tmp"));
  }
  // The refusal names the settings file and the system's reason.
  CliResult again = Cli(Load("TK10B", dir.File("no-such-device")));
  EXPECT_NE(again.out.find(config + "/kznload.INI cannot be written (Not a directory)"),
            std::string::npos)
      << again.out;
}

// A stop ends the load within 3 s as cancelled, wherever it waits, and never lets the
// wake-up go out once it came before it. Ctrl+C with nobody to confirm it (standard input is
// no terminal, no --answer) is a confirmed cancel.
TEST_F(CliSafety, AStopEndsEveryWaitAsCancelled) {
  const struct {
    const char *name, *family, *fault, *progress;  // the stop comes once progress shows it
    int percent, signal;
    bool wokenUp;
    bool confirmed;  // "[108] Confirm abortion." answered Yes by the stop
  } cases[] = {
      {"read-out", "VR", "", "Reading receiver", 5, SIGTERM, false, true},
      {"the wake-up", "TK", "silent=ready", "Loading in progress", 0, SIGHUP, true, false},
      {"the upload", "TK", "", "Loading in progress", 5, SIGINT, true, true},
      {"a record's answer", "TK", "silent=record", "Loading in progress", 1, SIGTERM, true, true},
      {"the end record's busy answers", "TK", "busy=1000", "Loading in progress", 100, SIGTERM,
       true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("config/kznload.INI", "");
    CSimProcess sim;
    ASSERT_TRUE(*c.fault ? sim.Start({"--family", c.family, "--throttle", "--fault", c.fault})
                         : sim.Start({"--family", c.family, "--throttle"}))
        << sim.Error();
    CliResult stopped = Cli(
        Load(std::string(c.family) == "VR" ? "VR540" : "TK10B", sim.SlavePath()),
        [&c](const std::string& err) { return ProgressShows(err, c.progress, c.percent); },
        c.signal);
    ASSERT_TRUE(stopped.interrupted) << stopped.out << stopped.err;
    EXPECT_EQ(stopped.exitStatus, 1);
    if (kWallClockBounds) {
      EXPECT_LT(stopped.msAfterSignal, kStopLimitMs);
    }
    EXPECT_EQ(LastLine(stopped.out), "[cancelled] load on COM1 (" + sim.SlavePath() +
                                         ") stopped by signal: " + strsignal(c.signal))
        << stopped.out;
    // Where a cancel is confirmed, the stop answers the question itself, and the load is no
    // failure.
    EXPECT_EQ(stopped.out.find("[108]") != std::string::npos, c.confirmed) << stopped.out;
    EXPECT_EQ(stopped.out.find("[119]"), std::string::npos) << stopped.out;
    const simreport::Json report = sim.Report();
    EXPECT_EQ(WokenUp(report), c.wokenUp) << Received(report);
    if (!c.wokenUp) {
      EXPECT_TRUE(StayedNormal(report));
    }
    EXPECT_EQ(Settings().find("1=-1") != std::string::npos, c.wokenUp) << Settings();
  }
}

// After an unfinished load, a read-out of another receiver that fails, or a port that cannot
// be opened, leaves the saved dump as it was; a resume into a receiver of another type is
// refused, naming both types; a complete read-out replaces the dump.
TEST_F(CliSafety, TheUnfinishedLoadsDumpSurvivesUntilAWholeReadOutReplacesIt) {
  // A VR load whose receiver never says it is ready: the port is marked unfinished, and the
  // dump holds that receiver's tables.
  {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--fault", "silent=identify"}))
        << sim.Error();
    CliResult failed = Cli(Load("VR540", sim.SlavePath()));
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_EQ(failed.out.rfind("[114]", 0), 0u) << failed.out;
  }
  const std::string dump = dir.Read("work/~tmp1.tmp");
  ASSERT_GT(dump.size(), 3017u);
  ASSERT_NE(Settings().find("1=-1"), std::string::npos);

  // Answered No (another receiver), but that one cannot be read: the dump stays.
  EXPECT_EQ(Cli(Load("VR540", dir.File("no-such-device"), {"--answer", "no"})).exitStatus, 1);
  CSimProcess silent;
  ASSERT_TRUE(silent.Start({"--family", "VR", "--throttle", "--fault", "silent=dump"}))
      << silent.Error();
  CliResult quiet = Cli(Load("VR540", silent.SlavePath(), {"--answer", "no"}));
  EXPECT_EQ(quiet.exitStatus, 1);
  EXPECT_NE(quiet.out.find("[116]"), std::string::npos) << quiet.out;
  EXPECT_EQ(dir.Read("work/~tmp1.tmp"), dump);
  EXPECT_FALSE(dir.Exists("work/~tmp1.tmp.new"));

  // Answered Yes for a TK10B: those tables are a VR540's.
  CSimProcess tk;
  ASSERT_TRUE(tk.Start({"--family", "TK"})) << tk.Error();
  CliResult other = Cli(Load("TK10B", tk.SlavePath(), {"--answer", "yes"}));
  EXPECT_EQ(other.exitStatus, 1);
  EXPECT_NE(LastLine(other.out).find("read from a VR540, not from a TK10B"), std::string::npos)
      << other.out;
  EXPECT_EQ(Received(tk.Report()), "");
  EXPECT_EQ(dir.Read("work/~tmp1.tmp"), dump);
  EXPECT_NE(Settings().find("1=-1"), std::string::npos);

  // Answered No with a receiver that streams its tables whole: they replace the dump.
  CSimProcess whole;
  ASSERT_TRUE(whole.Start({"--family", "VR", "--throttle", "--seed", "7", "--exit-after", "1"}))
      << whole.Error();
  CliResult loaded = Cli(Load("VR540", whole.SlavePath(), {"--answer", "no"}));
  EXPECT_EQ(loaded.exitStatus, 0) << loaded.out;
  EXPECT_NE(dir.Read("work/~tmp1.tmp"), dump);
  EXPECT_NE(Settings().find("1=1"), std::string::npos);
}

}  // namespace
