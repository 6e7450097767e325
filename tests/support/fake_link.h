// A serial link for step tests on a virtual clock: a scripted receiver sees every write
// with the line settings in force and schedules its answers at virtual times.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "serial/serial_link.h"

class FakeLink : public SerialLink {
 public:
  struct LineSettings {
    std::int16_t portNumber = 0;
    std::uint32_t bitRate = 0;
    char parity = 'N';
    std::uint16_t dataBits = 8;
    std::uint16_t stopBits = 1;
  };
  struct Write {
    std::vector<std::uint8_t> bytes;
    LineSettings settings;
    std::int64_t atMs = 0;  // on the virtual clock
  };

  explicit FakeLink(CVirtualClock& clock) : clock_(clock) {}

  bool OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity, std::uint16_t dataBits,
                std::uint16_t stopBits) override;
  std::uint32_t WriteToPort(const std::uint8_t* data, std::uint32_t count) override;
  void TakeReceived(const std::uint8_t** data, std::uint32_t* count) override;
  void TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count,
                           std::int64_t maxWaitMs) override;
  void ClearReceived() override;
  bool SetBaudRate(std::uint32_t bitRate) override;
  bool ClosePort() override;
  bool OpenFailureTold() const override { return !refuseOpensUntold; }

  // Opens fail as a port that opened but refused its line settings does: nothing told.
  bool refuseOpensUntold = false;

  // The receiver's bytes arrive `delayMs` from now; bytes that arrive while the port is
  // closed are lost, like on a real line.
  void DeliverAfter(std::int64_t delayMs, const std::vector<std::uint8_t>& bytes);
  void DeliverAfter(std::int64_t delayMs, const std::string& text);

  // The receiver: called after every write with the bytes just written.
  std::function<void(FakeLink&, const std::vector<std::uint8_t>&)> onWrite;

  bool IsOpen() const { return open_; }
  const LineSettings& Settings() const { return settings_; }
  CVirtualClock& clock() { return clock_; }

  std::vector<Write> writes;        // every write, in order
  std::vector<LineSettings> opens;  // every successful open
  int closes = 0;
  std::string TextWritten() const;

 private:
  struct Pending {
    std::int64_t atMs;
    std::vector<std::uint8_t> bytes;
  };
  void DeliverDue();

  CVirtualClock& clock_;
  bool open_ = false;
  LineSettings settings_;
  std::vector<Pending> pending_;
  std::vector<std::uint8_t> received_;
  std::vector<std::uint8_t> taken_;
};
