// The platform part beneath CSerialPort: one open serial device, used at the same time by
// the port's reader thread (Wait, ReadQueued) and by the caller (everything else). The
// port keeps its buffers, thread and diagnostics on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct LineSettings {
  std::uint32_t bitRate = 9600;
  char parity = 'N';  // N, E or O
  std::uint16_t dataBits = 8;
  std::uint16_t stopBits = 1;
};

// Bits one character takes on the line: start bit, data bits, parity bit, stop bits.
unsigned FrameBits(const LineSettings& settings);

// Which step of configuring a device failed.
enum class ConfigureFailure {
  kNone,
  kReadState,   // the device has no line state (not a terminal)
  kBuildState,  // a setting the platform cannot express: a bit rate like 14400, parity M
  kApplyState,  // the device refused the settings
  kPurge,       // its queues could not be emptied
};

enum class InputEvent {
  kTimeout,  // nothing within the time limit
  kReady,    // bytes are waiting
  kHangUp,   // the device is gone (adapter pulled, line hung up)
  kWoken,    // Wake() was called
};

// A step of Configure that failed without making the line unusable (a driver that keeps its own
// queue sizes refuses SetupComm): its trace text and the system's error.
struct ConfigureNote {
  std::string text;
  int errorCode = 0;
};

struct WriteOutcome {
  std::size_t written = 0;  // bytes handed to the device, also when it failed
  bool timedOut = false;
  bool failed = false;  // an error other than the time limit; see LastError()
};

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens for reading and writing with exclusive access; false when it cannot.
  virtual bool Open(const std::string& path) = 0;
  // Raw line, no flow control, no translation; then both driver queues are emptied.
  virtual ConfigureFailure Configure(const LineSettings& settings) = 0;
  // What the last Configure went on past, once; nothing when every step went through.
  virtual std::optional<ConfigureNote> TakeConfigureNote() { return std::nullopt; }
  virtual bool CurrentBitRate(std::uint32_t* bitRate) = 0;
  // Changes the bit rate alone, at once; false when unsupported or refused.
  virtual bool SetBitRate(std::uint32_t bitRate) = 0;

  // Sleeps until bytes arrive, the device hangs up, Wake() is called or `timeoutMs` has
  // passed. With watchDevice false only Wake() and the time limit end the wait.
  virtual InputEvent Wait(int timeoutMs, bool watchDevice) = 0;
  // Ends a pending or the next Wait; callable from any thread.
  virtual void Wake() = 0;
  // Reads what is queued, at most `capacity` bytes, without blocking: the count (0 when
  // nothing is queued), or -1 when the device failed.
  virtual long ReadQueued(std::uint8_t* buffer, std::size_t capacity) = 0;

  // Writes all bytes or gives up after `timeoutMs`.
  virtual WriteOutcome Write(const std::uint8_t* data, std::size_t count, int timeoutMs) = 0;
  // Waits until the driver and the hardware have sent everything; false after `timeoutMs`.
  virtual bool Drain(int timeoutMs) = 0;
  // Discards what waits in the driver's queues.
  virtual bool Purge(bool input, bool output) = 0;
  // The descriptor is released even when this reports a failure.
  virtual bool Close() = 0;

  virtual bool IsOpen() const = 0;
  virtual const std::string& Path() const = 0;
  // The system's code of the last failure (errno, or GetLastError() on Windows), taken where
  // the failure happened.
  virtual int LastError() const = 0;
  // The device number of the open device (what tells two devices apart when one path names
  // each in turn); false when the platform cannot tell.
  virtual bool DeviceNumber(std::uint64_t* number) const {
    (void)number;
    return false;
  }
};

// The serial device of the platform the program is built for (POSIX termios or Win32).
std::unique_ptr<SerialDevice> MakeSerialDevice();
// Each platform's own, defined only in its build.
std::unique_ptr<SerialDevice> MakePosixSerialDevice();
std::unique_ptr<SerialDevice> MakeWin32SerialDevice();

// The device number of the node `path` names (through links); false with the system's error
// in *error. Windows cannot tell: always false there, and no two devices are told apart.
bool DeviceNumberOfPath(const std::string& path, std::uint64_t* number, int* error);
// A device number as the system shows it, "major:minor" (the plain number on Windows).
std::string DeviceNumberText(std::uint64_t number);

// Whether the platform can express the bit rate at all: a termios constant on POSIX; any rate
// above 0 on Windows, where the driver itself refuses what its hardware cannot do.
bool IsSupportedBitRate(std::uint32_t bitRate);

// Error codes in the platform's terms (errno, or GetLastError() on Windows) that the port
// itself gives or asks about.
// A device that has gone away: hung up, adapter pulled.
bool IsDeviceGoneError(int error);
// A port number that leads to no device.
int NoSuchDeviceError();
// An operation on a port that is not open.
int PortNotOpenError();
