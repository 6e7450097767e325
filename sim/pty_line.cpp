#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kznsim {

int BitRateOf(unsigned speed) {
  static const struct {
    speed_t constant;
    int rate;
  } kRates[] = {{B300, 300},      {B600, 600},       {B1200, 1200},     {B2400, 2400},
                {B4800, 4800},    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                {B57600, 57600},  {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
                {B921600, 921600}};
  for (const auto& r : kRates)
    if (r.constant == speed) return r.rate;
  return 0;
}

CPtyLine::~CPtyLine() {
  Close();
}

bool CPtyLine::Open(std::string* error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    *error = std::string("pseudo-terminal: ") + std::strerror(errno);
    Close();
    return false;
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof(name)) != 0) {
    *error = std::string("ptsname: ") + std::strerror(errno);
    Close();
    return false;
  }
  slavePath_ = name;
  // Open the slave once: it starts raw at 9600/1 like an idle serial port, and closing it
  // arms the master's hang-up report, which tells the simulator when no loader holds it.
  int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    *error = std::string("open ") + name + ": " + std::strerror(errno);
    Close();
    return false;
  }
  termios t{};
  if (tcgetattr(slave, &t) == 0) {
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(slave, TCSANOW, &t);
  }
  close(slave);
  return true;
}

void CPtyLine::Close() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

LineSettings CPtyLine::ReadSettings() const {
  LineSettings s;
  termios t{};
  if (master_ >= 0 && tcgetattr(master_, &t) == 0) {
    s.bitRate = BitRateOf(static_cast<unsigned>(cfgetospeed(&t)));
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
  }
  return s;
}

CPtyLine::State CPtyLine::Look() const {
  State s;
  if (master_ < 0) return s;
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return s;
  s.open = (p.revents & POLLHUP) == 0;
  s.readable = (p.revents & POLLIN) != 0;
  return s;
}

ssize_t CPtyLine::Read(std::uint8_t* buffer, std::size_t size) {
  ssize_t n = read(master_, buffer, size);
  if (n > 0) return n;
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  return -1;
}

ssize_t CPtyLine::Write(const std::uint8_t* bytes, std::size_t size) {
  ssize_t n = write(master_, bytes, size);
  if (n >= 0) return n;
  return 0;
}

}  // namespace kznsim
