// The journal of loads from the command line: `journal` as a table, as raw lines, with its
// filters and over lines it cannot read; the line a real load against kznsim writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/load_journal.h"
#include "cli/cli_journal.h"
#include "cli/cli_options.h"
#include "tests/cli/cli_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace {

struct Shown {
  int status;
  std::string out, err;
};

// Three loads, the second in expert mode (a file, no language version); what a line leaves out
// reads as unknown.
const std::string kLines[] = {
    R"({"start":"2025-03-01T10:00:00.123Z","port":1,"device":"/dev/ttyUSB0",)"
    R"("receiverType":"VR540","languageVersion":"Version française","outcome":"loaded",)"
    R"("messageId":123,"recordsSent":120,"durationMs":41234})",
    R"({"start":"2025-03-02T08:30:00.000Z","port":2,"device":"/dev/ttyUSB1",)"
    R"("receiverType":"TK20B","file":"/home/u/TK20B.gb","outcome":"failed","messageId":119,)"
    R"("recordsSent":120,"resends":3,"durationMs":41234})",
    R"({"start":"2025-03-03T23:59:59.999Z","port":1,"device":"/dev/ttyUSB0",)"
    R"("receiverType":"VR540","languageVersion":"Version française","outcome":"cancelled",)"
    R"("recordsSent":120,"durationMs":41234})"};

class CliJournal : public ::testing::Test {
 protected:
  // The second line of the file is none of ours.
  CliJournal() {
    dir.Write("journal.jsonl",
              kLines[0] + "\nnot a line of the journal\n" + kLines[1] + "\n" + kLines[2] + "\n");
  }

  Shown Show(const std::vector<std::string>& args) {
    std::vector<std::string> command{"journal"};
    command.insert(command.end(), args.begin(), args.end());
    CliParseResult parsed = ParseCommandLine(command);
    EXPECT_TRUE(parsed.options) << parsed.error;
    if (!parsed.options) return {-1, "", ""};
    std::ostringstream out, err;
    const int status = ShowJournal(dir.File("journal.jsonl"), parsed.options->journal, out, err);
    return {status, out.str(), err.str()};
  }

  TempDir dir;
};

TEST_F(CliJournal, ATableOfTheChosenLoadsOrTheirOwnLinesAndANoteForALineItCannotRead) {
  const Shown table = Show({});
  EXPECT_EQ(table.status, kExitLoaded);
  EXPECT_EQ(table.out,
            "START (UTC)          PORT  DEVICE        TYPE   VERSION OR FILE    OUTCOME       "
            "RECORDS  RESENT  DURATION\n"
            "2025-03-01 10:00:00  COM1  /dev/ttyUSB0  VR540  Version française  loaded [123]  "
            "120      0       41.2 s\n"
            "2025-03-02 08:30:00  COM2  /dev/ttyUSB1  TK20B  TK20B.gb           failed [119]  "
            "120      3       41.2 s\n"
            "2025-03-03 23:59:59  COM1  /dev/ttyUSB0  VR540  Version française  cancelled     "
            "120      0       41.2 s\n");
  EXPECT_EQ(table.err, "kznload-cli: line 2 of the journal skipped: not JSON\n");

  EXPECT_EQ(Show({"--json", "--port", "1"}).out, kLines[0] + "\n" + kLines[2] + "\n");
  // Days are whole days: --until takes in the last millisecond of its day.
  EXPECT_EQ(Show({"--json", "--since=2025-03-02", "--until", "2025-03-03"}).out,
            kLines[1] + "\n" + kLines[2] + "\n");
  EXPECT_EQ(Show({"--json", "--until", "2025-03-01"}).out, kLines[0] + "\n");
  const Shown none = Show({"--port", "3"});
  EXPECT_EQ(none.status, kExitLoaded);
  EXPECT_EQ(none.out, "");
}

TEST_F(CliJournal, NoJournalYetIsNoErrorAndOneThatCannotBeReadIs) {
  std::ostringstream out, err;
  EXPECT_EQ(ShowJournal(dir.File("none.jsonl"), {}, out, err), kExitLoaded);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("no load in the journal yet"), std::string::npos) << err.str();
  std::filesystem::create_directory(dir.File("folder.jsonl"));
  EXPECT_EQ(ShowJournal(dir.File("folder.jsonl"), {}, out, err), kExitFailed);
}

TEST(CliJournalCommandLine, IsRefusedWithAReason) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--until", "2025-02-30"},                           // no such day
           {"--since", "2025-03-02", "--until", "2025-03-01"},  // days the wrong way round
           {"--port", "COM1"},                                  // a port by its name
           {"journal.jsonl"}}) {                                // an argument
    std::vector<std::string> command{"journal"};
    command.insert(command.end(), args.begin(), args.end());
    const CliParseResult parsed = ParseCommandLine(command);
    EXPECT_FALSE(parsed.options) << args[0];
    EXPECT_FALSE(parsed.error.empty()) << args[0];
  }
}

using CliJournalEndToEnd = CliSamples;

TEST_F(CliJournalEndToEnd, ARealLoadWritesItsLineAndJournalShowsIt) {
  CSimProcess sim;
  // The fifth data record is refused twice and sent again.
  ASSERT_TRUE(sim.Start(
      {"--family", "TK20B", "--throttle", "--exit-after", "1", "--fault", "refuse-record=5:2"}))
      << sim.Error();
  const CliResult load =
      Cli(Load("TK20B", sim.SlavePath(), {"--port", "2"}, "Version anglaise", "fr"));
  ASSERT_EQ(load.exitStatus, 0) << load.out << load.err;
  const simreport::Json report = sim.Report(10000);

  std::string why;
  const std::vector<JournalLine> lines = ReadJournalLines(
      CLoadJournal::ReadContent(config + "/kznload/journal.jsonl", &why).value_or(""));
  ASSERT_EQ(lines.size(), 1u) << why;
  ASSERT_TRUE(lines[0].entry) << lines[0].problem << "\n" << lines[0].text;
  const JournalEntry& e = *lines[0].entry;
  // This load's port, device and counts; the file's size and digest are StartLoad's, checked
  // in tests/app/load_journal_test.cpp.
  EXPECT_EQ(std::tie(e.port, e.device, e.receiverType, e.languageVersion, e.outcome, e.messageId,
                     e.recordsSent, e.resends),
            std::tuple(2, sim.SlavePath(), "TK20B", "Version anglaise", LoadEnd::kLoaded,
                       kMsgLoadingOk, report.at("recordsAccepted").get<int>(), 2));
  EXPECT_EQ(std::filesystem::path(e.file).lexically_normal(),
            (std::filesystem::path(work) / "TK20B.gb").lexically_normal());

  const CliResult raw = Cli({"journal", "--json"});
  EXPECT_EQ(raw.exitStatus, 0) << raw.err;
  EXPECT_EQ(raw.out, lines[0].text + "\n");
  const CliResult table = Cli({"journal", "--port", "2"});
  EXPECT_NE(table.out.find("COM2  " + sim.SlavePath() + "  TK20B  Version anglaise  loaded [123]"),
            std::string::npos)
      << table.out;
}

}  // namespace
