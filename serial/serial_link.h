// The serial port as the loading sequences use it. CSerialPort is the real one; tests put
// a scripted receiver on a virtual clock in its place.
#pragma once

#include <cstdint>

class SerialLink {
 public:
  virtual ~SerialLink() = default;

  // Whether an operation succeeded is a bool, checked as one: `if (!port.OpenPort(...))`.

  // True when the device is open, configured and its reader running. Parity is 'N'.
  virtual bool OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity,
                        std::uint16_t dataBits, std::uint16_t stopBits) = 0;
  // Bytes written, or 0 on failure.
  virtual std::uint32_t WriteToPort(const std::uint8_t* data, std::uint32_t count) = 0;
  // *data points into the take buffer (null when *count is 0) and stays valid until the
  // next take.
  virtual void TakeReceived(const std::uint8_t** data, std::uint32_t* count) = 0;
  // Like TakeReceived, but first sleeps until bytes are waiting or maxWaitMs has passed;
  // the waits that poll "without pause" use it so that no core is kept busy.
  virtual void TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count,
                                   std::int64_t maxWaitMs = 1) = 0;
  virtual void ClearReceived() = 0;
  // True on success (also when the rate is already in force).
  virtual bool SetBaudRate(std::uint32_t bitRate) = 0;
  // True when the device was closed; false when it was not open or a step failed. A port
  // that was open is closed afterwards either way, so COMn can be opened again.
  virtual bool ClosePort() = 0;

  // A load begins and ends: between the two, COMn stays the device it named at the first
  // open, and a failure that repeats is told once.
  virtual void BeginLoad() {}
  virtual void EndLoad() {}
  // After an OpenPort that failed: whether the user has been told why (a device that could
  // not be opened is told at once; one that opened but refused its line settings only traced).
  virtual bool OpenFailureTold() const { return true; }
};
