#include "tests/sim/scripted_loader.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <numeric>
#include <thread>

namespace simtest {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool CScriptedLoader::Open(int bitRate, int stopBits) {
  Close();
  fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  return fd_ >= 0 && SetLine(bitRate, stopBits) && tcflush(fd_, TCIOFLUSH) == 0;
}

void CScriptedLoader::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool CScriptedLoader::SetLine(int bitRate, int stopBits) {
  termios t{};
  if (fd_ < 0 || tcgetattr(fd_, &t) != 0) return false;
  cfmakeraw(&t);
  speed_t speed = bitRate == 4800    ? B4800
                  : bitRate == 9600  ? B9600
                  : bitRate == 19200 ? B19200
                                     : B115200;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSTOPB)) | CLOCAL | CREAD;
  if (stopBits == 2) t.c_cflag |= CSTOPB;
  bitRate_ = bitRate;
  stopBits_ = stopBits;
  return tcsetattr(fd_, TCSANOW, &t) == 0;
}

void CScriptedLoader::Send(const Bytes& bytes) {
  pollfd p{fd_, POLLOUT, 0};
  for (std::size_t done = 0; fd_ >= 0 && done < bytes.size(); poll(&p, 1, 100)) {
    ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;  // the line is gone
    if (n > 0) done += static_cast<std::size_t>(n);
  }
}

void CScriptedLoader::SendAndDrain(const std::string& text) {
  Send(text);
  long long us =
      static_cast<long long>(text.size()) * (stopBits_ == 2 ? 11 : 10) * 1000000 / bitRate_;
  std::this_thread::sleep_for(std::chrono::microseconds(us + 1000));
}

Bytes CScriptedLoader::Read(int timeoutMs, const std::string& until, std::size_t count) {
  Bytes got;
  long long limit = NowMs() + timeoutMs;
  while (fd_ >= 0 && got.size() < count && !(!until.empty() && Contains(WithoutNul(got), until))) {
    long long left = limit - NowMs();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    std::uint8_t buffer[4096];
    ssize_t n = read(fd_, buffer, std::min(sizeof(buffer), count - got.size()));
    if (n > 0) got.insert(got.end(), buffer, buffer + n);
    if (n <= 0 && (p.revents & (POLLHUP | POLLERR))) break;
  }
  return got;
}

bool CScriptedLoader::Await(const std::string& text, int timeoutMs) {
  return Contains(WithoutNul(Read(timeoutMs, text)), text);
}

bool Contains(const Bytes& haystack, const std::string& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                     [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }) !=
         haystack.end();
}

Bytes WithoutNul(Bytes bytes) {
  bytes.erase(std::remove(bytes.begin(), bytes.end(), 0), bytes.end());
  return bytes;
}

unsigned DataSum(const Bytes& data) {
  return std::accumulate(data.begin(), data.end(), 0u) & 0xFFFF;
}

static int DumpBlockLength(int block) {
  return block <= 9 || block == 11 ? 120 : block == 10 ? 80 : block == 12 ? 8 : 42;
}

std::vector<Bytes> DumpRecords(const Bytes& capture) {
  std::vector<Bytes> out;
  std::size_t pos = 0;
  while (pos + 2 < capture.size() &&
         !(capture[pos] == '\r' && capture[pos + 1] == '\n' && capture[pos + 2] == 0x8B))
    ++pos;
  for (pos += 2; pos + 1 < capture.size() && capture[pos] == 0x8B && capture[pos + 1] == out.size();
       pos += DumpBlockLength(capture[pos + 1]) + 5u) {
    int block = capture[pos + 1];
    auto length = static_cast<std::size_t>(DumpBlockLength(block));
    if (pos + length + 5 > capture.size()) break;
    Bytes data(capture.begin() + static_cast<long>(pos + 2),
               capture.begin() + static_cast<long>(pos + 2 + length));
    if (((static_cast<unsigned>(block) + DataSum(data)) & 0xFF) != capture[pos + 2 + length] ||
        capture[pos + 3 + length] != '\r' || capture[pos + 4 + length] != '\n')
      break;
    out.push_back(data);
  }
  return out;
}

}  // namespace simtest
