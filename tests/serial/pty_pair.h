// A pseudo-terminal pair for the port tests: the port opens the slave by its path, the
// test plays the receiver on the master. On Linux tcgetattr on the master reports the
// slave's line settings, which is how the tests see what the port applied.
#pragma once

#include <termios.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

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
  void Send(const std::vector<std::uint8_t>& bytes) const;
  void Send(const std::string& text) const;
  // Reads from the master until `count` bytes came or `timeoutMs` passed.
  std::vector<std::uint8_t> Receive(std::size_t count, int timeoutMs) const;
  // Fills the slave-to-master direction until the kernel accepts no more.
  void FillOutput() const;
  // The receiver goes away: the slave side sees a hang-up.
  void CloseMaster();

 private:
  int master_ = -1;
  int slave_ = -1;  // kept open so the master never reads EIO between the port's opens
  std::string slavePath_;
};

// Collects the serial layer's trace texts for one test; restores the default sink after.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  std::vector<std::string> Texts();
  bool Contains(const std::string& part);

 private:
  std::mutex mutex_;
  std::vector<std::string> texts_;
};

// Process CPU time in milliseconds, all threads.
double ProcessCpuMs();
std::uint32_t BitRateOf(const termios& settings);
