// The receiver side of the line: what a simulated receiver needs from its surroundings
// (clock, transmitter, the adapter) and what the line loop asks of a receiver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/report.h"
#include "sim/tables.h"

namespace kznsim {

class CReceiverHost {
 public:
  virtual ~CReceiverHost() = default;
  virtual long long NowMs() const = 0;
  // Queues bytes that leave the receiver at bitRate, delayMs from now at the earliest.
  virtual void Transmit(const Bytes& bytes, int bitRate, long long delayMs) = 0;
  // The adapter is unplugged: the line is gone for good.
  virtual void Vanish() = 0;
};

class CReceiver {
 public:
  virtual ~CReceiver() = default;
  // One byte from the loader, with the line settings in force when it arrived.
  virtual void OnByte(std::uint8_t byte, const LineSettings& settings) = 0;
  // The loader opened or closed its port.
  virtual void OnPortOpen(bool open) = 0;
  // Runs whatever is due; NextDueMs is the next time it wants to run (-1: nothing pending).
  virtual void OnTime() = 0;
  virtual long long NextDueMs() const = 0;
};

// Timed actions of one receiver, run in due order by OnTime.
class CScheduler {
 public:
  void At(long long dueMs, int tag, std::function<void()> action);
  void Cancel(int tag);
  void RunDue(long long nowMs);
  long long NextDueMs() const;

 private:
  struct Entry {
    long long due;
    long long order;
    int tag;
    std::function<void()> action;
  };
  std::vector<Entry> entries_;
  long long nextOrder_ = 0;
};

// The receiver of a family; kAuto gives one that recognises the family from the loader.
std::unique_ptr<CReceiver> MakeReceiver(Family family, CReceiverHost& host,
                                        const SimOptions& options, SimReport& report,
                                        const TableMemory& tables);

}  // namespace kznsim
