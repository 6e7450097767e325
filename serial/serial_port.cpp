#include "serial/serial_port.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include "base/system_error.h"
#include "base/user_interaction.h"
#include "serial/device_access.h"
#include "serial/port_trace.h"

namespace {

// The port's own English boxes. The apostrophe is U+2019, the right single quotation mark.
constexpr const char* kWriteTimedOutText =
    "The time-out interval elapsed, and the object\xE2\x80\x99s state is nonsignaled. ";
constexpr const char* kBytesWrittenFormat =
    "Number of bytes written = %d : Number\t\t\t\t\t\trequired = %d";
constexpr const char* kAnotherDeviceText =
    "Port could not be opened: another device than at the start of the load";
constexpr const char* kReaderLostText =
    "(SizeOfInputQ)Could not find out whether any\t\tdata needed to be read from the port";

const char* ConfigureFailureText(ConfigureFailure failure) {
  switch (failure) {
    case ConfigureFailure::kReadState:
      return "Could not retrieve the COM state";
    case ConfigureFailure::kBuildState:
      return "Could not build COM DCB";
    case ConfigureFailure::kApplyState:
      return "Could not set the COM state";
    case ConfigureFailure::kPurge:
      return "Could not purge COM port";
    case ConfigureFailure::kNone:
      break;
  }
  return "";
}

std::string AnotherDeviceReason(std::uint64_t began, std::uint64_t now) {
  return "it is no longer the device this load began on (device " + DeviceNumberText(began) +
         ", now " + DeviceNumberText(now) + ")";
}

int WriteLimitMs(std::uint64_t bytes) {
  std::uint64_t limit = bytes * kWriteLimitPerByteMs + kWriteLimitBaseMs;
  return static_cast<int>(std::min<std::uint64_t>(limit, INT_MAX));
}

}  // namespace

void AppendWithWrap(std::uint8_t* buffer, std::uint32_t* count, const std::uint8_t* chunk,
                    std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    buffer[*count] = chunk[i];
    *count += 1;
    if (*count >= kReceiveBufferSize) *count = 0;
  }
}

CSerialPort::CSerialPort(UserInteraction& ui, DeviceResolver resolveDevice,
                         DeviceFactory makeDevice)
    : ui_(ui), resolveDevice_(std::move(resolveDevice)), makeDevice_(std::move(makeDevice)) {}

CSerialPort::~CSerialPort() {
  if (running_) ClosePort();
  ReportTraceRepeats(true);
  // A close that failed half-way still must not leave the thread or the descriptor behind.
  running_ = false;
  if (device_) device_->Wake();
  if (reader_.joinable()) reader_.join();
  if (device_) device_->Close();
}

void CSerialPort::Trace(const std::string& text, int errorCode) const {
  // A device that is gone fails every byte written to it: one line says so, the count of
  // its repeats follows when the port closes.
  std::string key = text + '\x1f' + devicePath_ + '\x1f' + std::to_string(errorCode);
  {
    std::lock_guard<std::mutex> lock(traceLock_);
    auto [entry, fresh] = traced_.try_emplace(key, TracedFailure{text, devicePath_, errorCode, 0});
    if (!fresh) {
      ++entry->second.repeats;
      return;
    }
  }
  TracePortError(text, devicePath_, errorCode);
}

void CSerialPort::ReportTraceRepeats(bool forget) {
  std::vector<TracedFailure> repeated;
  {
    std::lock_guard<std::mutex> lock(traceLock_);
    for (auto& [key, failure] : traced_) {
      if (failure.repeats == 0) continue;
      repeated.push_back(failure);
      failure.repeats = 0;
    }
    if (forget) traced_.clear();
  }
  for (const TracedFailure& failure : repeated) {
    std::string text = failure.text;
    while (!text.empty() && text.back() == '\n')
      text.pop_back();
    text += " repeated " + std::to_string(failure.repeats) +
            (failure.repeats == 1 ? " time" : " times");
    TracePortError(text, failure.path, failure.errorCode);
  }
}

void CSerialPort::BeginLoad() {
  ReportTraceRepeats(true);
  inLoad_ = true;
  loadPath_.clear();
  loadDeviceNumber_.reset();
  openFailureShown_ = false;
}

void CSerialPort::EndLoad() {
  ReportTraceRepeats(true);
  inLoad_ = false;
  loadPath_.clear();
  loadDeviceNumber_.reset();
  openFailureShown_ = false;
}

std::string CSerialPort::DevicePathToOpen(std::int16_t portNumber) {
  if (inLoad_ && !loadPath_.empty() && portNumber == loadPortNumber_) return loadPath_;
  std::string path = resolveDevice_ ? resolveDevice_(portNumber) : std::string();
  if (inLoad_) {
    loadPath_ = path;
    loadPortNumber_ = portNumber;
    loadDeviceNumber_.reset();
  }
  return path;
}

