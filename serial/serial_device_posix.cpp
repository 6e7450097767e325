// SerialDevice on POSIX termios. The descriptor is non-blocking: the reader thread sleeps
// in poll() and reads what is queued, the caller's writes wait for room in poll() with
// their own time limit, and a self-pipe lets ClosePort end the reader's wait at once.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "serial/serial_device.h"

namespace {

struct SpeedEntry {
  std::uint32_t bitRate;
  speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool SpeedFor(std::uint32_t bitRate, speed_t* speed) {
  for (const SpeedEntry& entry : kSpeeds) {
    if (entry.bitRate == bitRate) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

bool BitRateFor(speed_t speed, std::uint32_t* bitRate) {
  for (const SpeedEntry& entry : kSpeeds) {
    if (entry.speed == speed) {
      *bitRate = entry.bitRate;
      return true;
    }
  }
  return false;
}

using SteadyTime = std::chrono::steady_clock::time_point;

int MsUntil(SteadyTime deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

class CPosixSerialDevice : public SerialDevice {
 public:
  ~CPosixSerialDevice() override { Close(); }

  bool Open(const std::string& path) override {
    if (fd_ >= 0) {
      lastError_ = EBUSY;
      return false;
    }
    path_ = path;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    // flock keeps out every other program that locks (ours on another window, most
    // terminal programs); TIOCEXCL keeps out the rest, root excepted.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno == EWOULDBLOCK ? EBUSY : errno;
      ::close(fd);
      return Fail(error);
    }
    (void)::ioctl(fd, TIOCEXCL);
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
      int error = errno;
      ::close(fd);
      wake_[0] = wake_[1] = -1;
      return Fail(error);
    }
    fd_ = fd;
    return true;
  }

  ConfigureFailure Configure(const LineSettings& settings) override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return ConfigureFail(ConfigureFailure::kReadState);
    speed_t speed;
    if (!SpeedFor(settings.bitRate, &speed) || settings.dataBits < 5 || settings.dataBits > 8 ||
        (settings.stopBits != 1 && settings.stopBits != 2) ||
        (settings.parity != 'N' && settings.parity != 'E' && settings.parity != 'O')) {
      lastError_ = EINVAL;
      return ConfigureFailure::kBuildState;
    }
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNBRK | BRKINT |
                                          PARMRK | INLCR | IGNCR | ICRNL);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[settings.dataBits - 5] | CLOCAL | CREAD;
    if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
    if (settings.parity != 'N') tio.c_cflag |= PARENB;
    if (settings.parity == 'O') tio.c_cflag |= PARODD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
      return ConfigureFail(ConfigureFailure::kBuildState);
    }
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return ConfigureFail(ConfigureFailure::kApplyState);
    // tcsetattr succeeds when any one change took; read back what the driver kept.
    termios kept{};
    if (::tcgetattr(fd_, &kept) != 0) return ConfigureFail(ConfigureFailure::kApplyState);
    if (::cfgetospeed(&kept) != speed || (kept.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD)) !=
                                             (tio.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD))) {
      lastError_ = EINVAL;
      return ConfigureFailure::kApplyState;
    }
    if (::tcflush(fd_, TCIOFLUSH) != 0) return ConfigureFail(ConfigureFailure::kPurge);
    return ConfigureFailure::kNone;
  }

  bool CurrentBitRate(std::uint32_t* bitRate) override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
    if (!BitRateFor(::cfgetospeed(&tio), bitRate)) *bitRate = 0;
    return true;
  }

  bool SetBitRate(std::uint32_t bitRate) override {
    speed_t speed;
    if (!SpeedFor(bitRate, &speed)) return Fail(EINVAL);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return Fail(errno);
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return Fail(errno);
    termios kept{};
    if (::tcgetattr(fd_, &kept) != 0) return Fail(errno);
    if (::cfgetospeed(&kept) != speed) return Fail(EINVAL);
    return true;
  }

  InputEvent Wait(int timeoutMs, bool watchDevice) override {
    pollfd fds[2] = {{wake_[0], POLLIN, 0}, {fd_, POLLIN, 0}};
    int ready = ::poll(fds, watchDevice ? 2 : 1, timeoutMs);
    if (ready <= 0) return InputEvent::kTimeout;  // EINTR counts as a slice that ended
    if (fds[0].revents != 0) {
      char sink[64];
      while (::read(wake_[0], sink, sizeof sink) > 0) {
      }
      return InputEvent::kWoken;
    }
    if (!watchDevice) return InputEvent::kTimeout;
    // Bytes that came before a hang-up are read first.
    if ((fds[1].revents & POLLIN) != 0) return InputEvent::kReady;
    if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      lastError_ = EIO;
      return InputEvent::kHangUp;
    }
    return InputEvent::kTimeout;
  }

  void Wake() override {
    if (wake_[1] < 0) return;
    char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost when this write fails.
    (void)!::write(wake_[1], &byte, 1);
  }

  long ReadQueued(std::uint8_t* buffer, std::size_t capacity) override {
    ssize_t got = ::read(fd_, buffer, capacity);
    if (got > 0) return static_cast<long>(got);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    // A terminal reads 0 bytes only once it has been hung up.
    lastError_ = got == 0 ? EIO : errno;
    return -1;
  }

  WriteOutcome Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override {
    WriteOutcome outcome;
    SteadyTime deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (outcome.written < count) {
      ssize_t put = ::write(fd_, data + outcome.written, count - outcome.written);
      if (put > 0) {
        outcome.written += static_cast<std::size_t>(put);
        continue;
      }
      if (put < 0 && errno == EINTR) continue;
      if (put < 0 && errno != EAGAIN) {
        lastError_ = errno;
        outcome.failed = true;
        return outcome;
      }
      int left = MsUntil(deadline);
      if (left <= 0) {
        lastError_ = ETIMEDOUT;
        outcome.timedOut = true;
        return outcome;
      }
      pollfd out{fd_, POLLOUT, 0};
      if (::poll(&out, 1, left) > 0 && (out.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 &&
          (out.revents & POLLOUT) == 0) {
        lastError_ = EIO;
        outcome.failed = true;
        return outcome;
      }
    }
    return outcome;
  }

  bool Drain(int timeoutMs) override {
    SteadyTime deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
    std::uint32_t bitRate = 0;
    if (!BitRateFor(::cfgetospeed(&tio), &bitRate) || bitRate == 0) bitRate = 9600;
    for (;;) {
      int queued = 0;
      if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) break;
      if (queued <= 0) break;
      int left = MsUntil(deadline);
      if (left <= 0) return Fail(ETIMEDOUT);
      // Sleep for the line time of what is still queued, then look again.
      std::int64_t lineMs = static_cast<std::int64_t>(queued) * 10 * 1000 / bitRate;
      std::this_thread::sleep_for(std::chrono::milliseconds(
          std::clamp<std::int64_t>(lineMs, 1, std::min<std::int64_t>(50, std::max(1, left)))));
    }
    // The driver queue is empty: tcdrain now only waits for the transmitter itself.
    if (::tcdrain(fd_) != 0) return Fail(errno);
    return true;
  }

  bool Purge(bool input, bool output) override {
    int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (::tcflush(fd_, which) != 0) return Fail(errno);
    return true;
  }

  bool Close() override {
    if (fd_ < 0) return true;
    (void)::ioctl(fd_, TIOCNXCL);
    for (int& end : wake_) {
      if (end >= 0) ::close(end);
      end = -1;
    }
    int result = ::close(fd_);
    int error = errno;
    // Linux releases the descriptor even when close reports an error.
    fd_ = -1;
    if (result != 0) return Fail(error);
    return true;
  }

  bool IsOpen() const override { return fd_ >= 0; }
  const std::string& Path() const override { return path_; }
  int LastError() const override { return lastError_; }
  bool DeviceNumber(std::uint64_t* number) const override {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return false;
    *number = static_cast<std::uint64_t>(info.st_rdev);
    return true;
  }

 private:
  bool Fail(int error) {
    lastError_ = error;
    return false;
  }
  ConfigureFailure ConfigureFail(ConfigureFailure failure) {
    lastError_ = errno;
    return failure;
  }

  int fd_ = -1;
  int wake_[2] = {-1, -1};
  std::string path_;
  std::atomic<int> lastError_{0};
};

}  // namespace

bool IsSupportedBitRate(std::uint32_t bitRate) {
  speed_t speed;
  return SpeedFor(bitRate, &speed);
}

std::unique_ptr<SerialDevice> MakePosixSerialDevice() {
  return std::make_unique<CPosixSerialDevice>();
}

std::unique_ptr<SerialDevice> MakeSerialDevice() {
  return MakePosixSerialDevice();
}

bool IsDeviceGoneError(int error) {
  return error == EIO || error == ENXIO || error == ENODEV;
}

int NoSuchDeviceError() {
  return ENODEV;
}

int PortNotOpenError() {
  return EBADF;
}

bool DeviceNumberOfPath(const std::string& path, std::uint64_t* number, int* error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    *error = errno;
    return false;
  }
  *number = static_cast<std::uint64_t>(info.st_rdev);
  return true;
}

std::string DeviceNumberText(std::uint64_t number) {
  const dev_t device = static_cast<dev_t>(number);
  return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}
