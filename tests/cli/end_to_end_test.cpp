// kznload-cli as scripts run it: the built program in a copy of the sample catalogue folder,
// talking to kznsim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/cli/cli_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct ListedVersion {
  std::string label;
  std::string file;
  std::string versionLabel;
};
struct ListedType {
  std::string name;
  std::string family;
  std::vector<ListedVersion> versions;
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, '\t'))
    fields.push_back(field);
  return fields;
}

std::vector<ListedType> ParseList(const std::string& out) {
  std::vector<ListedType> types;
  std::stringstream stream(out);
  std::string line;
  while (std::getline(stream, line)) {
    std::vector<std::string> fields = SplitTabs(line);
    if (line[0] != '\t' && fields.size() == 2) {
      types.push_back({fields[0], fields[1], {}});
    } else if (!types.empty() && fields.size() == 4 && fields[0].empty()) {
      types.back().versions.push_back({fields[1], fields[2], fields[3]});
    } else {
      ADD_FAILURE() << "unexpected line of list: '" << line << "'";
    }
  }
  return types;
}

constexpr const char* kSuccessEnglish = "[123] Software version succesfully loaded.\n";

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(KZN_CLI_PATH) || !defined(KZN_SIM_PATH)
    GTEST_FAIL() << "kznload-cli and kznsim must be built for these tests";
#endif
    work = dir.File("work");
    config = dir.File("config");
    fs::copy(fs::path(KZN_BINARY_DIR) / "samples", work, fs::copy_options::recursive);
    fs::create_directories(config);
    CliResult list = Cli({"list", "--lang", "en"});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    types = ParseList(list.out);
    CliResult french = Cli({"list", "--lang", "fr"});
    ASSERT_EQ(french.exitStatus, 0) << french.err;
    frenchTypes = ParseList(french.out);
  }

  CliResult Cli(std::vector<std::string> args, std::function<bool(const std::string&)> when = {}) {
    return RunCli({std::move(args), work, config, std::move(when)});
  }

  // The first listed type of a family with a language version.
  const ListedType& TypeOf(const std::string& family, bool french = false) {
    for (const ListedType& type : french ? frenchTypes : types) {
      if (type.family == family && !type.versions.empty()) return type;
    }
    ADD_FAILURE() << "the samples list no loadable type of family " << family;
    static const ListedType none;
    return none;
  }

  std::string Settings() {
    std::ifstream in(config + "/kznload.INI");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDir dir;
  std::string work;
  std::string config;
  std::vector<ListedType> types;
  std::vector<ListedType> frenchTypes;
};

TEST_F(CliEndToEnd, ListAndInfoShowTheSamples) {
  for (const char* family : {"VR", "TK", "TK20B"}) {
    const ListedType& type = TypeOf(family);
    for (const ListedVersion& version : type.versions) {
      EXPECT_TRUE(fs::exists(fs::path(work) / version.file)) << version.file;
      CliResult info = Cli({"info", version.file});
      EXPECT_EQ(info.exitStatus, 0);
      EXPECT_TRUE(info.out.rfind("form: A\n", 0) == 0 || info.out.rfind("form: B\n", 0) == 0)
          << info.out;
      EXPECT_EQ(info.out.find("version text: \n"), std::string::npos) << info.out;
    }
  }
  // French labels come from the "LFR:" lines.
  EXPECT_NE(TypeOf("VR", true).versions[0].label, TypeOf("VR").versions[0].label);
}

TEST_F(CliEndToEnd, EachFamilyLoadsAndTellsSuccessInOneLine) {
  struct Case {
    const char* family;
    const char* port;
    const char* lang;
    const char* success;
    const char* outcome;
  };
  const Case cases[] = {{"VR", "2", "en", kSuccessEnglish, "5"},
                        {"TK", "1", "fr", "[123] Chargement OK.\n", "5"},
                        {"TK20B", "3", "en", kSuccessEnglish, "POK"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.family);
    const ListedType& type = TypeOf(c.family, std::string(c.lang) == "fr");
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", c.family, "--throttle", "--exit-after", "1"}))
        << sim.Error();
    CliResult load = Cli({"load", "--type", type.name, "--version", type.versions[0].label,
                          "--port", c.port, "--device", sim.SlavePath(), "--lang", c.lang});
    EXPECT_EQ(load.exitStatus, 0) << load.out << load.err;
    EXPECT_EQ(load.out, c.success);
    EXPECT_NE(load.err.find("[progress] "), std::string::npos);
    std::optional<json_lite::Value> report = sim.WaitForExit(10000);
    if (!report) report = sim.Stop();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->at("outcomes").at(std::size_t{0}).AsString(), c.outcome);
    EXPECT_EQ(report->at("violations").size(), 0u);
  }
  // The first family keeps one dump file per port and marks each port's load as ended
  // well; nothing but the markers is written to the settings.
  EXPECT_TRUE(fs::exists(fs::path(work) / "~tmp2.tmp"));
  EXPECT_TRUE(fs::exists(fs::path(work) / "~tmp1.tmp"));
  EXPECT_FALSE(fs::exists(fs::path(work) / "~tmp3.tmp"));
  std::string settings = Settings();
  EXPECT_NE(settings.find("[LAST_LOADING]"), std::string::npos) << settings;
  EXPECT_NE(settings.find("2=1"), std::string::npos) << settings;
  EXPECT_NE(settings.find("1=1"), std::string::npos) << settings;
  for (const char* key : {"PORT", "TYPE_LANG", "TYPE_UI", "DIR", "FILE", "REC", "WindowPos"}) {
    EXPECT_EQ(settings.find(std::string(key) + "="), std::string::npos) << key;
  }
}

