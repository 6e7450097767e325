// The Win32 serial device against a real line: under Wine, a COM port mapped to a
// pseudo-terminal whose other end is serial_peer.py, reached through its control channel.
// run_serial_tests.sh sets up the port and the peer and hands them over in KZN_TEST_COM
// (the port's name, "COM5") and KZN_PEER_PORT (the control channel's TCP port).
#include <windows.h>
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/system_error.h"
#include "serial/port_discovery.h"
#include "serial/serial_device.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

std::string Environment(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : otherwise;
}

std::string PortPath() {
  return "\\\\.\\" + Environment("KZN_TEST_COM", "COM5");
}

std::string Hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

Bytes FromHex(const std::string& text) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

Bytes EveryByteValue(int times) {
  Bytes bytes;
  for (int round = 0; round < times; ++round) {
    for (int value = 0; value < 256; ++value)
      bytes.push_back(static_cast<std::uint8_t>(round % 2 == 0 ? value : 255 - value));
  }
  return bytes;
}

// The control channel to serial_peer.py: one command line, one answer line.
class CPeer {
 public:
  CPeer() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    started_ = true;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::stoi(Environment("KZN_PEER_PORT", "0"))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket_ != INVALID_SOCKET &&
        ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      closesocket(socket_);
      socket_ = INVALID_SOCKET;
    }
  }
  ~CPeer() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    if (started_) WSACleanup();
  }
  CPeer(const CPeer&) = delete;
  CPeer& operator=(const CPeer&) = delete;

  bool Connected() const { return socket_ != INVALID_SOCKET; }

  // The answer after "OK ", or "ERR ..." / "" when the command failed.
  std::string Ask(const std::string& command) {
    const std::string line = command + "\n";
    if (::send(socket_, line.data(), static_cast<int>(line.size()), 0) !=
        static_cast<int>(line.size())) {
      return "";
    }
    std::string answer;
    char c = 0;
    while (::recv(socket_, &c, 1, 0) == 1 && c != '\n')
      answer.push_back(c);
    if (answer.rfind("OK", 0) != 0) return answer.empty() ? "ERR no answer" : answer;
    return answer.size() > 3 ? answer.substr(3) : "";
  }

  void Send(const Bytes& bytes) { EXPECT_EQ(Ask("SEND " + Hex(bytes)), ""); }
  Bytes Receive(std::size_t count, int ms) {
    return FromHex(Ask("RECV " + std::to_string(count) + " " + std::to_string(ms)));
  }
  std::map<std::string, int> LineSettings() {
    std::map<std::string, int> fields;
    std::istringstream words(Ask("TERMIOS"));
    std::string word;
    while (words >> word) {
      const std::size_t equals = word.find('=');
      if (equals != std::string::npos)
        fields[word.substr(0, equals)] = std::stoi(word.substr(equals + 1));
    }
    return fields;
  }

 private:
  bool started_ = false;
  SOCKET socket_ = INVALID_SOCKET;
};

// Reads what arrives until `count` bytes came or `limitMs` passed, as the port's reader does;
// `largest` (if given) is the most bytes one delivery brought.
Bytes Collect(SerialDevice& device, std::size_t count, int limitMs,
              std::size_t* largest = nullptr) {
  Bytes got;
  const auto giveUp = steady_clock::now() + milliseconds(limitMs);
  std::uint8_t chunk[1210];
  while (got.size() < count && steady_clock::now() < giveUp) {
    const InputEvent event = device.Wait(100, true);
    if (event == InputEvent::kHangUp) break;
    if (event != InputEvent::kReady) continue;
    const long n = device.ReadQueued(chunk, sizeof chunk);
    if (n < 0) break;
    if (largest != nullptr) *largest = std::max(*largest, static_cast<std::size_t>(n));
    got.insert(got.end(), chunk, chunk + n);
  }
  return got;
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

class Win32SerialDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.Connected()) << "no serial_peer.py on KZN_PEER_PORT";
    ASSERT_TRUE(device->Open(PortPath()))
        << PortPath() << ": " << SystemErrorText(device->LastError());
    ASSERT_EQ(device->Configure({115200, 'N', 8, 1}), ConfigureFailure::kNone)
        << SystemErrorText(device->LastError());
  }
  void TearDown() override {
    device->Close();
    peer.Ask("DISCARD");
  }

  CPeer peer;
  std::unique_ptr<SerialDevice> device = MakeWin32SerialDevice();
};

