// A second-family load of a 200 kB program (data records with count byte 128) against
// kznsim throttled to the line rate: the transfer's wall time against its floor, the line
// time of every byte both ways plus the receiver's own reply time, and the CPU time the
// whole process used meanwhile.
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "base/clock.h"
#include "base/progress.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"
#include "loader/load_context.h"
#include "loader/program_image.h"
#include "loader/second/tk20b_steps.h"
#include "serial/serial_port.h"
#include "tests/support/program_file.h"

namespace {

constexpr std::size_t kProgramBytes = 200 * 1024;
constexpr std::uint8_t kCount = 128;
constexpr const char* kWrongChecksumText = "TK20B BOOT WAITING";

class QuietUi : public UserInteraction {
 public:
  int ShowMessageBox(const MessageBoxRequest& r) override {
    std::fprintf(stderr, "[%d] %s\n", r.TextNumber(), r.text.c_str());
    return 7;
  }
  void ShowSerialMessage(const std::string& text) override {
    std::fprintf(stderr, "[serial] %s\n", text.c_str());
  }
  void ShowFileReadError() override { std::fprintf(stderr, "Error while reading file\n"); }
  bool OpenProgress(const std::string&) override { return true; }
  void SetProgressText(const std::string&) override {}
  int SetProgressPosition(int) override { return 0; }
  int PollCancel() override { return 0; }
  void CloseProgress() override {}
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

pid_t StartSimulator(std::string* slave) {
  int out[2];
  if (pipe(out) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(KZN_SIM_PATH, KZN_SIM_PATH, "--family", "TK20B", "--throttle", "--wrg",
          kWrongChecksumText, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n')
    slave->push_back(c);
  close(out[0]);
  return pid;
}

}  // namespace

int main() {
  std::string slave;
  pid_t sim = StartSimulator(&slave);
  if (sim <= 0 || slave.empty()) {
    std::fprintf(stderr, "kznsim did not start\n");
    return 1;
  }
  char folderTemplate[] = "/tmp/tkbench.XXXXXX";
  std::string folder = mkdtemp(folderTemplate);

  // Records of 128 words (266 bytes) up to 200 kB.
  const program_file::Bytes header = program_file::HeaderA("BENCH V1.0");
  const std::size_t headerSize = header.size();
  const std::size_t records = (kProgramBytes + 2u * kCount + 9u) / (2u * kCount + 10u);
  std::vector<program_file::Bytes> blocks(records);
  for (std::size_t r = 0; r < records; ++r)
    for (std::size_t i = 0; i < 2u * kCount; ++i)
      blocks[r].push_back(static_cast<std::uint8_t>(i * 13 + r));
  const program_file::Bytes bytes = program_file::SecondFamilyFile(header, blocks);
  const std::string file(bytes.begin(), bytes.end());
  std::ofstream(folder + "/TK20B.gb", std::ios::binary) << file;
  std::ofstream(folder + "/chgt.cfg")
      << "REC:TK20B\nNAM:TK20B\nE/S:TK20B\nWRG:" << kWrongChecksumText << "\nLGB:gb;English\n";

  QuietUi ui;
  CSteadyClock clock;
  CSettingsStore settings(folder + "/kznload.INI");
  CSerialPort port(ui, [&](int) { return slave; });
  CLoaderState w(ui, clock, settings, port);
  w.catalogueFolder = folder;
  w.receiverTypes.entries = {"TK20B"};
  w.receiverTypes.selection = 0;
  w.folder = folder + "/";
  w.fileName = "TK20B.gb";
  CProgress progress(ui, w.language);
  progress.OpenProgress();

  std::uint32_t rate = 0;
  ProgramImage image;
  LoadContext context = LoadContextOf(w, Family::kTk20b);
  const LoadTarget target = LoadTargetOf(w);
  Tk20bResult result = Tk20bLoadImage(context, target, &image);
  if (result == kStepOk) result = Tk20bDetect(context, target, progress);
  if (result == kStepOk) result = Tk20bPrepare(context, target, progress, &rate);
  double cpu0 = CpuSeconds();
  auto wall0 = std::chrono::steady_clock::now();
  if (result == kStepOk) result = Tk20bTransfer(context, target, progress, rate, image);
  auto wall1 = std::chrono::steady_clock::now();
  double cpu1 = CpuSeconds();

  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  std::filesystem::remove_all(folder);
  if (result != kStepOk) {
    std::fprintf(stderr, "load failed: %d\n", static_cast<int>(result));
    return 1;
  }

  // Both directions share the exchange: each record waits for its reply word. The
  // simulated receiver judges a record a few milliseconds before its last bit is due, so
  // its 2 ms reply delay adds nothing to the floor.
  const double recordBytes = static_cast<double>(file.size() - headerSize);
  const double replyBytes = 5.0 * static_cast<double>(records + 1);
  const double recordSeconds = recordBytes * 10.0 / rate;
  const double floorSeconds = (recordBytes + replyBytes) * 10.0 / rate;
  const double wallSeconds = std::chrono::duration<double>(wall1 - wall0).count();
  const double cpuSeconds = cpu1 - cpu0;
  std::printf("tk20b_load_bench: %zu data records + end, %.0f bytes at %u bit/s 8N1\n", records,
              recordBytes, rate);
  std::printf("  wall %.2f s, floor %.2f s (records alone %.2f s): wall / floor %.3f\n",
              wallSeconds, floorSeconds, recordSeconds, wallSeconds / floorSeconds);
  std::printf("  cpu %.3f s: %.2f%% of one core\n", cpuSeconds, cpuSeconds / wallSeconds * 100.0);
  return 0;
}
