// A pseudo-terminal pair for the port tests: the port opens the slave by its path, the
// test plays the receiver on the master. On Linux tcgetattr on the master reports the
// slave's line settings, which is how the tests see what the port applied.
#pragma once

#include <gtest/gtest.h>
#include <termios.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"
#include "tests/serial/trace_capture.h"
#include "tests/support/recording_ui.h"

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }
  // The slave's settings as the port left them.
  termios SlaveSettings() const;
  // What the receiver sends.
  void Send(std::string_view bytes) const;
  // Reads from the master until `count` bytes came or `timeoutMs` passed.
  std::string Receive(std::size_t count, int timeoutMs) const;
  // Waits (at most timeoutMs) until the slave's input queue holds `count` bytes.
  bool WaitForSlaveQueue(int count, int timeoutMs) const;
  // Waits (at most timeoutMs) until whoever holds the slave has read everything sent to it
  // and the queue stayed empty for quietMs: the reader has moved the bytes on by then.
  bool WaitUntilSlaveTookAll(int timeoutMs, int quietMs = 50) const;
  // Fills the slave-to-master direction until the kernel accepts no more.
  void FillOutput() const;
  // The receiver goes away: the slave side sees a hang-up.
  void CloseMaster();

 private:
  int SlaveQueue() const;  // bytes waiting in the slave's input queue, -1 on error

  int master_ = -1;
  int slave_ = -1;  // kept open so the master never reads EIO between the port's opens
  std::string slavePath_;
};

// Takes from the port until `count` bytes were collected or `timeoutMs` passed.
std::string Collect(CSerialPort& port, std::size_t count, int timeoutMs);
// Process CPU time in milliseconds, all threads.
double ProcessCpuMs();
std::uint32_t BitRateOf(const termios& settings);

// The port under test on the slave of its own pair; `path` is what every COMn resolves to.
class SerialPortTest : public ::testing::Test {
 protected:
  PtyPair pty;
  RecordingUi ui;
  TraceCapture trace;
  std::string path = pty.SlavePath();
  CSerialPort port{ui, [this](int) { return path; }};
};
