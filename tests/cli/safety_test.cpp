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

constexpr long long kStopLimitMs = 3000;
const std::string kNotFinished =
    "[134] Last loading ended badly. Are you uploading the same receiver ?\n";

bool ProgressShows(const std::string& err, const std::string& text, int percent = 0) {
  static const std::regex line(R"(\[progress\] (\d+)% ([^\n]*))");
  for (std::sregex_iterator it(err.begin(), err.end(), line), end; it != end; ++it) {
    if ((*it)[2].str().find(text) != std::string::npos && std::stoi((*it)[1].str()) >= percent)
      return true;
  }
  return false;
}

// Everything the receiver received, as hexadecimal.
std::string Received(const simreport::Json& report) {
  return simreport::Joined(report.at("phases"), "bytes");
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

std::string Hex(const std::string& text) {
  return simreport::HexFromBytes(std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The receiver was told to enter its loader: the VR wake sentence or the TK marker came.
bool WokenUp(const simreport::Json& report) {
  const std::string received = Received(report);
  return received.find(Hex("$PKZN,04,01,01")) != std::string::npos ||
         received.find(Hex("$KZNPROJ")) != std::string::npos;
}

class CliSafety : public CliSamples {
 protected:
  std::vector<std::string> Load(const std::string& type, const std::string& device,
                                std::vector<std::string> more = {}) {
    std::vector<std::string> args{"load",     "--type", type,     "--version", "English version",
                                  "--device", device,   "--lang", "en"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::string Settings() {
    return dir.Exists("config/kznload.INI") ? dir.Read("config/kznload.INI") : "";
  }
  // The last line of standard output.
  static std::string LastLine(const std::string& out) {
    std::size_t end = out.size();
    if (end > 0 && out[end - 1] == '\n') --end;
    const std::size_t begin = out.rfind('\n', end == 0 ? 0 : end - 1);
    return out.substr(begin == std::string::npos ? 0 : begin + 1,
                      end - (begin == std::string::npos ? 0 : begin + 1));
  }
};

// A bad dump with nobody to answer 115: the load stops before the wake-up, with the
// receiver's own tables still in it (before, No was assumed and they were lost).
TEST_F(CliSafety, AnUnansweredBadDumpStopsBeforeTheWakeUp) {
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--fault", "bad-dump-check"}))
      << sim.Error();
  CliResult load = Cli(Load("VR540", sim.SlavePath()));
  EXPECT_EQ(load.exitStatus, 1) << load.err;
  EXPECT_EQ(load.out, "[115] Error reading Doppler table. Quit?\n[answer] Yes\n");
  std::optional<simreport::Json> report = sim.Stop();
  ASSERT_TRUE(report);
  EXPECT_TRUE(StayedNormal(*report)) << Received(*report);
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
  EXPECT_EQ(load.out.rfind(kNotFinished + "[answer] none\n[refused] load on COM1", 0), 0u)
      << load.out;
  EXPECT_NE(LastLine(load.out).find("--answer yes"), std::string::npos);
  EXPECT_NE(LastLine(load.out).find("--answer no"), std::string::npos);
  std::optional<simreport::Json> report = sim.Stop();
  ASSERT_TRUE(report);
  EXPECT_EQ(Received(*report), "");
  EXPECT_EQ(dir.Read("work/~tmp1.tmp"), "the only copy of a receiver's tables");
  EXPECT_NE(Settings().find("1=-1"), std::string::npos);
}

// Faults that can be known before the start: the receiver hears nothing.
TEST_F(CliSafety, FaultsKnownBeforeTheStartSendNothing) {
  struct Case {
    const char* name;
    const char* family;
    const char* type;
    std::function<void(TempDir&, const std::string& config)> arrange;
    std::string out;  // the start of standard output
  };
  const Case cases[] = {
      {"no wrong-checksum text, first family", "VR", "VR540",
       [](TempDir& d, const std::string&) {
         std::string cfg = d.Read("work/chgt.cfg");
         d.Write("work/chgt.cfg",
                 std::regex_replace(cfg, std::regex("WRG:VR LOADER BAD CHECKSUM\n"), ""));
       },
       "[126] Bad config file.\n"},
      {"no wrong-checksum text, second family", "TK20B", "TK20B",
       [](TempDir& d, const std::string&) {
         std::string cfg = d.Read("work/chgt.cfg");
         d.Write("work/chgt.cfg",
                 std::regex_replace(cfg, std::regex("WRG:TK20B BOOT WAITING\n"), ""));
       },
       "[126] Bad config file.\n"},
      {"a record with a wrong check byte", "VR", "VR540",
       [](TempDir& d, const std::string&) {
         std::string file = d.Read("work/VR540.gb");
         // The last byte of the first data record, behind the form A header.
         const std::size_t header = static_cast<unsigned char>(file[1]) + 8u;
         const std::size_t check = header + static_cast<unsigned char>(file[header + 1]) + 6u;
         file[check] = static_cast<char>(file[check] ^ 0x01);
         d.Write("work/VR540.gb", file);
       },
       "[119] Failure while loading. Retry.\n[file] bad check byte in record 1 (byte "},
      {"settings that cannot take the marker", "TK", "TK10B",
       [](TempDir& d, const std::string& configFolder) {
         // A file where the settings folder should be.
         std::filesystem::remove_all(configFolder);
         d.Write("config", "");
       },
       "[refused] load on COM1 ("},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(work);
    std::filesystem::copy(std::string(KZN_BINARY_DIR) + "/samples", work,
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(config);
    std::filesystem::create_directories(config);
    c.arrange(dir, config);
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", c.family})) << sim.Error();
    CliResult load = Cli(Load(c.type, sim.SlavePath()));
    EXPECT_EQ(load.exitStatus, 1) << load.err;
    EXPECT_EQ(load.out.rfind(c.out, 0), 0u) << load.out;
    std::optional<simreport::Json> report = sim.Stop();
    ASSERT_TRUE(report);
    EXPECT_EQ(Received(*report), "");
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
  struct Case {
    const char* name;
    std::vector<std::string> sim;
    std::string type;
    std::function<bool(const std::string&)> when;
    int signal;
    bool wokenUp;
    bool confirmed;  // "[108] Confirm abortion." answered Yes by the stop
  };
  const Case cases[] = {
      {"read-out",
       {"--family", "VR", "--throttle"},
       "VR540",
       [](const std::string& err) { return ProgressShows(err, "Reading receiver", 5); },
       SIGTERM,
       false,
       true},
      {"the wake-up",
       {"--family", "TK", "--throttle", "--fault", "silent=ready"},
       "TK10B",
       [](const std::string& err) { return ProgressShows(err, "Loading in progress"); },
       SIGHUP,
       true,
       false},
      {"the upload",
       {"--family", "TK", "--throttle"},
       "TK10B",
       [](const std::string& err) { return ProgressShows(err, "Loading in progress", 5); },
       SIGINT,
       true,
       true},
      {"a record's answer",
       {"--family", "TK", "--throttle", "--fault", "silent=record"},
       "TK10B",
       [](const std::string& err) { return ProgressShows(err, "Loading in progress", 1); },
       SIGTERM,
       true,
       true},
      {"the end record's busy answers",
       {"--family", "TK", "--throttle", "--fault", "busy=1000"},
       "TK10B",
       [](const std::string& err) { return ProgressShows(err, "Loading in progress", 100); },
       SIGTERM,
       true,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("config/kznload.INI", "");
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(c.sim)) << sim.Error();
    CliResult stopped = Cli(Load(c.type, sim.SlavePath()), c.when, c.signal);
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
    std::optional<simreport::Json> report = sim.Stop();
    ASSERT_TRUE(report);
    EXPECT_EQ(WokenUp(*report), c.wokenUp) << Received(*report);
    if (!c.wokenUp) {
      EXPECT_TRUE(StayedNormal(*report));
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
  {
    CliResult missing = Cli(Load("VR540", dir.File("no-such-device"), {"--answer", "no"}));
    EXPECT_EQ(missing.exitStatus, 1);
    CSimProcess silent;
    ASSERT_TRUE(silent.Start({"--family", "VR", "--throttle", "--fault", "silent=dump"}))
        << silent.Error();
    CliResult quiet = Cli(Load("VR540", silent.SlavePath(), {"--answer", "no"}));
    EXPECT_EQ(quiet.exitStatus, 1);
    EXPECT_NE(quiet.out.find("[116]"), std::string::npos) << quiet.out;
  }
  EXPECT_EQ(dir.Read("work/~tmp1.tmp"), dump);
  EXPECT_FALSE(dir.Exists("work/~tmp1.tmp.new"));

  // Answered Yes for a TK10B: those tables are a VR540's.
  {
    CSimProcess tk;
    ASSERT_TRUE(tk.Start({"--family", "TK"})) << tk.Error();
    CliResult other = Cli(Load("TK10B", tk.SlavePath(), {"--answer", "yes"}));
    EXPECT_EQ(other.exitStatus, 1);
    EXPECT_NE(LastLine(other.out).find("read from a VR540, not from a TK10B"), std::string::npos)
        << other.out;
    std::optional<simreport::Json> report = tk.Stop();
    ASSERT_TRUE(report);
    EXPECT_EQ(Received(*report), "");
  }
  EXPECT_EQ(dir.Read("work/~tmp1.tmp"), dump);
  EXPECT_NE(Settings().find("1=-1"), std::string::npos);

  // Answered No with a receiver that streams its tables whole: they replace the dump.
  CSimProcess other;
  ASSERT_TRUE(other.Start({"--family", "VR", "--throttle", "--seed", "7", "--exit-after", "1"}))
      << other.Error();
  CliResult loaded = Cli(Load("VR540", other.SlavePath(), {"--answer", "no"}));
  EXPECT_EQ(loaded.exitStatus, 0) << loaded.out;
  EXPECT_NE(dir.Read("work/~tmp1.tmp"), dump);
  EXPECT_NE(Settings().find("1=1"), std::string::npos);
}

}  // namespace
