// SerialDevice on Win32 communications. The handle is opened for overlapped I/O so that the
// reader thread's pending read and the caller's writes run at the same time on the one device;
// each kind of request has its own record and manual-reset event. The reader sleeps in a
// one-byte read beside a wake event (WaitForMultipleObjects); the read stays pending across
// the reader's slices and is cancelled only when the port closes, because a cancel can lose
// what the read was taking. ReadQueued hands out its byte, then what the driver has queued
// behind it. A read rather than WaitCommEvent, because Wine's line-event wait on a
// pseudo-terminal ends at once, aborted.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "base/wide_text.h"
#include "serial/com_device.h"
#include "serial/serial_device.h"

namespace {

// What one waiting read takes: a single byte, so that it ends as soon as the line brings
// anything (Wine's driver ends a read only when its buffer is full, whatever the read
// time-outs say); ReadQueued hands it out first, then what the driver has queued behind it.
constexpr std::size_t kWaitReadBytes = 1;
// A waiting read ends by itself after this long with nothing (the wait's own limit is shorter
// and cancels it first).
constexpr DWORD kWaitReadLimitMs = 60000;
// A read that the driver aborted on its own is not retried before this long (or the wait's
// own limit, when that is shorter).
constexpr DWORD kAbortedReadPauseMs = 100;
// The flow-control characters: unused (flow control is off), but a driver refuses a line
// state whose two are equal, which some virtual drivers report.
constexpr char kXonChar = 0x11;
constexpr char kXoffChar = 0x13;
// Driver queue sizes asked for (the driver may keep its own).
constexpr DWORD kInputQueueBytes = 1200;
constexpr DWORD kOutputQueueBytes = 200;
// How long a cancelled request may take to hand its record back.
constexpr DWORD kCancelSettleMs = 2000;
// A read of what is queued completes at once; a driver that holds it longer gets this long.
constexpr DWORD kQueuedReadLimitMs = 2000;
// One write request at most; longer writes go in turns, each under the same time limit.
constexpr std::size_t kWriteChunkBytes = 1u << 20;
// The line time of what is still queued is slept in steps of at most this.
constexpr int kDrainStepMs = 50;

using SteadyTime = std::chrono::steady_clock::time_point;

DWORD MsUntil(SteadyTime deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<DWORD>(std::clamp<std::int64_t>(left.count(), 0, INFINITE - 1));
}

// One overlapped request record, its manual-reset event and the buffer a waiting read fills. The
// driver owns the record while a request is pending: a request that does not end even after a
// cancel keeps its record, which is then let go (never freed under the driver) and a new one is
// made.
class COverlappedRecord {
 public:
  COverlappedRecord() { Renew(); }
  ~COverlappedRecord() { Release(); }
  COverlappedRecord(const COverlappedRecord&) = delete;
  COverlappedRecord& operator=(const COverlappedRecord&) = delete;

  bool Ready() const { return record_ != nullptr && record_->overlapped.hEvent != nullptr; }
  HANDLE Event() const { return record_->overlapped.hEvent; }
  OVERLAPPED* Get() { return &record_->overlapped; }
  std::uint8_t* Data() { return record_->data; }

  // A fresh request: offsets zero, event reset.
  OVERLAPPED* Begin() {
    HANDLE event = record_->overlapped.hEvent;
    record_->overlapped = OVERLAPPED{};
    record_->overlapped.hEvent = event;
    ResetEvent(event);
    return &record_->overlapped;
  }

  // Ends a pending request: `end` asks the driver to finish it, then it is cancelled if it
  // still runs. True with the count it moved once the record is back; false when it never
  // came back, and the record is given up.
  template <typename End>
  bool Settle(HANDLE device, End end, DWORD* transferred) {
    end();
    if (WaitForSingleObject(Event(), kCancelSettleMs) != WAIT_OBJECT_0) {
      CancelIo(device);
      if (WaitForSingleObject(Event(), kCancelSettleMs) != WAIT_OBJECT_0) {
        record_ = nullptr;  // the driver still holds it
        Renew();
        *transferred = 0;
        return false;
      }
    }
    DWORD count = 0;
    GetOverlappedResult(device, Get(), &count, FALSE);
    *transferred = count;
    return true;
  }

 private:
  struct Record {
    OVERLAPPED overlapped;
    std::uint8_t data[kWaitReadBytes];
  };

