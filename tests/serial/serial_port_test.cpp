#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

#include "tests/serial/pty_pair.h"
#include "tests/support/recording_ui.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::vector<std::uint8_t> AllByteValues() {
  std::vector<std::uint8_t> bytes(256);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

// Takes until `count` bytes were collected or `timeoutMs` passed.
std::vector<std::uint8_t> Collect(CSerialPort& port, std::size_t count, int timeoutMs) {
  std::vector<std::uint8_t> got;
  auto deadline = steady_clock::now() + milliseconds(timeoutMs);
  while (got.size() < count && steady_clock::now() < deadline) {
    const std::uint8_t* data = nullptr;
    std::uint32_t n = 0;
    port.TakeReceivedWaiting(&data, &n, 1);
    if (n > 0) got.insert(got.end(), data, data + n);
  }
  return got;
}

std::string Take(CSerialPort& port) {
  const std::uint8_t* data = nullptr;
  std::uint32_t n = 0;
  EXPECT_EQ(port.TakeReceived(&data, &n), 1);
  EXPECT_EQ(data == nullptr, n == 0);
  return n == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), n);
}

// Long enough for the reader thread to move what the pty holds into the receive buffer.
void LetReaderCatchUp() {
  std::this_thread::sleep_for(milliseconds(300));
}

class SerialPortTest : public ::testing::Test {
 protected:
  PtyPair pty;
  RecordingUi ui;
  TraceCapture trace;
  std::string path = pty.SlavePath();
  CSerialPort port{ui, [this](int) { return path; }};
};

