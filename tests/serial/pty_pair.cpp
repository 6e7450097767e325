#include "tests/serial/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <thread>

#include "serial/serial_port.h"

using std::chrono::milliseconds;
using std::chrono::steady_clock;

static constexpr auto kQueuePoll = milliseconds(2);

PtyPair::PtyPair() {
  char name[128] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
  }
  slavePath_ = name;
  ::fcntl(slave_, F_SETFL, ::fcntl(slave_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

termios PtyPair::SlaveSettings() const {
  termios settings{};
  ::tcgetattr(master_, &settings);
  return settings;
}

void PtyPair::Send(std::string_view bytes) const {
  while (!bytes.empty()) {
    ssize_t put = ::write(master_, bytes.data(), bytes.size());
    if (put <= 0) throw std::runtime_error("write to the pty master failed");
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
}

std::string PtyPair::Receive(std::size_t count, int timeoutMs) const {
  std::string got;
  auto deadline = steady_clock::now() + milliseconds(timeoutMs);
  while (got.size() < count && steady_clock::now() < deadline) {
    pollfd in{master_, POLLIN, 0};
    if (::poll(&in, 1, 50) <= 0) continue;
    char buffer[4096];
    ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

int PtyPair::SlaveQueue() const {
  int queued = 0;
  return ::ioctl(slave_, FIONREAD, &queued) == 0 ? queued : -1;
}

bool PtyPair::WaitForSlaveQueue(int count, int timeoutMs) const {
  auto limit = steady_clock::now() + milliseconds(timeoutMs);
  while (SlaveQueue() < count) {
    if (steady_clock::now() >= limit) return false;
    std::this_thread::sleep_for(kQueuePoll);
  }
  return true;
}

bool PtyPair::WaitUntilSlaveTookAll(int timeoutMs, int quietMs) const {
  auto limit = steady_clock::now() + milliseconds(timeoutMs);
  auto quietSince = steady_clock::now();
  while (steady_clock::now() - quietSince < milliseconds(quietMs)) {
    if (steady_clock::now() >= limit) return false;
    if (SlaveQueue() != 0) quietSince = steady_clock::now();
    std::this_thread::sleep_for(kQueuePoll);
  }
  return true;
}

void PtyPair::FillOutput() const {
  // The kernel moves bytes on to the master's line discipline in the background and
  // then takes more; full means several rounds in a row take nothing.
  std::uint8_t block[1024] = {};
  for (int idleRounds = 0; idleRounds < 3;) {
    bool tookAny = false;
    while (::write(slave_, block, sizeof block) > 0)
      tookAny = true;
    idleRounds = tookAny ? 0 : idleRounds + 1;
    std::this_thread::sleep_for(milliseconds(20));
  }
}

void PtyPair::CloseMaster() {
  ::close(master_);
  master_ = -1;
}

std::string Collect(CSerialPort& port, std::size_t count, int timeoutMs) {
  std::string got;
  auto deadline = steady_clock::now() + milliseconds(timeoutMs);
  while (got.size() < count && steady_clock::now() < deadline) {
    const std::uint8_t* data = nullptr;
    std::uint32_t n = 0;
    port.TakeReceivedWaiting(&data, &n, 1);
    if (n > 0) got.append(reinterpret_cast<const char*>(data), n);
  }
  return got;
}

double ProcessCpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::uint32_t BitRateOf(const termios& settings) {
  const std::pair<speed_t, std::uint32_t> rates[] = {{B4800, 4800},   {B9600, 9600},
                                                     {B19200, 19200}, {B38400, 38400},
                                                     {B57600, 57600}, {B115200, 115200}};
  for (auto [code, rate] : rates) {
    if (::cfgetospeed(&settings) == code) return rate;
  }
  return 0;
}