  void Renew() {
    record_ = new Record{};
    record_->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  void Release() {
    if (record_ == nullptr) return;
    if (record_->overlapped.hEvent != nullptr) CloseHandle(record_->overlapped.hEvent);
    delete record_;
    record_ = nullptr;
  }

  Record* record_ = nullptr;
};

// The port's name for its lock: "\\.\com5" and "COM5" are the same port.
std::wstring PortLockKey(const std::string& path) {
  std::wstring key = WidePathFromBytes(path);
  for (const wchar_t* prefix : {L"\\\\.\\", L"\\\\?\\"}) {
    if (key.rfind(prefix, 0) == 0) key = key.substr(4);
  }
  for (wchar_t& c : key) {
    if (c == L'\\') c = L'/';  // a backslash would name a folder of the namespace
    c = static_cast<wchar_t>(std::towupper(c));
  }
  return key;
}

void KeepFlowCharactersApart(DCB& dcb) {
  dcb.XonChar = kXonChar;
  dcb.XoffChar = kXoffChar;
}

bool SameLine(const DCB& a, const DCB& b) {
  return a.BaudRate == b.BaudRate && a.ByteSize == b.ByteSize && a.Parity == b.Parity &&
         a.StopBits == b.StopBits;
}

class CWin32SerialDevice : public SerialDevice {
 public:
  CWin32SerialDevice() : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~CWin32SerialDevice() override {
    Close();
    if (wake_ != nullptr) CloseHandle(wake_);
  }

  bool Open(const std::string& path) override {
    if (handle_ != INVALID_HANDLE_VALUE) return Fail(ERROR_BUSY);
    path_ = path;
    configureNote_.reset();
    if (wake_ == nullptr || !waitRead_.Ready() || !read_.Ready() || !write_.Ready())
      return Fail(ERROR_NOT_ENOUGH_MEMORY);
    // The driver keeps a second opener out (share mode 0 below); Wine's serial devices do not,
    // so a named mutex per port keeps out every other program of ours there as well.
    const std::wstring lockName = L"Global\\kznload-port-" + PortLockKey(path);
    HANDLE lock = CreateMutexW(nullptr, FALSE, lockName.c_str());
    if (lock == nullptr) return Fail(GetLastError());
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(lock);
      return Fail(ERROR_SHARING_VIOLATION);
    }
    // "COM12" as "\\.\COM12": a bare name reaches a COM port only up to COM9.
    const std::wstring wide = WidePathFromBytes(ExpandDeviceName(path, {}));
    // Share mode 0: nobody else, not even another of our own windows, has the port meanwhile.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      CloseHandle(lock);
      return Fail(error);
    }
    handle_ = handle;
    portLock_ = lock;
    stashed_ = stashOffset_ = 0;
    purgedInput_ = false;
    pauseBeforeNextRead_ = false;
    // A wake-up meant for the last open must not end the first wait of this one.
    ResetEvent(wake_);
    return true;
  }

