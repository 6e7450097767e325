#include "tests/serial/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <thread>

#include "serial/port_trace.h"

PtyPair::PtyPair() {
  char name[128] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
  }
  slavePath_ = name;
  int flags = ::fcntl(slave_, F_GETFL);
  ::fcntl(slave_, F_SETFL, flags | O_NONBLOCK);
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

void PtyPair::Send(const std::vector<std::uint8_t>& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (put <= 0) throw std::runtime_error("write to the pty master failed");
    done += static_cast<std::size_t>(put);
  }
}

void PtyPair::Send(const std::string& text) const {
  Send(std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> PtyPair::Receive(std::size_t count, int timeoutMs) const {
  std::vector<std::uint8_t> got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) break;
    pollfd in{master_, POLLIN, 0};
    if (::poll(&in, 1, static_cast<int>(left)) <= 0) continue;
    std::uint8_t buffer[4096];
    ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
    if (n > 0) got.insert(got.end(), buffer, buffer + n);
  }
  return got;
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
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void PtyPair::CloseMaster() {
  ::close(master_);
  master_ = -1;
}

TraceCapture::TraceCapture() {
  SetPortTraceSink([this](const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_.push_back(text);
  });
}

TraceCapture::~TraceCapture() {
  SetPortTraceSink(nullptr);
}

std::vector<std::string> TraceCapture::Texts() {
  std::lock_guard<std::mutex> lock(mutex_);
  return texts_;
}

bool TraceCapture::Contains(const std::string& part) {
  for (const std::string& text : Texts()) {
    if (text.find(part) != std::string::npos) return true;
  }
  return false;
}

double ProcessCpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::uint32_t BitRateOf(const termios& settings) {
  switch (::cfgetospeed(&settings)) {
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    default:
      return 0;
  }
}
