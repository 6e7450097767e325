#include "tests/sim/scripted_loader.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace simtest {

namespace {

speed_t SpeedOf(int bitRate) {
  switch (bitRate) {
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 115200:
      return B115200;
    default:
      return B38400;
  }
}

}  // namespace

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool CScriptedLoader::Open(int bitRate, int stopBits) {
  Close();
  fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  if (!SetLine(bitRate, stopBits)) return false;
  tcflush(fd_, TCIOFLUSH);
  return true;
}

void CScriptedLoader::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool CScriptedLoader::SetLine(int bitRate, int stopBits) {
  termios t{};
  if (fd_ < 0 || tcgetattr(fd_, &t) != 0) return false;
  cfmakeraw(&t);
  cfsetispeed(&t, SpeedOf(bitRate));
  cfsetospeed(&t, SpeedOf(bitRate));
  if (stopBits == 2) {
    t.c_cflag |= CSTOPB;
  } else {
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  }
  t.c_cflag |= CLOCAL | CREAD;
  bitRate_ = bitRate;
  stopBits_ = stopBits;
  return tcsetattr(fd_, TCSANOW, &t) == 0;
}

void CScriptedLoader::Send(const Bytes& bytes) {
  std::size_t done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;  // the line is gone (a vanished adapter)
    } else {
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, 100) < 0) return;
    }
  }
}

void CScriptedLoader::SendAndDrain(const Bytes& bytes) {
  Send(bytes);
  long long bits = stopBits_ == 2 ? 11 : 10;
  long long us = static_cast<long long>(bytes.size()) * bits * 1000000 / bitRate_;
  std::this_thread::sleep_for(std::chrono::microseconds(us + 1000));
}

Bytes CScriptedLoader::ReadFor(int ms) {
  return ReadCount(static_cast<std::size_t>(-1), ms);
}

Bytes CScriptedLoader::ReadUntil(const std::string& needle, int timeoutMs) {
  Bytes got;
  long long limit = NowMs() + timeoutMs;
  while (fd_ >= 0 && !Contains(got, needle)) {
    long long left = limit - NowMs();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    std::uint8_t buffer[4096];
    ssize_t n = read(fd_, buffer, sizeof(buffer));
    if (n > 0) got.insert(got.end(), buffer, buffer + n);
    if (n < 0 && !(p.revents & POLLIN)) break;
  }
  return got;
}

Bytes CScriptedLoader::ReadCount(std::size_t count, int timeoutMs) {
  Bytes got;
  long long limit = NowMs() + timeoutMs;
  while (fd_ >= 0 && got.size() < count) {
    long long left = limit - NowMs();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r <= 0) continue;
    if (p.revents & (POLLHUP | POLLERR) && !(p.revents & POLLIN)) break;
    std::uint8_t buffer[4096];
    ssize_t n = read(fd_, buffer, std::min(sizeof(buffer), count - got.size()));
    if (n > 0) got.insert(got.end(), buffer, buffer + n);
    if (n <= 0 && (p.revents & POLLHUP)) break;
  }
  return got;
}

bool Contains(const Bytes& haystack, const std::string& needle) {
  if (needle.empty()) return true;
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                     [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }) !=
         haystack.end();
}

std::string Text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string Hex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (auto b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 0x0F];
  }
  return s;
}

unsigned DataSum(const Bytes& data) {
  unsigned sum = 0;
  for (auto b : data)
    sum += b;
  return sum & 0xFFFF;
}

int DumpBlockLength(int block) {
  if (block <= 9) return 120;
  if (block == 10) return 80;
  if (block == 11) return 120;
  if (block == 12) return 8;
  return 42;
}

std::vector<DumpRecord> DumpRecords(const Bytes& capture) {
  std::vector<DumpRecord> out;
  std::size_t pos = 0;
  while (pos + 2 < capture.size() &&
         !(capture[pos] == '\r' && capture[pos + 1] == '\n' && capture[pos + 2] == 0x8B))
    ++pos;
  pos += 2;
  while (pos + 1 < capture.size() && capture[pos] == 0x8B && capture[pos + 1] < 45) {
    int block = capture[pos + 1];
    std::size_t length = static_cast<std::size_t>(DumpBlockLength(block));
    if (pos + length + 5 > capture.size()) break;
    Bytes data(capture.begin() + static_cast<long>(pos + 2),
               capture.begin() + static_cast<long>(pos + 2 + length));
    unsigned sum = static_cast<unsigned>(block) + DataSum(data);
    if ((sum & 0xFF) != capture[pos + 2 + length] || capture[pos + 3 + length] != '\r' ||
        capture[pos + 4 + length] != '\n')
      break;
    out.push_back(DumpRecord{block, data});
    pos += length + 5;
  }
  return out;
}

static std::uint8_t CheckOf(const Bytes& record) {
  unsigned sum = 0;
  for (std::size_t i = 1; i < record.size(); ++i)
    sum += record[i];
  return static_cast<std::uint8_t>(sum);
}

Bytes FirstDataRecord(std::uint32_t address, const Bytes& data) {
  Bytes r{0x8B, static_cast<std::uint8_t>(data.size() - 1),
          static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address)};
  r.insert(r.end(), data.begin(), data.end());
  r.push_back(CheckOf(r));
  return r;
}

Bytes FirstEndRecord(std::uint16_t sum) {
  auto hi = static_cast<std::uint8_t>(sum >> 8);
  auto lo = static_cast<std::uint8_t>(sum);
  return Bytes{0x8C, hi, lo, static_cast<std::uint8_t>(hi + lo)};
}

Bytes SecondDataRecord(std::uint8_t number, const Bytes& data) {
  Bytes r{0x8B, number, static_cast<std::uint8_t>(data.size() / 2), 0x08, 0x00, 0x40, 0x00};
  r.insert(r.end(), data.begin(), data.end());
  r.push_back(0x12);
  r.push_back(0x34);
  r.push_back(CheckOf(r));
  return r;
}

Bytes SecondEndRecord(std::uint8_t number) {
  Bytes r{0x8C, number, 0, 0, 1, 0, 0};
  r.push_back(CheckOf(r));
  return r;
}

}  // namespace simtest