  ConfigureFailure Configure(const LineSettings& settings) override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return ConfigureFail(ConfigureFailure::kReadState);
    if (!IsSupportedBitRate(settings.bitRate) || settings.dataBits < 5 || settings.dataBits > 8 ||
        (settings.stopBits != 1 && settings.stopBits != 2) ||
        (settings.parity != 'N' && settings.parity != 'E' && settings.parity != 'O')) {
      lastError_ = ERROR_INVALID_PARAMETER;
      return ConfigureFailure::kBuildState;
    }
    dcb.BaudRate = settings.bitRate;
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = settings.parity == 'E'   ? EVENPARITY
                 : settings.parity == 'O' ? ODDPARITY
                                          : NOPARITY;
    dcb.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    // A raw line: every byte value passes, nothing waits for a modem line or XON.
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != 'N';
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    KeepFlowCharactersApart(dcb);
    configureNote_.reset();
    // The queue sizes are a wish: a driver that keeps its own (many virtual and USB drivers)
    // serves the line as well.
    if (!SetupComm(handle_, kInputQueueBytes, kOutputQueueBytes)) {
      configureNote_ = ConfigureNote{"Could not setup communications with input / output buffers",
                                     static_cast<int>(GetLastError())};
    }
    if (!SetCommState(handle_, &dcb)) return ConfigureFail(ConfigureFailure::kApplyState);
    // A driver may round or ignore a setting without failing: compare with what it kept.
    DCB kept{};
    kept.DCBlength = sizeof kept;
    if (!GetCommState(handle_, &kept)) return ConfigureFail(ConfigureFailure::kApplyState);
    if (!SameLine(dcb, kept)) {
      lastError_ = ERROR_INVALID_PARAMETER;
      return ConfigureFailure::kApplyState;
    }
    // A read returns at once with what is queued, or with the first byte to come, or with
    // nothing after kWaitReadLimitMs; writes have no driver limit, Write has its own.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kWaitReadLimitMs;
    if (!SetCommTimeouts(handle_, &timeouts)) return ConfigureFail(ConfigureFailure::kApplyState);
    if (!PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR))
      return ConfigureFail(ConfigureFailure::kPurge);
    DWORD errors = 0;
    ClearCommError(handle_, &errors, nullptr);
    return ConfigureFailure::kNone;
  }

  std::optional<ConfigureNote> TakeConfigureNote() override {
    return std::exchange(configureNote_, std::nullopt);
  }

  bool CurrentBitRate(std::uint32_t* bitRate) override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return Fail(GetLastError());
    *bitRate = dcb.BaudRate;
    return true;
  }

  bool SetBitRate(std::uint32_t bitRate) override {
    if (!IsSupportedBitRate(bitRate)) return Fail(ERROR_INVALID_PARAMETER);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return Fail(GetLastError());
    dcb.BaudRate = bitRate;
    KeepFlowCharactersApart(dcb);
    if (!SetCommState(handle_, &dcb)) return Fail(GetLastError());
    DCB kept{};
    kept.DCBlength = sizeof kept;
    if (!GetCommState(handle_, &kept)) return Fail(GetLastError());
    if (kept.BaudRate != bitRate) return Fail(ERROR_INVALID_PARAMETER);
    return true;
  }

  InputEvent Wait(int timeoutMs, bool watchDevice) override {
    const DWORD limit = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (!watchDevice)
      return WaitForSingleObject(wake_, limit) == WAIT_OBJECT_0 ? InputEvent::kWoken
                                                                : InputEvent::kTimeout;
    DropStashAfterPurge();
    if (stashed_ > 0) return InputEvent::kReady;
    if (std::exchange(pauseBeforeNextRead_, false)) return PauseAfterAbortedRead(limit);
    const SteadyTime deadline =
        limit == INFINITE ? SteadyTime::max()
                          : std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    if (!waitReadPending_) {
      // A device that is gone fails here already.
      DWORD errors = 0;
      COMSTAT status{};
      if (!ClearCommError(handle_, &errors, &status)) return HangUp(GetLastError());
      if (status.cbInQue > 0) return InputEvent::kReady;
      if (ReadFile(handle_, waitRead_.Data(), kWaitReadBytes, nullptr, waitRead_.Begin())) {
        return TakeWaitRead(deadline);
      }
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) return WaitReadFailed(error, 0, deadline);
      waitReadPending_ = true;
    }
    // A slice that ends without a byte leaves the read pending for the next wait: cancelling
    // it could lose what it was taking from the line at that moment.
    HANDLE both[2] = {wake_, waitRead_.Event()};
    const DWORD woke = WaitForMultipleObjects(2, both, FALSE, limit);
    if (woke == WAIT_OBJECT_0 + 1) return TakeWaitRead(deadline);
    if (woke == WAIT_OBJECT_0) return InputEvent::kWoken;
    return InputEvent::kTimeout;
  }

  void Wake() override {
    if (wake_ != nullptr) SetEvent(wake_);
  }

  long ReadQueued(std::uint8_t* buffer, std::size_t capacity) override {
    DropStashAfterPurge();
    std::size_t given = 0;
    if (stashed_ > 0) {
      given = std::min(stashed_, capacity);
      std::memcpy(buffer, waitRead_.Data() + stashOffset_, given);
      stashed_ -= given;
      stashOffset_ = stashed_ == 0 ? 0 : stashOffset_ + given;
      if (stashed_ > 0 || given == capacity) return static_cast<long>(given);
    }
    // Bytes go to the pending read first; a second read beside it could take them out of order.
    if (waitReadPending_) return static_cast<long>(given);
    const long more = ReadQueuedFromDriver(buffer + given, capacity - given);
    // With bytes already given, a failure is left for the next call to tell.
    if (more < 0) return given > 0 ? static_cast<long>(given) : -1;
    return static_cast<long>(given) + more;
  }

  // What the driver holds, without waiting.
  long ReadQueuedFromDriver(std::uint8_t* buffer, std::size_t capacity) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return ReadFail(GetLastError());
    const DWORD want = static_cast<DWORD>(
        std::min<std::size_t>(status.cbInQue, std::min<std::size_t>(capacity, MAXDWORD)));
    if (want == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, want, nullptr, read_.Begin())) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) return ReadFail(error);
      if (WaitForSingleObject(read_.Event(), kQueuedReadLimitMs) != WAIT_OBJECT_0) {
        // Whatever it delivered before the cancel still counts.
        if (!read_.Settle(
                handle_, [] {}, &got))
          return ReadFail(WAIT_TIMEOUT);
        return static_cast<long>(got);
      }
    }
    if (!GetOverlappedResult(handle_, read_.Get(), &got, FALSE)) {
      const DWORD error = GetLastError();
      // An aborted read is no failure of the device; the next wait deals with it.
      if (error == ERROR_OPERATION_ABORTED) {
        pauseBeforeNextRead_ = !AbortedByPurge();
        return static_cast<long>(got);
      }
      return ReadFail(error);
    }
    return static_cast<long>(got);
  }

  WriteOutcome Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override {
    WriteOutcome outcome;
    const SteadyTime deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    while (outcome.written < count) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(count - outcome.written, kWriteChunkBytes));
      DWORD put = 0;
      if (!WriteFile(handle_, data + outcome.written, chunk, nullptr, write_.Begin())) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) return WriteFail(outcome, error);
        const DWORD waited = WaitForSingleObject(write_.Event(), MsUntil(deadline));
        if (waited != WAIT_OBJECT_0) {
          // Nothing moves on the line: take back what has not gone yet, keep the count of what
          // has.
          const DWORD error2 = waited == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
          write_.Settle(
              handle_, [this] { PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR); }, &put);
          outcome.written += put;
          lastError_ = static_cast<int>(error2);
          outcome.timedOut = true;
          return outcome;
        }
      }
      if (!GetOverlappedResult(handle_, write_.Get(), &put, FALSE)) {
        outcome.written += put;
        return WriteFail(outcome, GetLastError());
      }
      outcome.written += put;
      // Without a driver time-out a write ends only when all is sent; a driver that ends it
      // early with nothing sent has given up.
      if (put == 0 || (put < chunk && MsUntil(deadline) == 0)) {
        lastError_ = WAIT_TIMEOUT;
        outcome.timedOut = true;
        return outcome;
      }
    }
    return outcome;
  }

  // FlushFileBuffers waits for the driver without a time limit, so the driver's queue is
  // first watched empty within the limit; the flush then only waits for the transmitter.
  bool Drain(int timeoutMs) override {
    const SteadyTime deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::uint32_t bitRate = 0;
    if (!CurrentBitRate(&bitRate)) return false;
    if (bitRate == 0) bitRate = 9600;
    for (;;) {
      DWORD errors = 0;
      COMSTAT status{};
      if (!ClearCommError(handle_, &errors, &status)) return Fail(GetLastError());
      if (status.cbOutQue == 0) break;
      const DWORD left = MsUntil(deadline);
      if (left == 0) return Fail(WAIT_TIMEOUT);
      const std::int64_t lineMs = static_cast<std::int64_t>(status.cbOutQue) * 10 * 1000 / bitRate;
      std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp<std::int64_t>(
          lineMs, 1, std::min<std::int64_t>(kDrainStepMs, static_cast<std::int64_t>(left)))));
    }
    if (!FlushFileBuffers(handle_)) return Fail(GetLastError());
    return true;
  }

  bool Purge(bool input, bool output) override {
    DWORD flags = 0;
    if (input) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    if (output) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    if (flags == 0) return true;
    if (input) purgedInput_ = true;
    if (!PurgeComm(handle_, flags)) return Fail(GetLastError());
    return true;
  }

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    if (waitReadPending_) {
      DWORD got = 0;
      // The record must not be reused or freed while the driver may still fill it.
      waitRead_.Settle(
          handle_, [this] { CancelIoEx(handle_, waitRead_.Get()); }, &got);
      waitReadPending_ = false;
    }
    const BOOL closed = CloseHandle(handle_);
    const DWORD error = GetLastError();
    handle_ = INVALID_HANDLE_VALUE;
    CloseHandle(portLock_);
    portLock_ = nullptr;
    stashed_ = stashOffset_ = 0;
    if (!closed) return Fail(error);
    return true;
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  const std::string& Path() const override { return path_; }
  int LastError() const override { return lastError_; }

 private:
  bool Fail(DWORD error) {
    lastError_ = static_cast<int>(error);
    return false;
  }
  ConfigureFailure ConfigureFail(ConfigureFailure failure) {
    lastError_ = static_cast<int>(GetLastError());
    return failure;
  }
  // The waiting read has ended: what it took is handed out by ReadQueued.
  InputEvent TakeWaitRead(SteadyTime deadline) {
    waitReadPending_ = false;
    DWORD got = 0;
    if (!GetOverlappedResult(handle_, waitRead_.Get(), &got, FALSE)) {
      return WaitReadFailed(GetLastError(), got, deadline);
    }
    stashed_ = got;
    stashOffset_ = 0;
    return got > 0 ? InputEvent::kReady : InputEvent::kTimeout;
  }
  // A waiting read that failed: aborted, see AbortedByPurge; otherwise the device is gone
  // (bytes that came before are still handed out).
  InputEvent WaitReadFailed(DWORD error, DWORD got, SteadyTime deadline) {
    if (error == ERROR_OPERATION_ABORTED) {
      stashed_ = stashOffset_ = 0;
      if (AbortedByPurge()) return InputEvent::kTimeout;
      return PauseAfterAbortedRead(MsUntil(deadline));
    }
    stashed_ = got;
    stashOffset_ = 0;
    if (got > 0) return InputEvent::kReady;
    return HangUp(error);
  }
  // The one rule for a read that ended aborted. A purge of the input aborts the reads it finds:
  // no news, and what they took went with it. Any other abort (a driver in trouble with its
  // device or its line) is never retried at once, or the reader would spin at the upload's
  // priority: the wait sleeps first (PauseAfterAbortedRead), and the next wait's look at the
  // device's error state tells a device that is gone.
  bool AbortedByPurge() { return purgedInput_.exchange(false); }
  InputEvent PauseAfterAbortedRead(DWORD limitMs) {
    const DWORD pause = std::min(limitMs, kAbortedReadPauseMs);
    return WaitForSingleObject(wake_, pause) == WAIT_OBJECT_0 ? InputEvent::kWoken
                                                              : InputEvent::kTimeout;
  }
  // Bytes the waiting read took before a purge of the input go with the purge.
  void DropStashAfterPurge() {
    if (purgedInput_.exchange(false)) stashed_ = stashOffset_ = 0;
  }
  InputEvent HangUp(DWORD error) {
    lastError_ = static_cast<int>(error);
    return InputEvent::kHangUp;
  }
  long ReadFail(DWORD error) {
    lastError_ = static_cast<int>(error);
    return -1;
  }
  WriteOutcome WriteFail(WriteOutcome outcome, DWORD error) {
    lastError_ = static_cast<int>(error);
    outcome.failed = true;
    return outcome;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HANDLE portLock_ = nullptr;
  HANDLE wake_ = nullptr;  // auto-reset: one Wake ends one wait
  // The reader thread's requests (the waiting read, reads of what is queued) and the
  // caller's (writes). What the waiting read took and ReadQueued has not handed out yet lies
  // in its record's buffer from stashOffset_ on: reader thread only.
  COverlappedRecord waitRead_;
  std::size_t stashed_ = 0;
  std::size_t stashOffset_ = 0;
  bool waitReadPending_ = false;      // reader thread, and Close once the reader has ended
  bool pauseBeforeNextRead_ = false;  // reader thread: a read ended aborted, not by a purge
  std::atomic<bool> purgedInput_{false};
  COverlappedRecord read_;
  COverlappedRecord write_;
  std::string path_;
  std::optional<ConfigureNote> configureNote_;
  std::atomic<int> lastError_{0};
};

}  // namespace