TEST_F(SerialPortTest, OpenAppliesARawLineWithTheAskedSettings) {
  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 2), 1);
  termios line = pty.SlaveSettings();
  EXPECT_EQ(BitRateOf(line), 4800u);
  EXPECT_EQ(::cfgetispeed(&line), B4800);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_NE(line.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(line.c_cflag & (PARENB | CRTSCTS), 0u);
  EXPECT_NE(line.c_cflag & CREAD, 0u);
  EXPECT_NE(line.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  ASSERT_EQ(port.ClosePort(), 1);

  // Every open applies its own settings, not the last ones.
  ASSERT_EQ(port.OpenPort(1, 115200, 'N', 8, 1), 1);
  line = pty.SlaveSettings();
  EXPECT_EQ(BitRateOf(line), 115200u);
  EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(port.ClosePort(), 1);
  EXPECT_TRUE(trace.Texts().empty());
}

TEST_F(SerialPortTest, EveryByteValuePassesBothWays) {
  ASSERT_EQ(port.OpenPort(1, 115200, 'N', 8, 1), 1);
  std::vector<std::uint8_t> all = AllByteValues();
  // Up and down again, so CR LF, XON, XOFF, NUL and the interrupt characters meet neighbours.
  std::vector<std::uint8_t> down(all.rbegin(), all.rend());
  all.insert(all.end(), down.begin(), down.end());

  EXPECT_EQ(port.WriteToPort(all.data(), static_cast<std::uint32_t>(all.size())), all.size());
  EXPECT_EQ(pty.Receive(all.size(), 3000), all);

  pty.Send(all);
  EXPECT_EQ(Collect(port, all.size(), 3000), all);
  EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(SerialPortTest, ReceiveBufferKeepsOnlyBytesAfterThe1210thUntakenByte) {
  std::uint8_t buffer[kReceiveBufferSize];
  std::uint32_t count = 0;
  std::vector<std::uint8_t> bytes(kReceiveBufferSize - 1, 'x');
  AppendWithWrap(buffer, &count, bytes.data(), bytes.size());
  EXPECT_EQ(count, kReceiveBufferSize - 1);
  const std::uint8_t tail[] = {'!', 'a', 'b'};
  AppendWithWrap(buffer, &count, tail, 1);
  EXPECT_EQ(count, 0u);
  AppendWithWrap(buffer, &count, tail + 1, 2);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(buffer[1], 'b');

  // The same through the reader thread, whatever chunks the pty hands it in.
  ASSERT_EQ(port.OpenPort(1, 115200, 'N', 8, 1), 1);
  std::string burst(kReceiveBufferSize, '.');
  pty.Send(burst + "AFTER");
  LetReaderCatchUp();
  EXPECT_EQ(Take(port), "AFTER");

  pty.Send(std::string(kReceiveBufferSize - 1, '-'));
  LetReaderCatchUp();
  EXPECT_EQ(Take(port).size(), kReceiveBufferSize - 1);
  EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(SerialPortTest, TakesAndClearsFollowTheReceiveCount) {
  // Nothing received, and a port never opened: count 0, null pointer, still 1.
  const std::uint8_t* data = reinterpret_cast<const std::uint8_t*>("stale");
  std::uint32_t count = 99;
  EXPECT_EQ(port.TakeReceived(&data, &count), 1);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(data, nullptr);

  ASSERT_EQ(port.OpenPort(1, 9600, 'N', 8, 1), 1);
  pty.Send("first");
  LetReaderCatchUp();
  EXPECT_EQ(Take(port), "first");
  EXPECT_EQ(Take(port), "");

  pty.Send("dropped");
  LetReaderCatchUp();
  port.ClearReceived();
  EXPECT_EQ(Take(port), "");

  // A waiting take sleeps until bytes come rather than for its whole limit.
  std::thread late([this] {
    std::this_thread::sleep_for(milliseconds(50));
    pty.Send("late");
  });
  auto start = steady_clock::now();
  std::uint32_t n = 0;
  port.TakeReceivedWaiting(&data, &n, 5000);
  auto waited = steady_clock::now() - start;
  late.join();
  EXPECT_GT(n, 0u);
  EXPECT_LT(waited, milliseconds(2500));
  EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(SerialPortTest, UntakenBytesSurviveACloseButTheDriverQueuesDoNot) {
  ASSERT_EQ(port.OpenPort(1, 9600, 'N', 8, 1), 1);
  pty.Send(std::vector<std::uint8_t>{'k', 0, 'e', 'p', 't'});
  LetReaderCatchUp();
  ASSERT_EQ(port.ClosePort(), 1);

  // Sent while the port was closed: still in the driver's queue, discarded by the open.
  pty.Send("while closed");
  std::this_thread::sleep_for(milliseconds(50));
  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 2), 1);
  LetReaderCatchUp();
  EXPECT_EQ(Take(port), std::string("k\0ept", 5));
  EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(SerialPortTest, OpenAndCloseKeepTheirStateRules) {
  EXPECT_EQ(port.ClosePort(), 0);

  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 2), 1);
  EXPECT_EQ(port.OpenPort(2, 115200, 'N', 8, 1), 0);
  EXPECT_TRUE(trace.Contains("Port already open"));
  EXPECT_EQ(BitRateOf(pty.SlaveSettings()), 4800u);  // the open port is unchanged
  EXPECT_TRUE(port.IsOpen());

  // A second program (here a second port object) cannot take the device meanwhile.
  CSerialPort other(ui, [this](int) { return path; });
  EXPECT_EQ(other.OpenPort(1, 9600, 'N', 8, 1), 0);
  EXPECT_TRUE(trace.Contains("Port could not be opened (" + path + ": Device or resource busy)"));
  EXPECT_EQ(BitRateOf(pty.SlaveSettings()), 4800u);

  EXPECT_EQ(port.ClosePort(), 1);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.ClosePort(), 0);
  EXPECT_EQ(other.OpenPort(1, 9600, 'N', 8, 1), 1);  // free again after the close
  EXPECT_EQ(other.ClosePort(), 1);
}

