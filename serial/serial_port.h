// The system's one access to the serial line. Each step of a load opens it with the line
// settings it needs and closes it again; while it is open a reader thread (MonitorPort)
// moves arriving bytes into the receive buffer, which callers take and search themselves.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "serial/serial_device.h"
#include "serial/serial_link.h"

class UserInteraction;
struct PortOpenFailure;

inline constexpr std::uint32_t kReceiveBufferSize = 1210;
// The reader notices a closing port within one slice even if the wake-up got lost.
inline constexpr int kReaderSliceMs = 100;
// A write, and the wait for written bytes to leave the line, may take this long.
inline constexpr int kWriteLimitPerByteMs = 500;
inline constexpr int kWriteLimitBaseMs = 500;

// Appends with the receiver buffer's wrap rule: each byte goes to index `count`, and when
// the count reaches the buffer size it drops to 0, so the 1210th untaken byte empties
// the buffer and only later bytes are kept.
void AppendWithWrap(std::uint8_t* buffer, std::uint32_t* count, const std::uint8_t* chunk,
                    std::size_t size);

class CSerialPort : public SerialLink {
 public:
  using DeviceResolver = std::function<std::string(int portNumber)>;
  using DeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

  // `resolveDevice` turns port number n (COMn) into a device path.
  CSerialPort(UserInteraction& ui, DeviceResolver resolveDevice,
              DeviceFactory makeDevice = MakeSerialDevice);
  // Closes a port left open, so the reader thread never outlives the object.
  ~CSerialPort() override;
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  bool OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity, std::uint16_t dataBits,
                std::uint16_t stopBits) override;
  std::uint32_t WriteToPort(const std::uint8_t* data, std::uint32_t count) override;
  void TakeReceived(const std::uint8_t** data, std::uint32_t* count) override;
  void TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count,
                           std::int64_t maxWaitMs = 1) override;
  void ClearReceived() override;
  bool SetBaudRate(std::uint32_t bitRate) override;
  bool ClosePort() override;
  // From the first open of a load to its end COMn keeps the device it named then: a reopen
  // that finds another device there fails. Repeats of a traced failure are counted and told
  // once, when the port closes.
  void BeginLoad() override;
  void EndLoad() override;
  bool OpenFailureTold() const override { return openFailureTold_; }

  bool IsOpen() const { return device_ != nullptr; }
  std::int16_t PortNumber() const { return portNumber_; }
  // The device of the running or the last load, or of the last open outside a load.
  const std::string& DevicePath() const { return devicePath_; }
  // The bit rate in force while the port is open, else 0. From the thread that opens it.
  std::uint32_t BitRate() const { return device_ != nullptr ? settings_.bitRate : 0; }

 private:
  void MonitorPort();
  void Append(const std::uint8_t* chunk, std::size_t size);
  void NoteWritten(std::size_t count);
  // Until everything written has left the line, bounded by the write limit.
  void WaitForLineIdle();
  void Trace(const std::string& text, int errorCode) const;
  // Tells the repeats counted since the last report; `forget` also forgets what was seen.
  void ReportTraceRepeats(bool forget);
  // The path to open for COMn: the one of this load once it has one.
  std::string DevicePathToOpen(std::int16_t portNumber);
  // A reopen within a load that finds another device than the load started on.
  bool IsAnotherDevice(const SerialDevice& device, std::string* reason) const;
  bool FailOpen(PortOpenFailure& failure, const std::string& traceText);

  UserInteraction& ui_;
  DeviceResolver resolveDevice_;
  DeviceFactory makeDevice_;

  std::int16_t portNumber_ = 0;
  std::atomic<bool> running_{false};
  // The reader met a hang-up or a failed read: the device is gone until the port closes.
  std::atomic<bool> deviceLost_{false};
  std::uint8_t receiveBuffer_[kReceiveBufferSize] = {};
  std::uint8_t takeBuffer_[kReceiveBufferSize] = {};
  std::uint32_t receiveCount_ = 0;  // under bufferLock_
  std::unique_ptr<SerialDevice> device_;
  std::string devicePath_;
  std::thread reader_;
  std::mutex bufferLock_;
  std::condition_variable arrived_;

  // Caller's thread only: the device the running load is held to, and whether its user has
  // been told that the port cannot be opened.
  bool inLoad_ = false;
  std::string loadPath_;
  std::int16_t loadPortNumber_ = 0;
  std::optional<std::uint64_t> loadDeviceNumber_;
  bool openFailureShown_ = false;
  bool openFailureTold_ = true;  // of the last OpenPort

  // Failures traced since the last report, by text, path and error: how often they came
  // again. Both threads trace.
  struct TracedFailure {
    std::string text, path;
    int errorCode = 0;
    unsigned repeats = 0;
  };
  mutable std::mutex traceLock_;
  mutable std::map<std::string, TracedFailure> traced_;

  // Caller's thread only: the line settings in force and when the line falls idle.
  LineSettings settings_;
  std::chrono::steady_clock::time_point lineIdleAt_{};
  std::size_t bytesSinceIdle_ = 0;
};