bool CSerialPort::IsAnotherDevice(const SerialDevice& device, std::string* reason) const {
  if (!loadDeviceNumber_) return false;
  std::uint64_t number = 0;
  if (!device.DeviceNumber(&number) || number == *loadDeviceNumber_) return false;
  *reason = AnotherDeviceReason(*loadDeviceNumber_, number);
  return true;
}

bool CSerialPort::FailOpen(PortOpenFailure& failure, const std::string& traceText) {
  Trace(traceText, failure.errorCode);
  openFailureTold_ = true;
  if (failure.reason.empty() && failure.errorCode != 0)
    failure.reason = SystemErrorText(failure.errorCode);
  // Within a load the user hears of it once; the load stops at its first failed open.
  if (!inLoad_ || !openFailureShown_) {
    openFailureShown_ = inLoad_;
    ui_.ShowPortOpenFailure(failure);
  }
  if (!inLoad_) ReportTraceRepeats(true);
  return false;
}

bool CSerialPort::OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity,
                           std::uint16_t dataBits, std::uint16_t stopBits) {
  if (device_) {
    Trace("Port already open", 0);
    return false;
  }
  portNumber_ = portNumber;
  openFailureTold_ = false;
  PortOpenFailure failure;
  failure.portNumber = portNumber;
  const std::string path = DevicePathToOpen(portNumber);
  if (path.empty()) {
    char comName[16];
    std::snprintf(comName, sizeof comName, "COM%d", portNumber);
    devicePath_ = comName;
    failure.errorCode = NoSuchDeviceError();
    return FailOpen(failure, "Port could not be opened");
  }
  devicePath_ = path;
  failure.devicePath = path;
  if (loadDeviceNumber_) {
    // Opening a serial device raises its modem lines: another device is refused before.
    std::uint64_t number = 0;
    int error = 0;
    if (DeviceNumberOfPath(path, &number, &error) && number != *loadDeviceNumber_) {
      failure.reason = AnotherDeviceReason(*loadDeviceNumber_, number);
      return FailOpen(failure, kAnotherDeviceText);
    }
  }
  // A program that opens the port without a lock (a terminal program, a modem manager
  // probing a new adapter) would share the line with the load: it is named, and the port is
  // left alone, before a byte goes out.
  if (std::vector<DeviceHolder> holders = OtherProcessesHolding(path); !holders.empty()) {
    failure.errorCode = DeviceInUseError();
    failure.holders = DescribeHolders(holders);
    return FailOpen(failure, "Port could not be opened");
  }
  std::unique_ptr<SerialDevice> device = makeDevice_();
  if (!device->Open(path)) {
    failure.errorCode = device->LastError();
    if (KindOfSystemError(failure.errorCode) == SystemErrorKind::kAccessDenied) {
      if (std::optional<DeviceOwnership> owner = OwnershipOfDevice(path)) {
        failure.deviceOwner = owner->user;
        failure.deviceGroup = owner->group;
        failure.groupMayOpen = owner->groupMayOpen;
      }
    }
    return FailOpen(failure, "Port could not be opened");
  }
  // The path may have changed between the look and the open.
  if (IsAnotherDevice(*device, &failure.reason)) {
    device->Close();
    return FailOpen(failure, kAnotherDeviceText);
  }
  if (inLoad_ && !loadDeviceNumber_) {
    std::uint64_t number = 0;
    if (device->DeviceNumber(&number)) loadDeviceNumber_ = number;
  }
  running_ = true;
  LineSettings settings{bitRate, parity, dataBits, stopBits};
  ConfigureFailure refused = device->Configure(settings);
  if (refused != ConfigureFailure::kNone) {
    Trace(ConfigureFailureText(refused), device->LastError());
    Trace("Port did not initialise properly", 0);
    device->Close();
    running_ = false;
    return false;
  }
  if (std::optional<ConfigureNote> note = device->TakeConfigureNote())
    Trace(note->text, note->errorCode);
  device_ = std::move(device);
  deviceLost_ = false;
  settings_ = settings;
  lineIdleAt_ = std::chrono::steady_clock::now();
  bytesSinceIdle_ = 0;
  try {
    reader_ = std::thread(&CSerialPort::MonitorPort, this);
  } catch (const std::system_error& error) {
    Trace("Port did not initialise properly", error.code().value());
    device_->Close();
    device_.reset();
    running_ = false;
    return false;
  }
  return true;
}

void CSerialPort::MonitorPort() {
  std::uint8_t chunk[kReceiveBufferSize];
  while (running_) {
    // Once the device is gone it reports its hang-up on every poll; from then on the
    // thread only waits for the close, in the same slices, so it never spins.
    InputEvent event = device_->Wait(kReaderSliceMs, !deviceLost_);
    if (!running_) break;
    long got = 0;
    if (event == InputEvent::kReady) got = device_->ReadQueued(chunk, sizeof chunk);
    if (event == InputEvent::kHangUp || got < 0) {
      Trace(kReaderLostText, device_->LastError());
      deviceLost_ = true;
      continue;
    }
    if (got > 0) Append(chunk, static_cast<std::size_t>(got));
  }
}

