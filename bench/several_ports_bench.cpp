// Four receivers loaded at once by two kznload-cli runs of two ports each, against four
// kznsim at line speed: two VR at 9600 bit/s (a 30 kB file) and two TK20B at 115200 bit/s (a
// 200 kB file). Each load's time, from the journal of loads, is measured against its own floor
// (the line time of every byte both ways, the receiver's own time and the sequence's fixed
// pauses); the CPU of both runs together against one core.
#if __has_include("serial/serial_port.h") && defined(KZN_SIM_PATH) && defined(KZN_CLI_PATH) && \
                  !defined(_WIN32)

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "loader/first/first_timing.h"
#include "loader/second/tk20b_timing.h"
#include "tests/support/program_file.h"

namespace {

using Json = nlohmann::json;

constexpr int kVrRecords = 117;  // of 256 data bytes: about 30 kB
constexpr std::size_t kTk20bProgramBytes = 200 * 1024;
constexpr std::uint8_t kTk20bCount = 128;

double LineSeconds(double bytes, double bitRate, double stopBits) {
  return bytes * (9.0 + stopBits) / bitRate;
}

std::string VrFile() {
  std::vector<program_file::Bytes> blocks(kVrRecords);
  for (int r = 0; r < kVrRecords; ++r)
    for (int i = 0; i < 256; ++i)
      blocks[static_cast<std::size_t>(r)].push_back(static_cast<std::uint8_t>(r * 7 + i * 3));
  const program_file::Bytes file =
      program_file::FirstFamilyFile(program_file::HeaderA("VR540 V2.50 FR"), blocks, 0x020000);
  return std::string(file.begin(), file.end());
}

// Records of 128 words (266 bytes) up to 200 kB.
std::string Tk20bFile(std::size_t* headerSize, std::size_t* records) {
  const program_file::Bytes header = program_file::HeaderA("BENCH V1.0");
  *headerSize = header.size();
  *records = (kTk20bProgramBytes + 2u * kTk20bCount + 9u) / (2u * kTk20bCount + 10u);
  std::vector<program_file::Bytes> blocks(*records);
  for (std::size_t r = 0; r < *records; ++r)
    for (std::size_t i = 0; i < 2u * kTk20bCount; ++i)
      blocks[r].push_back(static_cast<std::uint8_t>(i * 13 + r));
  const program_file::Bytes file = program_file::SecondFamilyFile(header, blocks);
  return std::string(file.begin(), file.end());
}

pid_t StartSimulator(const std::string& family, const std::string& report, std::string* slave) {
  int out[2];
  if (::pipe(out) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execl(KZN_SIM_PATH, KZN_SIM_PATH, "--family", family.c_str(), "--throttle", "--report",
            report.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n')
    slave->push_back(c);
  ::close(out[0]);
  return pid;
}

pid_t StartCli(const std::string& folder, const std::vector<std::string>& args,
               const std::string& output) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
    std::FILE* out = std::fopen(output.c_str(), "w");
    if (out != nullptr) {
      ::dup2(::fileno(out), STDOUT_FILENO);
      ::dup2(::fileno(out), STDERR_FILENO);
    }
    std::vector<char*> argv{const_cast<char*>(KZN_CLI_PATH)};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(KZN_CLI_PATH, argv.data());
    ::_exit(127);
  }
  return pid;
}

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

std::string Hex(const Json& value) {
  return value.is_string() ? value.get<std::string>() : std::string();
}

// The VR load's floor: every byte the receiver heard at the rate it heard it, the dump and
// one answer per record back, 50 ms behind each data record's answer, the receiver's own
// time and the sequence's fixed pauses.
double VrFloor(const Json& report) {
  using namespace first_timing;
  double line = 0;
  for (const Json& phase : report.at("phases")) {
    line += LineSeconds(static_cast<double>(Hex(phase.at("bytes")).size()) / 2,
                        phase.at("bitRate").get<double>(), phase.at("stopBits").get<double>());
  }
  const double answers = static_cast<double>(report.at("records").size());
  const double streamed = static_cast<double>(Hex(report.at("dumpStream")).size()) / 2;
  line += LineSeconds(streamed + answers + 1, 9600, 1);
  const double overlap = LineSeconds(21, 4800, 2) + kReadOutRequestSettleMs / 1000.0;
  const double pauses = (2000.0 + kReadOutRequestSettleMs + kCaptureSilenceMs +
                         2 * kVrPortSettleMs + kVrBetweenWakeSentencesMs + kVrAfterZeroPauseMs) /
                            1000.0 -
                        overlap;
  const double receiver = (100.0 + (1100.0 - kVrAfterZeroPauseMs)) / 1000.0;
  return line + receiver + kVrRecords * kAnswerSettleMs / 1000.0 + pauses;
}

// The TK20B load's floor: the second wake sentence behind the 250 ms pause, the receiver's
// text, the preparation sentence and its "PRG" at 4800 bit/s, the 300 ms erase, then every
// record and its reply word at the agreed rate.
double Tk20bFloor(double recordBytes, std::size_t records, double rate) {
  const double wake = kTk20bWakeSentenceGapMs / 1000.0 + LineSeconds(21, 4800, 2);
  const double text = LineSeconds(20, 4800, 1) + kTk20bDetectionPassPauseMs / 1000.0;
  const double prepare = LineSeconds(25, 4800, 2) + 0.020 + LineSeconds(5, 4800, 1);
  const double erase = 0.300;
  const double transfer = (recordBytes + 5.0 * static_cast<double>(records + 1)) * 10.0 / rate;
  return wake + text + prepare + erase + transfer;
}

}  // namespace