TEST_F(SerialPortTest, FailedOpensLeaveThePortClosedForARetry) {
  path = "/dev/kzn-no-such-device";
  EXPECT_EQ(port.OpenPort(3, 9600, 'N', 8, 1), 0);
  EXPECT_TRUE(trace.Contains("Port could not be opened (/dev/kzn-no-such-device: No such file"));

  path = "/dev/null";  // opens, but has no line to configure
  EXPECT_EQ(port.OpenPort(3, 9600, 'N', 8, 1), 0);
  EXPECT_TRUE(trace.Contains("Could not retrieve the COM state"));
  EXPECT_TRUE(trace.Contains("Port did not initialise properly"));
  EXPECT_FALSE(port.IsOpen());

  path.clear();  // no device for this port number
  EXPECT_EQ(port.OpenPort(4, 9600, 'N', 8, 1), 0);
  EXPECT_TRUE(trace.Contains("Port could not be opened (COM4"));

  path = pty.SlavePath();
  EXPECT_EQ(port.OpenPort(1, 14400, 'N', 8, 1), 0);  // no such termios speed
  EXPECT_TRUE(trace.Contains("Could not build COM DCB"));
  EXPECT_EQ(port.OpenPort(1, 9600, 'M', 8, 1), 0);
  EXPECT_EQ(port.OpenPort(1, 9600, 'N', 9, 1), 0);
  EXPECT_FALSE(port.IsOpen());

  ASSERT_EQ(port.OpenPort(1, 9600, 'N', 8, 1), 1);
  EXPECT_EQ(port.PortNumber(), 1);
  EXPECT_EQ(port.ClosePort(), 1);
  EXPECT_TRUE(ui.serialMessages.empty());
}

TEST_F(SerialPortTest, SetBaudRateChangesTheRateAlone) {
  EXPECT_EQ(port.SetBaudRate(9600), 0);  // closed
  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 2), 1);
  EXPECT_EQ(port.SetBaudRate(9600), 1);
  termios line = pty.SlaveSettings();
  EXPECT_EQ(BitRateOf(line), 9600u);
  EXPECT_NE(line.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));

  EXPECT_EQ(port.SetBaudRate(14400), 0);
  EXPECT_TRUE(trace.Contains("Could not set the COM state"));
  EXPECT_EQ(BitRateOf(pty.SlaveSettings()), 9600u);

  // The same rate is no change: no wait for the 250 ms of line time just written.
  std::vector<std::uint8_t> quarterSecond(240, 'q');
  ASSERT_EQ(port.WriteToPort(quarterSecond.data(), 240), 240u);
  auto start = steady_clock::now();
  EXPECT_EQ(port.SetBaudRate(9600), 1);
  EXPECT_LT(steady_clock::now() - start, milliseconds(100));
  EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(SerialPortTest, AStuckWriteEndsWithinItsLimitAndIsReported) {
  ASSERT_EQ(port.OpenPort(1, 115200, 'N', 8, 1), 1);
  pty.FillOutput();  // the receiver reads nothing more: no room for another byte
  std::uint8_t byte = '$';
  auto start = steady_clock::now();
  EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);
  auto took = steady_clock::now() - start;
  EXPECT_GE(took, milliseconds(900));  // 500 ms for the byte, 500 ms for the write
  EXPECT_LT(took, milliseconds(3000));
  ASSERT_EQ(ui.serialMessages.size(), 2u);
  EXPECT_EQ(ui.serialMessages[0],
            "The time-out interval elapsed, and the object\xE2\x80\x99s state is nonsignaled. ");
  EXPECT_EQ(ui.serialMessages[1], "Number of bytes written = 0 : Number\t\t\t\t\t\trequired = 1");
  EXPECT_TRUE(trace.Contains("Erreur ecriture"));

  // The stuck bytes were discarded, so the line is usable again.
  EXPECT_EQ(port.WriteToPort(&byte, 1), 1u);
  EXPECT_EQ(port.ClosePort(), 1);
  EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);  // closed
}

TEST_F(SerialPortTest, DestroyingAnOpenPortReleasesTheDevice) {
  {
    CSerialPort owner(ui, [this](int) { return path; });
    ASSERT_EQ(owner.OpenPort(1, 9600, 'N', 8, 1), 1);
    pty.Send("pending");
  }
  EXPECT_EQ(port.OpenPort(1, 9600, 'N', 8, 1), 1);
  EXPECT_EQ(port.ClosePort(), 1);
}

}  // namespace