TEST_F(Win32SerialDeviceTest, ASecondOpenIsRefusedAsInUse) {
  std::unique_ptr<SerialDevice> second = MakeSerialDevice();
  EXPECT_FALSE(second->Open(PortPath()));
  EXPECT_EQ(KindOfSystemError(second->LastError()), SystemErrorKind::kInUse)
      << SystemErrorText(second->LastError());
  EXPECT_FALSE(second->IsOpen());
  EXPECT_TRUE(device->IsOpen());
}

TEST_F(Win32SerialDeviceTest, APortThatDoesNotExistIsNotFound) {
  std::unique_ptr<SerialDevice> absent = MakeWin32SerialDevice();
  EXPECT_FALSE(absent->Open("\\\\.\\COM200"));
  EXPECT_EQ(KindOfSystemError(absent->LastError()), SystemErrorKind::kNotFound)
      << SystemErrorText(absent->LastError());
}

TEST_F(Win32SerialDeviceTest, EveryByteValueLeavesUnchanged) {
  const Bytes all = EveryByteValue(2);
  const WriteOutcome outcome = device->Write(all.data(), all.size(), 5000);
  EXPECT_FALSE(outcome.failed || outcome.timedOut) << SystemErrorText(device->LastError());
  EXPECT_EQ(outcome.written, all.size());
  EXPECT_EQ(peer.Receive(all.size(), 5000), all);
}

TEST_F(Win32SerialDeviceTest, EveryByteValueArrivesUnchanged) {
  const Bytes all = EveryByteValue(2);
  peer.Send(all);
  EXPECT_EQ(Collect(*device, all.size(), 5000), all);
}

// A receiver streaming its tables: bytes keep coming across many of the reader's 100 ms
// slices, and none may be lost or reordered where a slice ends. They must also reach the
// reader as they come: the port's receive buffer empties itself when 1210 bytes wait, so a
// device that hands out a second's worth at once loses the read-out.
TEST_F(Win32SerialDeviceTest, AStreamAtTheLineRateArrivesWholeAndInOrder) {
  ASSERT_EQ(device->Configure({9600, 'N', 8, 2}), ConfigureFailure::kNone);
  const Bytes stream = EveryByteValue(12);  // 3072 bytes, about 3 s at 9600 bit/s
  EXPECT_EQ(peer.Ask("TRICKLE " + Hex(stream) + " 3 3"), "");
  std::size_t largest = 0;
  EXPECT_EQ(Collect(*device, stream.size(), 15000, &largest), stream);
  EXPECT_LT(largest, 400u) << "bytes held back before the reader got them";
}

struct LineCase {
  const char* name;
  LineSettings settings;
};

class Win32LineSettingsTest : public Win32SerialDeviceTest,
                              public ::testing::WithParamInterface<LineCase> {};

TEST_P(Win32LineSettingsTest, TheLineCarriesTheSettingsAndNothingElse) {
  const LineSettings& wanted = GetParam().settings;
  ASSERT_EQ(device->Configure(wanted), ConfigureFailure::kNone)
      << SystemErrorText(device->LastError());
  std::map<std::string, int> line = peer.LineSettings();
  EXPECT_EQ(line["speed"], static_cast<int>(wanted.bitRate));
  EXPECT_EQ(line["csize"], wanted.dataBits);
  EXPECT_EQ(line["cstopb"], wanted.stopBits == 2 ? 1 : 0);
  EXPECT_EQ(line["parenb"], wanted.parity == 'N' ? 0 : 1);
  EXPECT_EQ(line["crtscts"], 0);
  EXPECT_EQ(line["ixon"], 0);
  EXPECT_EQ(line["ixoff"], 0);
  EXPECT_EQ(line["translate"], 0);
  EXPECT_EQ(line["opost"], 0);
  EXPECT_EQ(line["icanon"], 0);
  std::uint32_t bitRate = 0;
  ASSERT_TRUE(device->CurrentBitRate(&bitRate));
  EXPECT_EQ(bitRate, wanted.bitRate);
}

