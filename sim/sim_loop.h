// The line between loader and receiver: carries bytes both ways over the pseudo-terminal,
// at line pace with --throttle, judges each arriving byte by the settings in force when it
// arrives, garbles what the receiver sends at a bit rate the loader's port does not use and
// loses what it sends while no one holds the port. One poll loop, no busy waiting.
#pragma once

#include <deque>
#include <memory>

#include "sim/options.h"
#include "sim/pty_line.h"
#include "sim/receiver.h"

namespace kznsim {

class CSimLoop : public CReceiverHost {
 public:
  CSimLoop(CPtyLine& line, const SimOptions& options, SimReport& report, int stopFd);

  void SetReceiver(CReceiver* receiver) { receiver_ = receiver; }
  // Runs until stopFd becomes readable, the receiver vanishes, or --exit-after is met.
  void Run();
  bool Vanished() const { return vanished_; }

  long long NowMs() const override;
  void Transmit(const Bytes& bytes, int bitRate, long long delayMs) override;
  void Vanish() override;

 private:
  struct InByte {
    std::uint8_t byte;
    long long dueUs;  // when its last bit has arrived (throttled), or when read
    LineSettings settings;
  };
  struct OutByte {
    std::uint8_t byte;
    int bitRate;
    long long dueUs;
  };

  static long long NowUs();
  void RefreshLineState(bool open);
  void ReadInput();
  void DeliverInput(long long nowUs);
  void FlushOutput(long long nowUs);
  long long NextWakeUs(long long nowUs) const;
  bool ShouldExit(long long nowUs);

  CPtyLine& line_;
  const SimOptions& options_;
  SimReport& report_;
  int stopFd_;
  CReceiver* receiver_ = nullptr;
  LineSettings settings_;
  bool slaveOpen_ = false;
  bool hungUp_ = false;  // slave closed and nothing left to read: leave the master out of poll
  bool outputBlocked_ = false;
  bool vanished_ = false;
  std::deque<InByte> input_;
  std::deque<OutByte> output_;
  Bytes pending_;  // judged and garbled as due, waiting for room on the line
  long long inLineFreeUs_ = 0;
  long long outLineFreeUs_ = 0;
  long long lingerUntilUs_ = -1;
};

}  // namespace kznsim
