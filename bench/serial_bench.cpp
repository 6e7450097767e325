// Figures for the serial port over a pseudo-terminal: what an open idle port costs, what
// a caller polling it "without pause" costs, and how long single-byte writes take.
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "base/silent_user_interaction.h"
#include "serial/serial_port.h"

namespace {

double ProcessCpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  int master = -1;
  int slave = -1;
  char name[128] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  CSilentUserInteraction ui;
  std::string path = name;
  CSerialPort port(ui, [&path](int) { return path; });
  if (!port.OpenPort(1, 115200, 'N', 8, 1)) return 1;

  double cpu = ProcessCpuMs();
  auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(10));
  double used = ProcessCpuMs() - cpu;
  std::printf("open idle port:          %8.1f ms CPU in %.0f ms (%.3f %% of a core)\n", used,
              Since(start), 100.0 * used / Since(start));

  cpu = ProcessCpuMs();
  start = std::chrono::steady_clock::now();
  long takes = 0;
  while (Since(start) < 2000.0) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    port.TakeReceivedWaiting(&data, &count, 1);
    ++takes;
  }
  used = ProcessCpuMs() - cpu;
  std::printf("polling idle port:       %8.1f ms CPU in %.0f ms (%.3f %% of a core), %ld takes\n",
              used, Since(start), 100.0 * used / Since(start), takes);

  std::atomic<bool> reading{true};
  long drained = 0;
  std::thread peer([&] {
    std::uint8_t buffer[4096];
    while (reading) {
      pollfd in{master, POLLIN, 0};
      if (::poll(&in, 1, 20) > 0) {
        ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) drained += n;
      }
    }
  });
  constexpr int kBytes = 10000;
  int failed = 0;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kBytes; ++i) {
    std::uint8_t byte = static_cast<std::uint8_t>(i);
    if (port.WriteToPort(&byte, 1) != 1) ++failed;
  }
  double took = Since(start);
  std::printf("10000 one-byte writes:   %8.1f ms (%.2f us a write, %d failed)\n", took,
              1000.0 * took / kBytes, failed);
  port.ClosePort();  // waits for the line time of what was written at 115200 bit/s
  reading = false;
  peer.join();
  std::printf("bytes read by the peer:  %8ld\n", drained);
  ::close(slave);
  ::close(master);
  return failed == 0 ? 0 : 1;
}