INSTANTIATE_TEST_SUITE_P(Lines, Win32LineSettingsTest,
                         ::testing::Values(LineCase{"At4800_8N2", {4800, 'N', 8, 2}},
                                           LineCase{"At9600_8N1", {9600, 'N', 8, 1}},
                                           LineCase{"At115200_8N1", {115200, 'N', 8, 1}}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(Win32SerialDeviceTest, ARateChangeKeepsTheFrame) {
  ASSERT_EQ(device->Configure({4800, 'N', 8, 2}), ConfigureFailure::kNone);
  ASSERT_TRUE(device->SetBitRate(115200)) << SystemErrorText(device->LastError());
  std::map<std::string, int> line = peer.LineSettings();
  EXPECT_EQ(line["speed"], 115200);
  EXPECT_EQ(line["csize"], 8);
  EXPECT_EQ(line["cstopb"], 1);
}

// Flow control is off, but a driver refuses a line state whose XON and XOFF characters are
// equal, and some drivers report them so: the device sets its own, on every change of the line.
TEST_F(Win32SerialDeviceTest, TheFlowControlCharactersAreSetApart) {
  ASSERT_EQ(peer.Ask("CHARS 0 0"), "");
  ASSERT_EQ(device->Configure({9600, 'N', 8, 1}), ConfigureFailure::kNone);
  std::map<std::string, int> line = peer.LineSettings();
  EXPECT_EQ(line["vstart"], 0x11);
  EXPECT_EQ(line["vstop"], 0x13);
  ASSERT_EQ(peer.Ask("CHARS 0 0"), "");
  ASSERT_TRUE(device->SetBitRate(4800)) << SystemErrorText(device->LastError());
  line = peer.LineSettings();
  EXPECT_EQ(line["vstart"], 0x11);
  EXPECT_EQ(line["vstop"], 0x13);
}

TEST_F(Win32SerialDeviceTest, SettingsThePlatformCannotExpressAreRefusedBeforeTheDevice) {
  EXPECT_EQ(device->Configure({9600, 'M', 8, 1}), ConfigureFailure::kBuildState);
  EXPECT_EQ(device->Configure({0, 'N', 8, 1}), ConfigureFailure::kBuildState);
  EXPECT_EQ(device->Configure({9600, 'N', 9, 1}), ConfigureFailure::kBuildState);
  EXPECT_FALSE(device->SetBitRate(0));
  std::uint32_t bitRate = 0;
  ASSERT_TRUE(device->CurrentBitRate(&bitRate));
  EXPECT_EQ(bitRate, 115200u);
}

TEST_F(Win32SerialDeviceTest, AQuietLineCostsNoProcessorTime) {
  // The reader's loop, idle for a second.
  const double before = ProcessCpuMs();
  const auto end = steady_clock::now() + milliseconds(1000);
  int wakes = 0;
  while (steady_clock::now() < end) {
    if (device->Wait(100, true) != InputEvent::kTimeout) ++wakes;
  }
  const double used = ProcessCpuMs() - before;
  EXPECT_EQ(wakes, 0);
  // A spinning wait burns the whole second; a sleeping one a few milliseconds.
  EXPECT_LT(used, 250.0);
}

// The serial handle the device under test holds: the one handle of this process that has a
// line state (a test's way in; the device hands it to nobody).
HANDLE OpenComHandle() {
  for (std::uintptr_t value = 4; value < (1u << 16); value += 4) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(reinterpret_cast<HANDLE>(value), &dcb)) return reinterpret_cast<HANDLE>(value);
  }
  return nullptr;
}

// A driver that aborts the reader's read on its own, not for a purge (as some do while their
// device is in trouble), must not make the reader spin at the upload's priority: each wait
// sleeps out its time first.
TEST_F(Win32SerialDeviceTest, ReadsTheDriverAbortsDoNotMakeTheReaderSpin) {
  const HANDLE port = OpenComHandle();
  ASSERT_NE(port, nullptr);
  std::atomic<bool> aborting{true};
  std::thread driver([&] {
    while (aborting) {
      CancelIoEx(port, nullptr);
      Sleep(1);
    }
  });
  int waits = 0;
  const auto end = steady_clock::now() + milliseconds(1000);
  while (steady_clock::now() < end) {
    device->Wait(100, true);
    ++waits;
  }
  aborting = false;
  driver.join();
  // About ten slices of 100 ms; a wait that came back at each abort would count hundreds.
  EXPECT_LE(waits, 30);
  // Once the driver is at peace the line delivers as before.
  peer.Send({'O', 'K'});
  EXPECT_EQ(Collect(*device, 2, 5000), (Bytes{'O', 'K'}));
}

