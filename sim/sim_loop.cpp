#include "sim/sim_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kznsim {

namespace {

// How often the line settings and the port's open state are looked at while idle.
constexpr long long kSettingsPollUs = 2000;
// A throttled byte is judged this long before its last bit is due: the simulator notices a
// write a little after the loader made it, and the loader must not pay for that.
constexpr long long kThrottleSlackUs = 5000;
// After --exit-after is met, wait this long at most for the loader to close its port, so
// that it never sees the line vanish under a load it believes finished.
constexpr long long kExitLingerUs = 3000000;
constexpr std::size_t kReadChunk = 4096;

long long ByteTimeUs(int bitRate, int stopBits) {
  if (bitRate <= 0) return 0;
  long long bits = stopBits == 2 ? 11 : 10;
  return bits * 1000000 / bitRate;
}

}  // namespace

CSimLoop::CSimLoop(CPtyLine& line, const SimOptions& options, SimReport& report, int stopFd)
    : line_(line), options_(options), report_(report), stopFd_(stopFd) {}

long long CSimLoop::NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

long long CSimLoop::NowMs() const {
  return NowUs() / 1000;
}

void CSimLoop::Transmit(const Bytes& bytes, int bitRate, long long delayMs) {
  long long due = NowUs() + delayMs * 1000;
  // Bytes leave in the order they were queued: an earlier reply is never overtaken.
  if (!output_.empty()) due = std::max(due, output_.back().dueUs);
  for (auto b : bytes)
    output_.push_back(OutByte{b, bitRate, due});
}

void CSimLoop::Vanish() {
  vanished_ = true;
  output_.clear();
  line_.Close();
}

void CSimLoop::RefreshLineState(bool open) {
  settings_ = line_.ReadSettings();
  settings_.open = open;
  if (open != slaveOpen_) {
    slaveOpen_ = open;
    if (!open) {
      // Bytes still on their way when the port closed never reach the receiver.
      if (!input_.empty() && options_.throttle) {
        report_.Violation("port closed while " + std::to_string(input_.size()) +
                          " byte(s) had not yet left the line");
        input_.clear();
      }
    }
    if (receiver_) receiver_->OnPortOpen(open);
  }
}

void CSimLoop::ReadInput() {
  std::uint8_t buffer[kReadChunk];
  while (line_.IsOpen()) {
    ssize_t n = line_.Read(buffer, sizeof(buffer));
    if (n <= 0) return;
    long long now = NowUs();
    LineSettings s = line_.ReadSettings();
    s.open = true;
    for (ssize_t i = 0; i < n; ++i) {
      InByte in{buffer[i], now, s};
      if (options_.throttle) {
        inLineFreeUs_ = std::max(inLineFreeUs_, now) + ByteTimeUs(s.bitRate, s.stopBits);
        in.dueUs = inLineFreeUs_;
      }
      input_.push_back(in);
    }
  }
}

void CSimLoop::DeliverInput(long long nowUs) {
  while (!input_.empty() && receiver_ && !vanished_) {
    InByte in = input_.front();
    if (options_.throttle) {
      if (in.dueUs - kThrottleSlackUs > nowUs) return;
      // Judged by the settings in force as it arrives, not as it was written.
      in.settings = line_.ReadSettings();
      in.settings.open = line_.SlaveOpen();
      if (!in.settings.open) {
        report_.Violation("port closed while " + std::to_string(input_.size()) +
                          " byte(s) had not yet left the line");
        input_.clear();
        return;
      }
    }
    input_.pop_front();
    receiver_->OnByte(in.byte, in.settings);
  }
}

