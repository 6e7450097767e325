// kznload-cli as scripts run it: the built program in a copy of the sample catalogue folder,
// talking to kznsim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "tests/cli/cli_process.h"
#include "tests/support/sim_process.h"

namespace {

struct FamilyLoad {
  const char *name, *family, *type, *port, *lang, *version;
  bool unfinished;  // the port's last load ended badly
  std::string out;
  std::string settings;  // after the load: the port's marker and dump type only
  std::vector<std::string> cliArgs = {}, simArgs = {};
};

// Names the case in test listings.
void PrintTo(const FamilyLoad& c, std::ostream* out) {
  *out << c.name;
}

using CliEndToEnd = CliSamples;

TEST_F(CliEndToEnd, ListAndInfoShowTheSamples) {
  // Each type with its family tag, then its versions: label, file and version text.
  EXPECT_EQ(Cli({"list", "--lang", "en"}).out,
            "VR540\tVR\n\tFrench version\tVR540.fra\tVR540 V 2.2  FR\n"
            "\tEnglish version\tVR540.gb\tVR540 V 2.31 GB\n"
            "TK10B\tTK\n\tFrench version\tTK10B.fra\tTK10B V 1.3  FR\n"
            "\tEnglish version\tTK10B.gb\tTK10B V 1.42 GB\n"
            "TK20B\tTK20B\n\tFrench version\tTK20B.fra\tVersion : TK20B V3.10 FR\n"
            "\tEnglish version\tTK20B.gb\tVersion : TK20B V3.10 GB\n");
  // French labels come from the "LFR:" lines.
  EXPECT_NE(Cli({"list", "--lang", "fr"}).out.find("\tVersion française\tVR540.fra\t"),
            std::string::npos);
  for (const std::string type : {"VR540", "TK10B", "TK20B"}) {
    for (const std::string& file : {type + ".fra", type + ".gb"}) {
      CliResult info = Cli({"info", file});
      EXPECT_EQ(info.exitStatus, 0) << file;
      EXPECT_TRUE(info.out.rfind("form: A\n", 0) == 0 || info.out.rfind("form: B\n", 0) == 0)
          << info.out;
      EXPECT_EQ(info.out.find("version text: \n"), std::string::npos) << info.out;
    }
  }
  // The version text is shown safely: an escape sequence and a C1 escape are replaced.
  dir.Write("work/odd.gb", std::string("\x8A\x0AV\xE9r\x1B[2J\x9B\0zcs", 14));
  // It is no program file: a header and nothing behind it.
  CliResult odd = Cli({"info", "odd.gb"});
  EXPECT_EQ(odd.exitStatus, 1);
  EXPECT_EQ(odd.out,
            "form: B\ncounted length: 12\nversion text: V\xC3\xA9r?[2J\xE2\x80\xBA\n"
            "[file] no end record\n");
}

class CliLoad : public CliEndToEnd, public ::testing::WithParamInterface<FamilyLoad> {};

// One load per family against kznsim playing it. The unfinished load's question answered No:
// the tables are read out of the receiver and dumped. The first family keeps one dump file per
// port, the second none. The settings get the port's marker and dump type, nothing else.
TEST_P(CliLoad, LoadsAndWritesOnlyThePortsMarker) {
  const FamilyLoad& c = GetParam();
  if (c.unfinished) dir.Write("config/kznload.INI", "[LAST_LOADING]\n1=-1\n");
  CSimProcess sim;
  std::vector<std::string> simArgs{"--family", c.family, "--throttle", "--exit-after", "1"};
  simArgs.insert(simArgs.end(), c.simArgs.begin(), c.simArgs.end());
  ASSERT_TRUE(sim.Start(simArgs)) << sim.Error();
  std::vector<std::string> more{"--port", c.port};
  more.insert(more.end(), c.cliArgs.begin(), c.cliArgs.end());
  if (c.unfinished) more.insert(more.end(), {"--answer", "no"});
  CliResult load = Cli(Load(c.type, sim.SlavePath(), more, c.version, c.lang));
  EXPECT_EQ(load.exitStatus, 0) << load.err;
  EXPECT_EQ(load.out, c.out);
  // A progress line is written only when its text or percent changes.
  std::vector<std::string> progress;
  std::istringstream err(load.err);
  for (std::string line; std::getline(err, line);) {
    if (line.rfind("[progress] ", 0) == 0) progress.push_back(line);
  }
  EXPECT_GT(progress.size(), 2u) << load.err;
  EXPECT_EQ(std::adjacent_find(progress.begin(), progress.end()), progress.end()) << load.err;
  // What the receiver heard and holds after the load: every record of the file as it is,
  // the tables read out (answered No, afresh) and written back at the family's addresses,
  // the end record's sum, its good end.
  simreport::ExpectReportAsExpected(sim.Report(10000), KZN_SOURCE_DIR "/tests/cli/expected");
  EXPECT_EQ(dir.Exists("work/~tmp" + std::string(c.port) + ".tmp"),
            std::string(c.family) != "TK20B");
  EXPECT_EQ(Settings(), c.settings);
}

INSTANTIATE_TEST_SUITE_P(
    EachFamily, CliLoad,
    ::testing::Values(FamilyLoad{"VR", "VR", "VR540", "1", "en", "French version", true,
                                 kLastLoadingQuestion + "[answer] No\n" + kLoadedEnglish,
                                 "[LAST_LOADING]\n1=1\n[DUMP_TYPE]\n1=VR540\n"},
                      FamilyLoad{"TK", "TK", "TK10B", "2", "fr", "Version française", false,
                                 "[123] Chargement OK.\n",
                                 "[LAST_LOADING]\n2=1\n[DUMP_TYPE]\n2=TK10B\n"},
                      FamilyLoad{"TK20B", "TK20B", "TK20B", "3", "en", "French version", false,
                                 kLoadedEnglish, ""},
                      // User data kept: form B's header, "DXF" before the program's erase ends.
                      FamilyLoad{"TK20BKeepingUserData",
                                 "TK20B",
                                 "TK20B",
                                 "3",
                                 "en",
                                 "English version",
                                 false,
                                 kLoadedEnglish,
                                 "",
                                 {"--keep-user-data"},
                                 {"--dxf"}},
                      // "M01" twice and "P02" for record 1, "ECC" ten times for record 3: the most
                      // a record may take, each sent again whole.
                      FamilyLoad{"TK20BResends",
                                 "TK20B",
                                 "TK20B",
                                 "3",
                                 "en",
                                 "French version",
                                 false,
                                 kLoadedEnglish,
                                 "",
                                 {},
                                 {"--fault", "m-word=2", "--fault", "wrong-record=1", "--fault",
                                  "refuse-record=3:10"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CliEndToEnd, AFailedOrCancelledLoadEndsWithItsMessage) {
  const struct {
    std::string simOption, simValue;
    bool pressCtrlC;  // once the receiver erases its memory
    std::string out;
  } cases[] = {
      {"--fault", "silent=detect", false,
       "[114] Bad data on input.\n- Reset the receiver.\n- Check the input mode  in the "
       "receiver\n- Check the wiring of your link cable\n- Check the receiver type\n -Check "
       "the serial port is active (TK20B).\n"},
      {"--erase-ms", "30000", true, "[141] User cancel.\n"}};
  for (const auto& c : cases) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "TK20B", c.simOption, c.simValue})) << sim.Error();
    CliResult load = Cli(Load("TK20B", sim.SlavePath()), [&c](const std::string& err) {
      return c.pressCtrlC && err.find("Erasing") != std::string::npos;
    });
    EXPECT_EQ(load.interrupted, c.pressCtrlC);
    EXPECT_EQ(load.exitStatus, 1);
    EXPECT_EQ(load.out, c.out);
  }
}