TEST_F(Win32SerialDeviceTest, WakeEndsAWaitAtOnce) {
  auto waiting = std::async(std::launch::async, [this] {
    const auto start = steady_clock::now();
    const InputEvent event = device->Wait(20000, true);
    return std::make_pair(event, steady_clock::now() - start);
  });
  std::this_thread::sleep_for(milliseconds(200));  // let it get into its wait
  device->Wake();
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto [event, took] = waiting.get();
  EXPECT_EQ(event, InputEvent::kWoken);
  EXPECT_LT(took, std::chrono::seconds(5));
  // The wait ended cleanly: the line still delivers.
  peer.Send({'$', 0, '\r', '\n'});
  EXPECT_EQ(Collect(*device, 4, 5000), (Bytes{'$', 0, '\r', '\n'}));
}

TEST_F(Win32SerialDeviceTest, AWakeBeforeTheWaitEndsTheNextOne) {
  device->Wake();
  EXPECT_EQ(device->Wait(20000, false), InputEvent::kWoken);
  EXPECT_EQ(device->Wait(50, false), InputEvent::kTimeout);
}

TEST_F(Win32SerialDeviceTest, AWriteNobodyTakesEndsAtItsTimeLimit) {
  // The peer reads nothing: the pseudo-terminal's buffers fill and the write stalls.
  const Bytes lots(4 << 20, 0x55);
  const auto start = steady_clock::now();
  const WriteOutcome outcome = device->Write(lots.data(), lots.size(), 500);
  const auto took = steady_clock::now() - start;
  EXPECT_TRUE(outcome.timedOut);
  EXPECT_FALSE(outcome.failed);
  EXPECT_LT(outcome.written, lots.size());
  EXPECT_GE(took, milliseconds(450));
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(device->LastError(), static_cast<int>(WAIT_TIMEOUT));
  // Once the far end reads again, the device writes again.
  EXPECT_TRUE(device->Purge(true, true));
  peer.Ask("DISCARD");
  const Bytes small = {1, 2, 3};
  EXPECT_EQ(device->Write(small.data(), small.size(), 5000).written, 3u);
  EXPECT_EQ(peer.Receive(3, 5000), small);
}

TEST_F(Win32SerialDeviceTest, DrainReturnsOnceTheBytesAreOut) {
  const Bytes some(256, 0xA5);
  ASSERT_EQ(device->Write(some.data(), some.size(), 5000).written, some.size());
  EXPECT_TRUE(device->Drain(5000)) << SystemErrorText(device->LastError());
  EXPECT_EQ(peer.Receive(some.size(), 5000), some);
}

TEST_F(Win32SerialDeviceTest, PurgeDropsWhatWaitsForTheReader) {
  peer.Send({1, 2, 3, 4});
  // Until the device holds them (one write of the peer: they arrive together), ready for the
  // reader: a purge of nothing would prove nothing.
  const auto giveUp = steady_clock::now() + std::chrono::seconds(5);
  bool ready = false;
  while (!ready && steady_clock::now() < giveUp)
    ready = device->Wait(100, true) == InputEvent::kReady;
  ASSERT_TRUE(ready) << "the bytes never arrived in the device";
  EXPECT_TRUE(device->Purge(true, false));
  std::uint8_t chunk[16];
  EXPECT_EQ(device->ReadQueued(chunk, sizeof chunk), 0);
  // Gone, not merely held back: what comes next is read alone.
  peer.Send({5});
  EXPECT_EQ(Collect(*device, 1, 5000), (Bytes{5}));
}