void CSerialPort::Append(const std::uint8_t* chunk, std::size_t size) {
  {
    std::lock_guard<std::mutex> lock(bufferLock_);
    AppendWithWrap(receiveBuffer_, &receiveCount_, chunk, size);
  }
  arrived_.notify_all();
}

std::uint32_t CSerialPort::WriteToPort(const std::uint8_t* data, std::uint32_t count) {
  if (!device_) {
    Trace("Erreur ecriture\n", PortNotOpenError());
    return 0;
  }
  if (count == 0 || data == nullptr) return 0;
  WriteOutcome outcome = device_->Write(data, count, WriteLimitMs(count));
  NoteWritten(outcome.written);
  if (!outcome.timedOut && !outcome.failed) return static_cast<std::uint32_t>(outcome.written);
  int error = device_->LastError();
  if (outcome.timedOut) {
    // Nothing is moving on the line; what is stuck in the driver would only hold up the
    // next rate change or close.
    device_->Purge(false, true);
    ui_.ShowSerialMessage(kWriteTimedOutText);
    char text[160];
    std::snprintf(text, sizeof text, kBytesWrittenFormat, static_cast<int>(outcome.written),
                  static_cast<int>(std::min<std::uint32_t>(count, INT_MAX)));
    ui_.ShowSerialMessage(text);
  }
  Trace("Erreur ecriture\n", error);
  return 0;
}

void CSerialPort::NoteWritten(std::size_t count) {
  if (count == 0) return;
  auto now = std::chrono::steady_clock::now();
  if (now >= lineIdleAt_) {
    lineIdleAt_ = now;
    bytesSinceIdle_ = 0;
  }
  std::uint64_t lineNs = static_cast<std::uint64_t>(count) * FrameBits(settings_) *
                         1'000'000'000ull / std::max<std::uint32_t>(settings_.bitRate, 1);
  lineIdleAt_ += std::chrono::nanoseconds(lineNs);
  bytesSinceIdle_ += count;
}

void CSerialPort::WaitForLineIdle() {
  if (bytesSinceIdle_ == 0) return;
  auto now = std::chrono::steady_clock::now();
  auto deadline = now + std::chrono::milliseconds(WriteLimitMs(bytesSinceIdle_));
  // write() returned while the UART or the USB adapter still holds the bytes; a rate
  // change or a purge now would garble or cut off their tail.
  std::this_thread::sleep_until(std::min(lineIdleAt_, deadline));
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  device_->Drain(static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
  bytesSinceIdle_ = 0;
}

void CSerialPort::TakeReceived(const std::uint8_t** data, std::uint32_t* count) {
  TakeReceivedWaiting(data, count, 0);
}

void CSerialPort::TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count,
                                      std::int64_t maxWaitMs) {
  std::unique_lock<std::mutex> lock(bufferLock_);
  if (receiveCount_ == 0 && maxWaitMs > 0) {
    arrived_.wait_for(lock, std::chrono::milliseconds(maxWaitMs),
                      [this] { return receiveCount_ > 0; });
  }
  std::memcpy(takeBuffer_, receiveBuffer_, receiveCount_);
  *count = receiveCount_;
  *data = receiveCount_ == 0 ? nullptr : takeBuffer_;
  receiveCount_ = 0;
}

void CSerialPort::ClearReceived() {
  std::lock_guard<std::mutex> lock(bufferLock_);
  receiveCount_ = 0;
}

bool CSerialPort::SetBaudRate(std::uint32_t bitRate) {
  if (!device_) {
    Trace("Could not set the COM state", PortNotOpenError());
    return false;
  }
  std::uint32_t current = 0;
  if (!device_->CurrentBitRate(&current)) {
    Trace("Could not set the COM state", device_->LastError());
    return false;
  }
  if (current == bitRate) return true;
  WaitForLineIdle();
  if (!device_->SetBitRate(bitRate)) {
    Trace("Could not set the COM state", device_->LastError());
    return false;
  }
  settings_.bitRate = bitRate;
  return true;
}

bool CSerialPort::ClosePort() {
  if (!running_ || !device_) return false;
  WaitForLineIdle();
  const bool purged = device_->Purge(true, true);
  const int purgeError = purged ? 0 : device_->LastError();
  // The reader and the handle go whatever the purge said: a port kept open for a device that
  // fails with an error nobody listed (an adapter pulled, a driver in trouble) would refuse
  // every later open of COMn until the program ends.
  running_ = false;
  device_->Wake();
  if (reader_.joinable()) reader_.join();
  // A device gone has nothing left to purge: one the reader saw hang up, whatever the purge
  // returned, or one whose purge fails as a gone device does.
  const bool gone = deviceLost_ || IsDeviceGoneError(purgeError);
  if (!purged && !gone) Trace("Could not purge COM port", purgeError);
  bool closed = device_->Close();
  int error = device_->LastError();
  device_.reset();
  if (!closed) Trace("NOT CLOSING PORT\n", error);
  ReportTraceRepeats(!inLoad_);
  return closed && (purged || gone);
}