int main() {
  char folderTemplate[] = "/tmp/kzn_ports_bench_XXXXXX";
  const std::string folder = ::mkdtemp(folderTemplate);
  std::size_t tkHeader = 0, tkRecords = 0;
  const std::string tkFile = Tk20bFile(&tkHeader, &tkRecords);
  std::ofstream(folder + "/VR540.fra", std::ios::binary) << VrFile();
  std::ofstream(folder + "/TK20B.gb", std::ios::binary) << tkFile;
  std::ofstream(folder + "/chgt.cfg")
      << "REC:VR540\nNAM:VR540\nE/S:VR\nWRG:VR LOADER BAD CHECKSUM\n"
      << "REC:TK20B\nNAM:TK20B\nE/S:TK20B\nWRG:TK20B BOOT WAITING\n";

  struct Receiver {
    std::string family;
    int port;
    std::string slave;
    pid_t pid = -1;
  };
  std::vector<Receiver> receivers{{"VR", 1, {}}, {"VR", 2, {}}, {"TK20B", 3, {}}, {"TK20B", 4, {}}};
  for (Receiver& r : receivers) {
    r.pid =
        StartSimulator(r.family, folder + "/report" + std::to_string(r.port) + ".json", &r.slave);
    if (r.pid <= 0 || r.slave.empty()) {
      std::fprintf(stderr, "kznsim did not start\n");
      return 1;
    }
  }
  auto device = [&](int i) { return std::to_string(receivers[i].port) + "=" + receivers[i].slave; };
  const auto start = std::chrono::steady_clock::now();
  const pid_t vr = StartCli(folder,
                            {"load", "--type", "VR540", "--file", "VR540.fra", "--device",
                             device(0), "--device", device(1), "--lang", "en", "--answer", "no"},
                            folder + "/vr.out");
  const pid_t tk = StartCli(folder,
                            {"load", "--type", "TK20B", "--file", "TK20B.gb", "--device", device(2),
                             "--device", device(3), "--lang", "en"},
                            folder + "/tk.out");
  double cpu = 0;
  bool ok = true;
  for (pid_t pid : {vr, tk}) {
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (Receiver& r : receivers) {
    ::kill(r.pid, SIGTERM);
    ::waitpid(r.pid, nullptr, 0);
  }

  std::map<int, double> loadSeconds;
  std::ifstream journal(folder + "/state/kznload/journal.jsonl");
  for (std::string line; std::getline(journal, line);) {
    const Json entry = Json::parse(line, nullptr, false);
    if (entry.is_object() && entry.contains("port") && entry.contains("durationMs"))
      loadSeconds[entry.at("port").get<int>()] = entry.at("durationMs").get<double>() / 1000.0;
  }
  std::printf(
      "several_ports_bench: 2 x VR540 (%d records, 9600 bit/s) and 2 x TK20B (%zu kB, "
      "115200 bit/s) at once, %s\n",
      kVrRecords, kTk20bProgramBytes / 1024, ok ? "all loaded" : "NOT ALL LOADED");
  bool within = ok;
  for (const Receiver& r : receivers) {
    std::ifstream in(folder + "/report" + std::to_string(r.port) + ".json");
    const Json report = Json::parse(in, nullptr, false);
    if (report.is_discarded() || loadSeconds.count(r.port) == 0) {
      std::printf("  COM%d: no report or no journal line\n", r.port);
      within = false;
      continue;
    }
    const double floor =
        r.family == "VR"
            ? VrFloor(report)
            : Tk20bFloor(static_cast<double>(tkFile.size() - tkHeader), tkRecords, 115200);
    const double ratio = loadSeconds[r.port] / floor;
    within = within && ratio <= 1.03;
    std::printf("  COM%d %-5s wall %6.2f s, floor %6.2f s: wall / floor %.3f\n", r.port,
                r.family.c_str(), loadSeconds[r.port], floor, ratio);
  }
  std::printf("  both runs: cpu %.3f s over %.2f s: %.2f%% of one core\n", cpu, wall,
              cpu / wall * 100.0);
  std::printf("  every load within 1.03 of its floor: %s\n", within ? "yes" : "no");
  std::filesystem::remove_all(folder);
  return ok ? 0 : 1;
}

#else

#include <cstdio>

int main() {
  std::puts("several_ports_bench: needs kznsim, kznload-cli and a POSIX system");
  return 0;
}

#endif
