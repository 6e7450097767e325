// A 30 kB VR load against kznsim throttled to the line rate, measured against its floor:
// the line time of every byte both ways, the receiver's own reply time, 50 ms behind each
// data record's answer and the sequence's fixed pauses. Prints wall time, floor, their
// ratio and the CPU share of one core. The argument is the number of data bytes of each
// record (1 to 256, default 256): where a record's line time ends against the answer
// wait's 50 ms step depends on it.
#if __has_include("serial/serial_port.h") && defined(KZN_SIM_PATH)

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "base/silent_user_interaction.h"
#include "loader/first/first_family.h"
#include "loader/first/first_timing.h"
#include "loader/load_context.h"
#include "serial/serial_port.h"
#include "tests/support/program_file.h"

namespace {

// Records the boxes shown (a question is answered No); the serial layer's go to stderr.
class QuietUi : public CSilentUserInteraction {
 public:
  int ShowMessageBox(const MessageBoxRequest& r) override {
    shown.push_back(r.TextNumber());
    return kResultNo;
  }
  void ShowSerialMessage(const std::string& text) override {
    std::fprintf(stderr, "[serial] %s\n", text.c_str());
  }
  std::vector<int> shown;
};

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Line time of `bytes` at `bitRate` with start bit, 8 data bits and `stopBits`.
double LineSeconds(double bytes, double bitRate, double stopBits) {
  return bytes * (9.0 + stopBits) / bitRate;
}

// The number of "hex" characters of a field's string value, halved: a cheap look into the
// report without a JSON reader in the core.
std::vector<std::string> Fields(const std::string& text, const std::string& key) {
  std::vector<std::string> values;
  std::string pattern = "\"" + key + "\":";
  for (std::size_t at = text.find(pattern); at != std::string::npos;
       at = text.find(pattern, at + 1)) {
    std::size_t start = at + pattern.size();
    while (start < text.size() && text[start] == ' ')
      ++start;
    std::size_t end = start;
    if (text[start] == '"') {
      end = text.find('"', start + 1);
      values.push_back(text.substr(start + 1, end - start - 1));
    } else {
      while (end < text.size() && text[end] != ',' && text[end] != '}' && text[end] != '\n')
        ++end;
      values.push_back(text.substr(start, end - start));
    }
  }
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  const int kDataBytes = argc > 1 ? std::atoi(argv[1]) : 256;
  if (kDataBytes < 1 || kDataBytes > 256) {
    std::fprintf(stderr, "usage: vr_load_bench [data bytes per record, 1 to 256]\n");
    return 2;
  }
  char folderTemplate[] = "/tmp/kzn_vr_bench_XXXXXX";
  std::string folder = ::mkdtemp(folderTemplate);
  std::string report = folder + "/report.json";

  int out[2];
  if (::pipe(out) != 0) return 1;
  pid_t sim = ::fork();
  if (sim == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::execl(KZN_SIM_PATH, KZN_SIM_PATH, "--family", "VR", "--throttle", "--report", report.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string slave;
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n')
    slave.push_back(c);

  // 29952 data bytes (117 records of 256 bytes, count byte 255): about 30 kB.
  const int kRecords = (29952 + kDataBytes - 1) / kDataBytes;
  std::vector<program_file::Bytes> blocks(kRecords);
  for (int r = 0; r < kRecords; ++r)
    for (int i = 0; i < kDataBytes; ++i)
      blocks[static_cast<std::size_t>(r)].push_back(static_cast<std::uint8_t>(r * 7 + i * 3));
  const program_file::Bytes file =
      program_file::FirstFamilyFile(program_file::HeaderA("VR540 V2.50 FR"), blocks, 0x020000);
  std::ofstream(folder + "/VR540.fra", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  std::ofstream(folder + "/chgt.cfg") << "REC:VR540\nNAM:VR540\nE/S:VR\nWRG:VR LOADER BAD "
                                         "CHECKSUM\n";

  QuietUi ui;
  CSteadyClock clock;
  CSettingsStore settings(folder + "/kznload.INI");
  CSerialPort port(ui, [&](int) { return slave; });
  CLoaderState w(ui, clock, settings, port);
  w.catalogueFolder = folder;
  w.receiverTypes.entries = {"VR540"};
  w.receiverTypes.selection = 0;
  w.folder = folder + "/";
  w.fileName = "VR540.fra";

  double cpuBefore = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  LoadContext context = LoadContextOf(w, Family::kVr);
  RunFirstFamilyLoad(context, LoadTargetOf(w), w.tables);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = CpuSeconds() - cpuBefore;

  ::kill(sim, SIGTERM);
  ::waitpid(sim, nullptr, 0);
  std::stringstream text;
  text << std::ifstream(report).rdbuf();
  std::string json = text.str();

  // Loader to receiver: every byte the receiver heard, at the rate it heard it.
  double line = 0;
  std::vector<std::string> rates = Fields(json, "bitRate");
  std::vector<std::string> stops = Fields(json, "stopBits");
  std::vector<std::string> heard = Fields(json, "bytes");
  for (std::size_t i = 0; i < heard.size() && i < rates.size() && i < stops.size(); ++i)
    line += LineSeconds(static_cast<double>(heard[i].size()) / 2, std::stod(rates[i]),
                        std::stod(stops[i]));
  // Receiver to loader: the dump it streamed and one answer byte per record, at 9600 with
  // the one stop bit the simulated receiver sends (the loader's UART takes it).
  double answers = static_cast<double>(Fields(json, "answer").size());
  std::vector<std::string> stream = Fields(json, "dumpStream");
  double streamed = stream.empty() ? 0 : static_cast<double>(stream[0].size()) / 2;
  line += LineSeconds(streamed + answers + 1, 9600, 1);

  using namespace first_timing;
  // The first wake sentence is still on the line during the pause behind it, and the
  // read-out request during its settle time: those pauses overlap line time counted above.
  double overlap = LineSeconds(21, 4800, 2) + kReadOutRequestSettleMs / 1000.0;
  double pauses =
      (2000.0 /* no wrong-checksum text before the read-out */ + kReadOutRequestSettleMs +
       kCaptureSilenceMs + 2 * kVrPortSettleMs + kVrBetweenWakeSentencesMs + kVrAfterZeroPauseMs) /
          1000.0 -
      overlap;
  // The simulated receiver's own time: it starts its dump 100 ms after the request and is
  // ready 1100 ms after the "0", 100 ms past the loader's own pause. It judges a record a
  // few milliseconds before its last bit is due, so its 3 ms answer delay costs nothing.
  double receiver = (100.0 + (1100.0 - kVrAfterZeroPauseMs)) / 1000.0;
  double perRecord = kRecords * kAnswerSettleMs / 1000.0;
  double floor = line + receiver + perRecord + pauses;

  bool ok = ui.shown == std::vector<int>{kMsgLoadingOk};
  std::printf("vr_load_bench: %zu bytes, %d data records of %d bytes at 9600 bit/s 8N2, %s\n",
              file.size(), kRecords, kDataBytes, ok ? "loaded" : "FAILED");
  std::printf("  wall %.2f s, floor %.2f s: wall / floor %.3f\n", wall, floor, wall / floor);
  std::printf("  floor: line %.2f + receiver %.2f + 50 ms x %d records %.2f + pauses %.2f s\n",
              line, receiver, kRecords, perRecord, pauses);
  std::printf("  cpu %.3f s: %.2f%% of one core\n", cpu, cpu / wall * 100);
  std::system(("rm -rf " + folder).c_str());
  return ok ? 0 : 1;
}

#else

#include <cstdio>

int main() {
  std::puts("vr_load_bench: needs kznsim and the serial port in this build");
  return 0;
}

#endif