void CSimLoop::FlushOutput(long long nowUs) {
  if (!line_.IsOpen()) {
    output_.clear();
    pending_.clear();
    return;
  }
  if (!slaveOpen_) {
    report_.droppedBytes += static_cast<long long>(pending_.size());
    pending_.clear();
  }
  // Bytes already on their way go first; nothing overtakes them.
  if (!pending_.empty()) {
    ssize_t n = line_.Write(pending_.data(), pending_.size());
    if (n > 0) pending_.erase(pending_.begin(), pending_.begin() + n);
    outputBlocked_ = !pending_.empty();
    if (outputBlocked_) return;
  }
  while (!output_.empty()) {
    OutByte& out = output_.front();
    long long start = std::max(out.dueUs, options_.throttle ? outLineFreeUs_ : 0);
    if (start > nowUs) break;
    if (!slaveOpen_) {
      ++report_.droppedBytes;
      output_.pop_front();
      continue;
    }
    std::uint8_t b = out.byte;
    if (settings_.bitRate != out.bitRate) {
      // At another bit rate the loader's UART assembles something else from the bits.
      b = static_cast<std::uint8_t>(b ^ 0xFF);
      ++report_.garbledBytes;
    }
    pending_.push_back(b);
    if (options_.throttle)
      outLineFreeUs_ = std::max(outLineFreeUs_, start) + ByteTimeUs(out.bitRate, 1);
    output_.pop_front();
  }
  if (pending_.empty()) return;
  ssize_t n = line_.Write(pending_.data(), pending_.size());
  if (n > 0) pending_.erase(pending_.begin(), pending_.begin() + n);
  // The line's buffer is full: the rest waits for the master to take more.
  outputBlocked_ = !pending_.empty();
}

long long CSimLoop::NextWakeUs(long long nowUs) const {
  long long next = nowUs + kSettingsPollUs;
  if (receiver_) {
    long long due = receiver_->NextDueMs();
    if (due >= 0) next = std::min(next, due * 1000);
  }
  if (!input_.empty()) next = std::min(next, input_.front().dueUs - kThrottleSlackUs);
  if (!output_.empty() && !outputBlocked_) {
    long long start = std::max(output_.front().dueUs, options_.throttle ? outLineFreeUs_ : 0);
    next = std::min(next, start);
  }
  return next;
}

bool CSimLoop::ShouldExit(long long nowUs) {
  if (vanished_) return true;
  if (options_.exitAfter <= 0 || report_.loads < options_.exitAfter || !output_.empty() ||
      !pending_.empty())
    return false;
  if (lingerUntilUs_ < 0) lingerUntilUs_ = nowUs + kExitLingerUs;
  return !slaveOpen_ || nowUs >= lingerUntilUs_;
}

void CSimLoop::Run() {
  while (true) {
    // Read before taking note of a close: bytes a loader wrote just before closing its port
    // were on the line before the close. They can be read after it, too.
    CPtyLine::State state = line_.Look();
    if (state.readable) ReadInput();
    RefreshLineState(state.open);
    hungUp_ = !state.open && !line_.Look().readable;
    long long now = NowUs();
    DeliverInput(now);
    if (receiver_ && !vanished_) receiver_->OnTime();
    RefreshLineState(line_.SlaveOpen());
    FlushOutput(NowUs());
    now = NowUs();
    if (ShouldExit(now)) return;

    long long wait = std::max(0LL, NextWakeUs(now) - now);
    pollfd fds[2];
    int count = 0;
    fds[count++] = pollfd{stopFd_, POLLIN, 0};
    if (line_.IsOpen() && !hungUp_) {
      short events = POLLIN;
      if (outputBlocked_) events = static_cast<short>(events | POLLOUT);
      fds[count++] = pollfd{line_.MasterFd(), events, 0};
    }
    int timeoutMs = static_cast<int>((wait + 999) / 1000);
    int r = poll(fds, static_cast<nfds_t>(count), timeoutMs);
    if (r < 0 && errno != EINTR) return;
    if (r > 0 && (fds[0].revents & POLLIN)) return;
    // A hang-up with nothing to read must not spin the loop: the master stays out of the
    // polls while the port is closed, and the settings poll looks at it again.
    if (count > 1 && (fds[1].revents & POLLOUT)) outputBlocked_ = false;
  }
}

}  // namespace kznsim