// A program that holds the receiver's port without a lock (a terminal program, a modem
// manager probing a new adapter; here `sleep` given it as a descriptor) is named with its
// PID, and the receiver hears nothing.
TEST_F(CliEndToEnd, APortAnotherProgramHoldsIsNamedAndTheReceiverHearsNothing) {
  for (const std::string type : {"VR540", "TK20B"}) {
    SCOPED_TRACE(type);
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", type == "VR540" ? "VR" : "TK20B"})) << sim.Error();
    posix_spawn_file_actions_t actions;
    ASSERT_EQ(posix_spawn_file_actions_init(&actions), 0);
    posix_spawn_file_actions_addopen(&actions, 3, sim.SlavePath().c_str(), O_RDWR | O_NOCTTY, 0);
    char sleepName[] = "sleep", seconds[] = "60";
    char* argv[] = {sleepName, seconds, nullptr};
    pid_t holder = 0;
    ASSERT_EQ(posix_spawnp(&holder, "sleep", &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    CliResult load = Cli(Load(type, sim.SlavePath()));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    const std::string told = "[serial] COM1 (" + sim.SlavePath() +
                             ") could not be opened: another program has it open: sleep (PID " +
                             std::to_string(holder) + ").\nNothing was sent to the receiver.";
    EXPECT_EQ(load.exitStatus, 1);
    EXPECT_EQ(load.out.rfind(told, 0), 0u) << load.out;
    EXPECT_EQ(Received(sim.Report()), "");
  }
}

// The percent of the last "[progress] " line of the upload, -1 before it.
int UploadPercent(const std::string& err) {
  std::size_t line = err.rfind("[progress] ");
  if (line == std::string::npos || err.find("Loading in progress", line) == std::string::npos)
    return -1;
  return std::atoi(err.c_str() + line + 11);
}

// A load killed outright in the middle of its upload (as by a crash or a power cut) leaves
// the port marked unfinished; the next run, answered Yes, gives the receiver back its own
// doppler table and almanac from the dump the killed run left.
TEST_F(CliEndToEnd, AKilledUploadIsRestoredFromTheDumpByTheNextRun) {
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--exit-after", "2"})) << sim.Error();
  std::vector<std::string> args = Load("VR540", sim.SlavePath());
  CliResult killed = Cli(
      args, [](const std::string& err) { return UploadPercent(err) >= 10; }, SIGKILL);
  ASSERT_TRUE(killed.interrupted) << killed.err;
  EXPECT_EQ(killed.exitStatus, -1);
  EXPECT_LT(UploadPercent(killed.err), 100);
  EXPECT_NE(Settings().find("1=-1"), std::string::npos);

  args.insert(args.end(), {"--answer", "yes"});
  CliResult again = Cli(args);
  EXPECT_EQ(again.exitStatus, 0) << again.err;
  EXPECT_EQ(again.out, kLastLoadingQuestion + "[answer] Yes\n" + kLoadedEnglish);
  const simreport::Json report = sim.Report(10000);
  EXPECT_EQ(simreport::Joined(report.at("outcomes"), "", ","), "abandoned,5");
  // The kill may cut a record short on the line; nothing else is amiss.
  for (const simreport::Json& violation : report.at("violations"))
    EXPECT_EQ(violation.get<std::string>().rfind("port closed while", 0), 0u) << violation;
  // Asked once, for the first run only; both tables of that read-out went back whole.
  EXPECT_EQ(report.at("writeBack").size(), 43u);
  const simreport::Json& memory = report.at("memory");
  EXPECT_EQ(memory.at("doppler"), memory.at("initialDoppler"));
  EXPECT_EQ(memory.at("almanac"), memory.at("initialAlmanac"));
  EXPECT_NE(memory.at("initialDoppler"), "");
  EXPECT_NE(Settings().find("1=1"), std::string::npos);
}

TEST_F(CliEndToEnd, APortThatCannotBeOpenedIsNamedWithItsDeviceAndReason) {
  const std::string missing = dir.File("no-such-adapter");
  const std::string told =
      "[serial] COM1 (" + missing + ") could not be opened: No such file or directory.\n";
  for (const std::string type : {"VR540", "TK20B"}) {
    SCOPED_TRACE(type);
    CliResult load = Cli(Load(type, missing));
    EXPECT_EQ(load.exitStatus, 1) << load.err;
    ASSERT_EQ(load.out.rfind(told, 0), 0u) << load.out;
    // The second family has a message of its own for it; the first family has none.
    if (type == "VR540") {
      EXPECT_EQ(load.out, told);
    } else {
      EXPECT_NE(load.out.find("\n[1"), std::string::npos);
    }
    EXPECT_NE(load.err.find("Port could not be opened (" + missing), std::string::npos);
  }
}

TEST_F(CliEndToEnd, UsageErrorsExitWith2AndPrintNoMessageLine) {
  const std::string type = "VR540";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given"},
      {{"flash"}, "unknown command 'flash'"},
      {{"load", "--type", type}, "load needs --version LABEL or --file PATH"},
      {{"load", "--type", type, "--version", "v", "--file", "f"}, "not both"},
      {{"load", "--type", type, "--version", "x", "--port", "5"}, "from 1 to 4, not '5'"},
      {{"load", "--type", type, "--version", "x", "--port", "1,2,1"}, "names COM1 twice"},
      {{"load", "--type", type, "--version", "x", "--watch", "--device", "a"},
       "--watch finds its ports itself"},
      {{"load", "--type", type, "--version", "x", "--answer", "y"}, "--answer takes yes or no"},
      {{"load", "--type", "NO SUCH TYPE", "--version", "x"}, "unknown receiver type"},
      {{"load", "--type", type, "--version", "NO SUCH VERSION"}, "unknown language version"},
      {{"load", "--type", type, "--file", "missing.gb"}, "no such file"},
      {{"info", "missing.gb"}, "cannot open"},
  };
  for (const auto& [args, error] : cases) {
    CliResult result = Cli(args);
    EXPECT_EQ(result.exitStatus, 2) << error;
    EXPECT_EQ(result.out, "") << error;
    EXPECT_NE(result.err.find(error), std::string::npos) << result.err;
  }
  CliResult help = Cli({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("Examples:"), std::string::npos);
}

// A French run says everything in French: usage errors and --help follow --lang, else the
// stored language, before the command line is known to be good.
TEST_F(CliEndToEnd, UsageErrorsAndHelpSpeakTheLanguageOfTheRun) {
  const std::string type = "VR540";
  const struct {
    std::string settings;
    std::vector<std::string> args;
    int exitStatus;
    std::vector<std::string> said;  // on standard error, or on standard output for --help
  } cases[] = {
      {"",
       {"load", "--type", type, "--version", "x", "--port", "5", "--lang", "fr"},
       2,
       {"--port demande un numéro de port de 1 à 4, pas '5'", "Essayez 'kznload-cli --help'."}},
      {"[LANGUAGE]\nTYPE_LANG=0\n", {"flash"}, 2, {"commande inconnue 'flash'"}},
      {"[LANGUAGE]\nTYPE_LANG=0\n",
       {"load", "--type", "NO SUCH TYPE", "--version", "x"},
       2,
       {"type de récepteur inconnu 'NO SUCH TYPE'", "Types de récepteur :"}},
      {"[LANGUAGE]\nTYPE_LANG=0\n",
       {"info", "missing.gb"},
       2,
       {"impossible d'ouvrir missing.gb : " + std::string(std::strerror(ENOENT))}},
      {"", {"--help", "--lang", "fr"}, 0, {"Utilisation :", "Exemples :", "SIGTERM et SIGHUP"}},
      {"[LANGUAGE]\nTYPE_LANG=1\n", {"--help"}, 0, {"Exit status:", "SIGTERM and SIGHUP"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.settings);
    dir.Write("config/kznload.INI", c.settings);
    CliResult result = Cli(c.args);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    const std::string& said = c.exitStatus == 0 ? result.out : result.err;
    for (const std::string& text : c.said)
      EXPECT_NE(said.find(text), std::string::npos) << text << " in\n" << said;
  }
}

// The catalogue folder: --catalogue, else the current folder when it holds chgt.cfg, else
// the folder the desktop program remembers; the run writes none of it.
TEST_F(CliEndToEnd, TheCatalogueFolderComesFromTheOptionTheCurrentFolderOrTheSettings) {
  const std::string listed = Cli({"list", "--lang", "en"}).out;
  ASSERT_NE(listed, "");
  TempDir elsewhere, other;
  other.Write("chgt.cfg", "REC:Other\r\nNAM:OTHER\r\nE/S:VR\r\n");
  dir.Write("config/kznload.INI", "[FILE_LOCATION]\nCATALOGUE=" + work + "/\n");
  const std::string before = dir.Read("config/kznload.INI");
  const struct {
    std::string folder;  // where it runs
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {elsewhere.Path(), {"list", "--lang", "en"}, listed},
      {elsewhere.Path(), {"list", "--lang", "en", "--catalogue", work}, listed},
      {work, {"list", "--lang", "en", "--catalogue", other.Path()}, "Other\tVR\n"},
      {other.Path(), {"list", "--lang", "en"}, "Other\tVR\n"},  // the current folder wins
      {elsewhere.Path(),
       {"list", "--lang", "en", "--catalogue", "missing"},
       "[110] Error opening ini file.\n[file] " + elsewhere.File("missing/chgt.cfg") + ": " +
           std::strerror(ENOENT) + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder + " " + c.args.back());
    CliResult run = RunCli(c.args, c.folder, config);
    EXPECT_EQ(run.out, c.out) << run.err;
  }
  EXPECT_EQ(dir.Read("config/kznload.INI"), before);
}

}  // namespace