TEST_F(Win32SerialDeviceTest, ClosedAndOpenedAgainTheLineWorks) {
  ASSERT_TRUE(device->Close());
  EXPECT_FALSE(device->IsOpen());
  ASSERT_TRUE(device->Open(PortPath())) << SystemErrorText(device->LastError());
  ASSERT_EQ(device->Configure({9600, 'N', 8, 1}), ConfigureFailure::kNone);
  peer.Send({'P', 'O', 'K'});
  EXPECT_EQ(Collect(*device, 3, 5000), (Bytes{'P', 'O', 'K'}));
  const Bytes out = {'0', '\r', '\n'};
  EXPECT_EQ(device->Write(out.data(), out.size(), 5000).written, 3u);
  EXPECT_EQ(peer.Receive(3, 5000), out);
}

// Wine keeps no parity on a pseudo-terminal, and the loads use none: the cases are 8N1 and 8N2.

// Last in the file: the line goes away and comes back as a new pseudo-terminal.
TEST_F(Win32SerialDeviceTest, ZAVanishedLineIsReportedAndTheDeviceStillCloses) {
  ASSERT_EQ(peer.Ask("HANGUP"), "");
  // The reader learns of it within a few of its slices, by a hang-up or a failed read.
  bool reported = false;
  const auto giveUp = steady_clock::now() + std::chrono::seconds(10);
  std::uint8_t chunk[64];
  while (!reported && steady_clock::now() < giveUp) {
    const InputEvent event = device->Wait(100, true);
    reported = event == InputEvent::kHangUp ||
               (event == InputEvent::kReady && device->ReadQueued(chunk, sizeof chunk) < 0);
  }
  EXPECT_TRUE(reported);
  EXPECT_TRUE(IsDeviceGoneError(device->LastError())) << SystemErrorText(device->LastError());
  const Bytes out = {1, 2, 3};
  const WriteOutcome outcome = device->Write(out.data(), out.size(), 2000);
  EXPECT_TRUE(outcome.failed || outcome.timedOut);
  // What the port does at close: a purge that fails for a device that is gone must say so.
  if (!device->Purge(true, true)) {
    EXPECT_TRUE(IsDeviceGoneError(device->LastError())) << SystemErrorText(device->LastError());
  }
  device->Close();
  EXPECT_FALSE(device->IsOpen());
  // Plugged in again, the port opens as before.
  ASSERT_EQ(peer.Ask("REPLUG"), "");
  ASSERT_TRUE(device->Open(PortPath())) << SystemErrorText(device->LastError());
  ASSERT_EQ(device->Configure({4800, 'N', 8, 2}), ConfigureFailure::kNone);
  peer.Send({'O', 'K'});
  EXPECT_EQ(Collect(*device, 2, 5000), (Bytes{'O', 'K'}));
}

}  // namespace

namespace {

// "COM12" alone names a file of that name in the working folder; only "\\.\COM12" is the
// port. A bare name from the command line (--device COM12) must reach the port.
TEST(Win32ComNames, ABareNameAboveCom9IsThePortNotAFileOfThatName) {
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  ASSERT_TRUE(SetCurrentDirectoryW(folder));
  HANDLE file = CreateFileW(L"COM12", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  std::unique_ptr<SerialDevice> device = MakeWin32SerialDevice();
  const bool opened = device->Open("COM12");
  device->Close();
  DeleteFileW(L"COM12");
  SetCurrentDirectoryW(before);
  // Wine maps no COM12 here: the port is not found; the file must not be what opened.
  EXPECT_FALSE(opened);
  EXPECT_EQ(KindOfSystemError(device->LastError()), SystemErrorKind::kNotFound);
}

TEST(Win32ComNames, TheMappedPortIsFoundAndMatchesItsNames) {
  const std::vector<SerialPortInfo> ports = CWin32PortDiscovery().FindPorts();
  const std::string wanted = PortPath();
  const SerialPortInfo* found = nullptr;
  for (const SerialPortInfo& port : ports) {
    if (port.device == wanted) found = &port;
  }
  ASSERT_NE(found, nullptr) << wanted << " is not among the " << ports.size() << " ports found";
  std::string lower = wanted;
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_TRUE(IsPortAt(*found, lower));
  EXPECT_FALSE(IsPortAt(*found, "\\\\.\\COM200"));
  EXPECT_TRUE(IsDevicePresent(wanted));
  EXPECT_FALSE(IsDevicePresent("\\\\.\\COM200"));
}

}  // namespace
