// The pseudo-terminal that stands in for the serial line: the simulator holds the master,
// the loader opens the slave like any serial device. The slave's line settings are what the
// loader applied; the master sees them with tcgetattr.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "sim/report.h"

namespace kznsim {

class CPtyLine {
 public:
  CPtyLine() = default;
  ~CPtyLine();
  CPtyLine(const CPtyLine&) = delete;
  CPtyLine& operator=(const CPtyLine&) = delete;

  bool Open(std::string* error);
  void Close();
  bool IsOpen() const { return master_ >= 0; }
  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

  // Bit rate and stop bits the loader set (open is filled in by SlaveOpen).
  LineSettings ReadSettings() const;
  // Whether anyone holds the slave open (the master reports a hang-up while no one does),
  // and whether bytes wait to be read, which they may also after the slave was closed.
  struct State {
    bool open = false;
    bool readable = false;
  };
  State Look() const;
  bool SlaveOpen() const { return Look().open; }
  // Bytes read, 0 when nothing is waiting, -1 when the slave is closed and nothing is left.
  ssize_t Read(std::uint8_t* buffer, std::size_t size);
  // Bytes written, 0 when the line's buffer is full.
  ssize_t Write(const std::uint8_t* bytes, std::size_t size);

 private:
  int master_ = -1;
  std::string slavePath_;
};

int BitRateOf(unsigned speed);  // termios speed constant to bits per second, 0 when unknown

}  // namespace kznsim