bool IsSupportedBitRate(std::uint32_t bitRate) {
  return bitRate > 0;
}

std::unique_ptr<SerialDevice> MakeWin32SerialDevice() {
  return std::make_unique<CWin32SerialDevice>();
}

std::unique_ptr<SerialDevice> MakeSerialDevice() {
  return MakeWin32SerialDevice();
}

bool DeviceNumberOfPath(const std::string& path, std::uint64_t* number, int* error) {
  (void)path;
  (void)number;
  *error = ERROR_NOT_SUPPORTED;
  return false;
}

std::string DeviceNumberText(std::uint64_t number) {
  return std::to_string(number);
}

bool IsDeviceGoneError(int error) {
  switch (static_cast<DWORD>(error)) {
    case ERROR_BAD_COMMAND:  // usbser.sys once its adapter is pulled
    case ERROR_GEN_FAILURE:  // many USB serial drivers likewise
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_NOT_READY:  // Wine, for a pseudo-terminal whose far end has closed
    case ERROR_DEV_NOT_EXIST:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED:  // FTDI's driver after a removal
    case ERROR_OPERATION_ABORTED:
    case ERROR_INVALID_HANDLE:
      return true;
    default:
      return false;
  }
}

int NoSuchDeviceError() {
  return ERROR_FILE_NOT_FOUND;
}

int PortNotOpenError() {
  return ERROR_INVALID_HANDLE;
}
