// The Win32 serial device against a real line: under Wine, a COM port mapped to a
// pseudo-terminal whose other end is serial_peer.py, reached through its control channel.
// run_serial_tests.sh sets up the port and the peer and hands them over in KZN_TEST_COM
// (the port's name, "COM5") and KZN_PEER_PORT (the control channel's TCP port).
#include <windows.h>
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/system_error.h"
#include "serial/port_discovery.h"
#include "serial/serial_device.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// The port under test, "\\.\COM5" unless KZN_TEST_COM names another.
std::string PortPath() {
  const char* com = std::getenv("KZN_TEST_COM");
  return std::string("\\\\.\\") + (com != nullptr && *com != '\0' ? com : "COM5");
}

// Bytes as the peer's commands carry them, two hex digits each.
std::string Hex(const Bytes& bytes) {
  std::string text;
  for (std::uint8_t byte : bytes)
    text += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  return text;
}
Bytes FromHex(const std::string& text) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

// "name=value ..." words as a map, as the peer reports a line's settings.
std::map<std::string, int> Words(const std::string& text) {
  std::map<std::string, int> words;
  std::istringstream in(text);
  for (std::string word; in >> word;)
    words[word.substr(0, word.find('='))] = std::stoi(word.substr(word.find('=') + 1));
  return words;
}

Bytes EveryByteValue(int times) {
  Bytes bytes;
  for (int i = 0; i < 256 * times; ++i)  // up, then down, then up...
    bytes.push_back(static_cast<std::uint8_t>((i / 256) % 2 == 0 ? i % 256 : 255 - i % 256));
  return bytes;
}

// The control channel to serial_peer.py: one command line, one answer line.
class CPeer {
 public:
  CPeer() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    started_ = true;
    const char* port = std::getenv("KZN_PEER_PORT");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port != nullptr ? std::atoi(port) : 0));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
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
    for (char c = 0; ::recv(socket_, &c, 1, 0) == 1 && c != '\n';)
      answer.push_back(c);
    if (answer.rfind("OK", 0) != 0) return answer.empty() ? "ERR no answer" : answer;
    return answer.size() > 3 ? answer.substr(3) : "";
  }

  void Send(const Bytes& bytes) { EXPECT_EQ(Ask("SEND " + Hex(bytes)), ""); }
  Bytes Receive(std::size_t count, int ms) {
    return FromHex(Ask("RECV " + std::to_string(count) + " " + std::to_string(ms)));
  }
  // The line's settings that `wanted` names, to compare as one value (-1 for one the peer
  // does not report).
  std::map<std::string, int> Line(const std::map<std::string, int>& wanted) {
    const std::map<std::string, int> all = Words(Ask("TERMIOS"));
    std::map<std::string, int> line;
    for (const auto& [name, value] : wanted)
      line[name] = all.count(name) != 0 ? all.at(name) : -1;
    return line;
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
    return (t.dwHighDateTime * 4294967296.0 + t.dwLowDateTime) / 1e4;
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
  // Writes `bytes`, waits until they are out, and checks that the peer got them.
  void WriteAndExpect(const Bytes& bytes) {
    const WriteOutcome outcome = device->Write(bytes.data(), bytes.size(), 5000);
    EXPECT_FALSE(outcome.failed || outcome.timedOut) << SystemErrorText(device->LastError());
    EXPECT_EQ(outcome.written, bytes.size());
    EXPECT_TRUE(device->Drain(5000)) << SystemErrorText(device->LastError());  // once they are out
    EXPECT_EQ(peer.Receive(bytes.size(), 5000), bytes);
  }
  // Has the peer send `bytes` and checks that the device delivers them.
  void SendAndExpect(const Bytes& bytes) {
    peer.Send(bytes);
    EXPECT_EQ(Collect(*device, bytes.size(), 5000), bytes);
  }

  CPeer peer;
  std::unique_ptr<SerialDevice> device = MakeWin32SerialDevice();
};

TEST_F(Win32SerialDeviceTest, APortInUseAndOneThatDoesNotExistAreToldApart) {
  std::unique_ptr<SerialDevice> second = MakeSerialDevice();
  EXPECT_FALSE(second->Open(PortPath()));
  EXPECT_EQ(KindOfSystemError(second->LastError()), SystemErrorKind::kInUse)
      << SystemErrorText(second->LastError());
  EXPECT_FALSE(second->IsOpen());
  EXPECT_TRUE(device->IsOpen());
  EXPECT_FALSE(second->Open("\\\\.\\COM200"));
  EXPECT_EQ(KindOfSystemError(second->LastError()), SystemErrorKind::kNotFound)
      << SystemErrorText(second->LastError());
}

