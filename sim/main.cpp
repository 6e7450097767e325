// kznsim: a GPS receiver of either family on a pseudo-terminal, for tests and demonstrations.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim/options.h"
#include "sim/pty_line.h"
#include "sim/receiver.h"
#include "sim/sim_loop.h"

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  char c = 's';
  // Nothing to do if the pipe is full: a stop is already pending.
  ssize_t ignored = write(g_stopPipe[1], &c, 1);
  (void)ignored;
}

bool InstallSignals() {
  if (pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return true;
}

bool LoadTables(const kznsim::SimOptions& options, kznsim::TableMemory* tables) {
  if (options.tables.empty()) {
    *tables = kznsim::GenerateTables(options.seed, kznsim::CurrentGpsWeek());
    return true;
  }
  std::ifstream in(options.tables, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kznsim: cannot read %s\n", options.tables.c_str());
    return false;
  }
  kznsim::Bytes dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto parsed = kznsim::TablesFromDump(dump);
  if (!parsed) {
    std::fprintf(stderr, "kznsim: %s does not hold 45 good dump records\n", options.tables.c_str());
    return false;
  }
  *tables = *parsed;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kznsim::SimOptions options;
  std::string error;
  if (!kznsim::ParseSimOptions(args, &options, &error)) {
    std::fprintf(stderr, "kznsim: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kznsim::kSimUsageText, stdout);
    return 0;
  }
  kznsim::TableMemory tables;
  if (!LoadTables(options, &tables)) return 2;
  if (!InstallSignals()) {
    std::perror("kznsim: pipe");
    return 1;
  }

  kznsim::CPtyLine line;
  if (!line.Open(&error)) {
    std::fprintf(stderr, "kznsim: %s\n", error.c_str());
    return 1;
  }
  if (!options.link.empty()) {
    struct stat st {};
    if (lstat(options.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(options.link.c_str());
    if (symlink(line.SlavePath().c_str(), options.link.c_str()) != 0) {
      std::perror("kznsim: symlink");
      return 1;
    }
  }
  std::printf("%s\n", line.SlavePath().c_str());
  std::fflush(stdout);

  kznsim::SimReport report;
  report.family = kznsim::FamilyName(options.family);
  kznsim::CSimLoop loop(line, options, report, g_stopPipe[0]);
  auto receiver = kznsim::MakeReceiver(options.family, loop, options, report, tables);
  loop.SetReceiver(receiver.get());
  loop.Run();

  if (!options.link.empty()) unlink(options.link.c_str());
  int status = 0;
  if (!options.report.empty() && !kznsim::WriteReportFile(report, options.report)) {
    std::fprintf(stderr, "kznsim: cannot write the report to %s\n", options.report.c_str());
    status = 1;
  }
  return status;
}