TEST_F(CliEndToEnd, ASilentReceiverFailsWithItsMessage) {
  const ListedType& type = TypeOf("TK20B");
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "TK20B", "--fault", "silent=detect"})) << sim.Error();
  CliResult load = Cli({"load", "--type", type.name, "--version", type.versions[0].label,
                        "--device", sim.SlavePath(), "--lang", "en"});
  EXPECT_EQ(load.exitStatus, 1);
  EXPECT_EQ(load.out,
            "[114] Bad data on input.\n- Reset the receiver.\n- Check the input mode  in the "
            "receiver\n- Check the wiring of your link cable\n- Check the receiver type\n -Check "
            "the serial port is active (TK20B).\n");
}

TEST_F(CliEndToEnd, AnUnfinishedLoadIsAskedAboutAndAnsweredByOptionOrNo) {
  const ListedType& type = TypeOf("VR");
  std::vector<std::string> load = {
      "load", "--type", type.name, "--version", type.versions[0].label, "--lang", "en"};
  const std::string question =
      "[134] Last loading ended badly. Are you uploading the same receiver ?\n";
  {
    // A refused end record leaves the port marked as unfinished.
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--verdict", "4"})) << sim.Error();
    std::vector<std::string> args = load;
    args.insert(args.end(), {"--device", sim.SlavePath()});
    CliResult failed = Cli(args);
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_EQ(failed.out.find("[123]"), std::string::npos) << failed.out;
    EXPECT_NE(failed.out.rfind("[1", 0), std::string::npos) << failed.out;
    EXPECT_NE(Settings().find("1=-1"), std::string::npos) << Settings();
  }
  {
    // Yes: the tables come from the dump the failed load left; the load then succeeds.
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--exit-after", "1"})) << sim.Error();
    std::vector<std::string> args = load;
    args.insert(args.end(), {"--device", sim.SlavePath(), "--answer", "yes"});
    CliResult again = Cli(args);
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(again.out, question + "[answer] Yes\n" + kSuccessEnglish);
    std::optional<json_lite::Value> report = sim.Stop();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->at("dump").AsString(), "");  // the receiver was not asked for its tables
    EXPECT_NE(Settings().find("1=1"), std::string::npos);
  }
  {
    // Without --answer and without a terminal the answer is No: the tables are read out.
    std::ofstream(config + "/kznload.INI") << "[LAST_LOADING]\n1=-1\n";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--family", "VR", "--throttle", "--exit-after", "1"})) << sim.Error();
    std::vector<std::string> args = load;
    args.insert(args.end(), {"--device", sim.SlavePath()});
    CliResult asked = Cli(args);
    EXPECT_EQ(asked.exitStatus, 0) << asked.err;
    EXPECT_EQ(asked.out, question + "[answer] No\n" + kSuccessEnglish);
  }
  {
    // Yes without a dump file: message 113 and nothing is sent to the receiver.
    fs::remove(fs::path(work) / "~tmp1.tmp");
    std::ofstream(config + "/kznload.INI") << "[LAST_LOADING]\n1=-1\n";
    std::vector<std::string> args = load;
    args.insert(args.end(), {"--device", dir.File("no-such-device"), "--answer", "yes"});
    CliResult missing = Cli(args);
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.out, question + "[answer] Yes\n[113] Failure opening temp file\n");
  }
}

TEST_F(CliEndToEnd, CtrlCIsTheCancelButton) {
  const ListedType& type = TypeOf("TK20B");
  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "TK20B", "--erase-ms", "30000"})) << sim.Error();
  CliResult load =
      Cli({"load", "--type", type.name, "--version", type.versions[0].label, "--device",
           sim.SlavePath(), "--lang", "en"},
          [](const std::string& err) { return err.find("Erasing") != std::string::npos; });
  EXPECT_TRUE(load.interrupted);
  EXPECT_EQ(load.exitStatus, 1);
  EXPECT_EQ(load.out, "[141] User cancel.\n");
}

TEST_F(CliEndToEnd, UsageErrorsExitWith2AndPrintNoMessageLine) {
  const ListedType& type = TypeOf("VR");
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{"load", "--type", "NO SUCH TYPE", "--version", "x"}, "unknown receiver type"},
      {{"load", "--type", type.name, "--version", "NO SUCH VERSION"}, "unknown language version"},
      {{"load", "--type", type.name, "--file", "missing.gb"}, "no such file"},
      {{"load", "--type", type.name, "--version", "x", "--speed", "9600"}, "unknown option"},
      {{"load", "--type", type.name}, "--version LABEL or --file PATH"},
      {{"info", "missing.gb"}, "cannot open"},
      {{}, "no command"},
  };
  for (const Case& c : cases) {
    CliResult result = Cli(c.args);
    EXPECT_EQ(result.exitStatus, 2) << c.error;
    EXPECT_EQ(result.out, "") << c.error;
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
  }
  CliResult help = Cli({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("Examples:"), std::string::npos);
}

}  // namespace