TEST_F(Win32SerialDeviceTest, EveryByteValueGoesBothWaysUnchanged) {
  WriteAndExpect(EveryByteValue(2));
  SendAndExpect(EveryByteValue(2));
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

// Wine keeps no parity on a pseudo-terminal, and the loads use none: the cases are 8N1 and 8N2.
class Win32LineSettingsTest : public Win32SerialDeviceTest,
                              public ::testing::WithParamInterface<LineSettings> {};

TEST_P(Win32LineSettingsTest, TheLineCarriesTheSettingsAndNothingElse) {
  const LineSettings& wanted = GetParam();
  ASSERT_EQ(device->Configure(wanted), ConfigureFailure::kNone)
      << SystemErrorText(device->LastError());
  const auto expected = Words("speed=" + std::to_string(wanted.bitRate) +
                              " csize=" + std::to_string(wanted.dataBits) +
                              " cstopb=" + std::to_string(wanted.stopBits - 1) +
                              " parenb=0 crtscts=0 ixon=0 ixoff=0 translate=0 opost=0 icanon=0");
  EXPECT_EQ(peer.Line(expected), expected);
  std::uint32_t bitRate = 0;
  ASSERT_TRUE(device->CurrentBitRate(&bitRate));
  EXPECT_EQ(bitRate, wanted.bitRate);
}

INSTANTIATE_TEST_SUITE_P(Lines, Win32LineSettingsTest,
                         ::testing::Values(LineSettings{4800, 'N', 8, 2},
                                           LineSettings{9600, 'N', 8, 1},
                                           LineSettings{115200, 'N', 8, 1}),
                         [](const auto& test) {
                           return "At" + std::to_string(test.param.bitRate) + "_8N" +
                                  std::to_string(test.param.stopBits);
                         });

// A rate change keeps the frame. Flow control is off, but a driver refuses a line state whose
// XON and XOFF characters are equal, and some drivers report them so: the device sets its
// own, on every change of the line.
TEST_F(Win32SerialDeviceTest, ARateChangeKeepsTheFrameAndTheFlowControlCharactersApart) {
  ASSERT_EQ(peer.Ask("CHARS 0 0"), "");
  ASSERT_EQ(device->Configure({4800, 'N', 8, 2}), ConfigureFailure::kNone);
  const auto apart = Words("vstart=17 vstop=19");  // XON and XOFF
  EXPECT_EQ(peer.Line(apart), apart);
  ASSERT_EQ(peer.Ask("CHARS 0 0"), "");
  ASSERT_TRUE(device->SetBitRate(115200)) << SystemErrorText(device->LastError());
  const auto changed = Words("speed=115200 csize=8 cstopb=1 vstart=17 vstop=19");
  EXPECT_EQ(peer.Line(changed), changed);
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

// The reader's loop for a second, on a quiet line, then while a driver aborts the reader's
// reads on its own (as some do while their device is in trouble): neither may make it spin
// at the upload's priority; each wait sleeps out its time first.
TEST_F(Win32SerialDeviceTest, AQuietLineAndReadsTheDriverAbortsCostNoProcessorTime) {
  auto waitsForASecond = [this](int* wakes) {
    int waits = 0;
    for (const auto end = steady_clock::now() + milliseconds(1000); steady_clock::now() < end;
         ++waits) {
      if (device->Wait(100, true) != InputEvent::kTimeout) ++*wakes;
    }
    return waits;
  };
  const double before = ProcessCpuMs();
  int wakes = 0;
  waitsForASecond(&wakes);
  EXPECT_EQ(wakes, 0);
  // A spinning wait burns the whole second; a sleeping one a few milliseconds.
  EXPECT_LT(ProcessCpuMs() - before, 250.0);

  const HANDLE port = OpenComHandle();
  ASSERT_NE(port, nullptr);
  std::atomic<bool> aborting{true};
  std::thread driver([&] {
    for (; aborting; Sleep(1))
      CancelIoEx(port, nullptr);
  });
  const int waits = waitsForASecond(&wakes);
  aborting = false;
  driver.join();
  // About ten slices of 100 ms; a wait that came back at each abort would count hundreds.
  EXPECT_LE(waits, 30);
  // Once the driver is at peace the line delivers as before.
  SendAndExpect({'O', 'K'});
}

TEST_F(Win32SerialDeviceTest, WakeEndsAWaitAtOnceOrTheNextOne) {
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
  SendAndExpect({'$', 0, '\r', '\n'});
  // A wake before the wait ends the next one, and only that one.
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
  EXPECT_EQ(std::tuple(outcome.timedOut, outcome.failed, outcome.written < lots.size()),
            std::tuple(true, false, true));
  EXPECT_GE(took, milliseconds(450));
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(device->LastError(), static_cast<int>(WAIT_TIMEOUT));
  // Once the far end reads again, the device writes again.
  EXPECT_TRUE(device->Purge(true, true));
  peer.Ask("DISCARD");
  WriteAndExpect({1, 2, 3});
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
  SendAndExpect({5});
}

// Last in the file: the line goes away and comes back as a new pseudo-terminal.
TEST_F(Win32SerialDeviceTest, ZAVanishedLineIsReportedAndTheDeviceClosesAndOpensAgain) {
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
  // Plugged in again, the port opens and carries bytes both ways as before.
  ASSERT_EQ(peer.Ask("REPLUG"), "");
  ASSERT_TRUE(device->Open(PortPath())) << SystemErrorText(device->LastError());
  ASSERT_EQ(device->Configure({4800, 'N', 8, 2}), ConfigureFailure::kNone);
  SendAndExpect({'P', 'O', 'K'});
  WriteAndExpect({'0', '\r', '\n'});
}

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
  const auto found = std::find_if(ports.begin(), ports.end(), [&](const SerialPortInfo& port) {
    return port.device == wanted;
  });
  ASSERT_NE(found, ports.end()) << wanted << " is not among the " << ports.size() << " ports found";
  std::string lower = wanted;
  CharLowerA(lower.data());
  EXPECT_TRUE(IsPortAt(*found, lower));
  EXPECT_FALSE(IsPortAt(*found, "\\\\.\\COM200"));
  EXPECT_TRUE(IsDevicePresent(wanted));
  EXPECT_FALSE(IsDevicePresent("\\\\.\\COM200"));
}

}  // namespace
