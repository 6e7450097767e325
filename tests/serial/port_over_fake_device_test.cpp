// CSerialPort over a device that fails the way drivers do, on both platforms: a close whose
// purge fails (an adapter pulled, a driver in trouble), a driver that keeps its own queue
// sizes, and on Windows the device a port above COM9 opens (Wine cannot open one).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/settings_store.h"
#include "serial/com_device.h"
#include "serial/serial_port.h"
#include "tests/serial/trace_capture.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace {

// What the test makes the device do, and what the port did to it.
struct DeviceScript {
  std::mutex lock;  // for the reader's waits
  std::condition_variable woken;
  bool wake = false;
  std::atomic<int> purgeError = 0;   // the purge fails with this, 0: it works
  std::atomic<int> hangUpError = 0;  // the reader's wait meets a hang-up with this, 0: it does not
  std::optional<ConfigureNote> note;
  std::vector<std::string> opened;
  int closes = 0;
};

class CFakeDevice : public SerialDevice {
 public:
  explicit CFakeDevice(DeviceScript& script) : script_(script) {}

  // Open, the line's settings and Close come from the caller's thread only.
  bool Open(const std::string& path) override {
    script_.opened.push_back(path_ = path);
    return open_ = true;
  }
  ConfigureFailure Configure(const LineSettings&) override { return ConfigureFailure::kNone; }
  std::optional<ConfigureNote> TakeConfigureNote() override {
    return std::exchange(script_.note, std::nullopt);
  }
  bool CurrentBitRate(std::uint32_t* bitRate) override { return (*bitRate = 9600) != 0; }
  bool SetBitRate(std::uint32_t) override { return true; }
  InputEvent Wait(int timeoutMs, bool watchDevice) override {
    std::unique_lock<std::mutex> hold(script_.lock);
    if (watchDevice && script_.hangUpError != 0) {
      lastError_ = script_.hangUpError.load();
      return InputEvent::kHangUp;
    }
    const bool woken = script_.woken.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                              [this] { return script_.wake; });
    script_.wake = false;
    return woken ? InputEvent::kWoken : InputEvent::kTimeout;
  }
  void Wake() override {
    std::lock_guard<std::mutex> hold(script_.lock);
    script_.wake = true;
    script_.woken.notify_all();
  }
  long ReadQueued(std::uint8_t*, std::size_t) override { return 0; }
  WriteOutcome Write(const std::uint8_t*, std::size_t count, int) override {
    return WriteOutcome{count, false, false};
  }
  bool Drain(int) override { return true; }
  bool Purge(bool, bool) override {
    if (script_.purgeError != 0) lastError_ = script_.purgeError.load();
    return script_.purgeError == 0;
  }
  bool Close() override {
    ++script_.closes;
    open_ = false;
    return true;
  }
  bool IsOpen() const override { return open_; }
  const std::string& Path() const override { return path_; }
  int LastError() const override { return lastError_; }

 private:
  DeviceScript& script_;
  std::string path_;
  bool open_ = false;
  std::atomic<int> lastError_{0};  // the reader's waits and the caller's purge both set it
};

class PortOverFakeDevice : public ::testing::Test {
 protected:
  TraceCapture trace;
  DeviceScript script;
  RecordingUi ui;
  std::string resolved = "port-device";
  CSerialPort port{ui, [this](int) { return resolved; },
                   [this] { return std::make_unique<CFakeDevice>(script); }};
};

struct CloseCase {
  const char* name;
  int purgeError;
  bool readerSawHangUp;
  bool closed;  // what ClosePort says
  bool purgeTraced;
};

class PortCloseOverFakeDevice : public PortOverFakeDevice,
                                public ::testing::WithParamInterface<CloseCase> {};

// However the purge fails, the close stops the reader and lets the device go, so that COMn
// opens again (before, an error not listed as "device gone" kept the port open for good).
TEST_P(PortCloseOverFakeDevice, TheCloseLetsTheDeviceGoAndCOMnOpensAgain) {
  const CloseCase& c = GetParam();
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  if (c.readerSawHangUp) {
    script.hangUpError = c.purgeError;
    ASSERT_TRUE(trace.Await("(SizeOfInputQ)")) << "the reader never met the hang-up";
  }
  script.purgeError = c.purgeError;
  EXPECT_EQ(port.ClosePort(), c.closed);
  EXPECT_EQ(std::tuple(port.IsOpen(), script.closes, trace.Contains("Could not purge COM port")),
            std::tuple(false, 1, c.purgeTraced));

  script.purgeError = 0;
  script.hangUpError = 0;
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1)) << "COMn stayed taken after the close";
  EXPECT_TRUE(port.ClosePort());
  EXPECT_FALSE(trace.Contains("Port already open"));
}

#ifdef _WIN32
constexpr int kGoneError = ERROR_DEVICE_REMOVED;
constexpr int kUnlistedErrors[] = {ERROR_IO_DEVICE, ERROR_INVALID_FUNCTION};
#else
constexpr int kGoneError = EIO;
constexpr int kUnlistedErrors[] = {EINVAL, ENOTTY};
#endif

INSTANTIATE_TEST_SUITE_P(
    Purges, PortCloseOverFakeDevice,
    ::testing::Values(CloseCase{"AGoneDevice", kGoneError, false, true, false},
                      CloseCase{"AnUnlistedError", kUnlistedErrors[0], false, false, true},
                      CloseCase{"AnotherUnlistedError", kUnlistedErrors[1], false, false, true},
                      CloseCase{"AnUnlistedErrorAfterTheReaderSawAHangUp", kUnlistedErrors[0], true,
                                true, false}),
    [](const auto& test) { return std::string(test.param.name); });

// A driver that keeps its own queue sizes serves the line as well: the open goes on and the
// refusal is traced once.
TEST_F(PortOverFakeDevice, ADriverThatKeepsItsOwnQueueSizesStillOpens) {
  script.note = ConfigureNote{"Could not setup communications with input / output buffers", 1};
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  EXPECT_TRUE(trace.Contains("Could not setup communications with input / output buffers"));
  EXPECT_FALSE(trace.Contains("Port did not initialise properly"));
  EXPECT_TRUE(port.ClosePort());
}

#ifdef _WIN32
// Only "\\.\COM10" and above reach a COM port above COM9; the bare name does not.
TEST_F(PortOverFakeDevice, APortMappedAboveCom9OpensItsDeviceName) {
  TempDir dir;
  CSettingsStore settings(dir.File("kznload.INI"));
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "COM1", "COM12"));
  resolved = ResolveComDevice(settings, 1);
  EXPECT_EQ(resolved, "\\\\.\\COM12");
  EXPECT_EQ(ResolveComDevice(settings, 2), "\\\\.\\COM2");
  EXPECT_EQ(ExpandDeviceName("\\\\.\\COM12", {}), "\\\\.\\COM12");
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  EXPECT_EQ(script.opened, std::vector<std::string>{"\\\\.\\COM12"});
  EXPECT_TRUE(port.ClosePort());
}
#endif

}  // namespace
