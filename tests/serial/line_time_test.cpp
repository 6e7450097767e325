// write() returns while the line still carries the bytes. These tests put a receiver on
// the master that takes one byte per character time, as a real line would deliver them,
// and notes the rate in force as each byte leaves.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "serial/sentences.h"
#include "serial/serial_port.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/recording_ui.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct Departure {
  std::uint8_t byte;
  std::uint32_t bitRate;
};

// Reads a little faster than the line (three quarters of a character time per byte), so
// a port that waits for its bytes to leave never has one still unread when it acts.
class PacedReceiver {
 public:
  PacedReceiver(const PtyPair& pty, std::size_t expected)
      : thread_([this, &pty, expected] { Run(pty, expected); }) {}
  ~PacedReceiver() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::vector<Departure> departures;

 private:
  void Run(const PtyPair& pty, std::size_t expected) {
    auto due = steady_clock::now();
    auto giveUp = steady_clock::now() + std::chrono::seconds(5);
    while (departures.size() < expected && steady_clock::now() < giveUp) {
      pollfd in{pty.Master(), POLLIN, 0};
      if (::poll(&in, 1, 50) <= 0) continue;
      std::this_thread::sleep_until(due);
      std::uint8_t byte = 0;
      if (::read(pty.Master(), &byte, 1) != 1) continue;
      std::uint32_t bitRate = BitRateOf(pty.SlaveSettings());
      departures.push_back({byte, bitRate});
      if (departures.size() == 1) due = steady_clock::now();
      due += std::chrono::microseconds(10'000'000 / std::max<std::uint32_t>(bitRate, 1) * 3 / 4);
    }
  }
  std::thread thread_;
};

class LineTimeTest : public ::testing::Test {
 protected:
  PtyPair pty;
  RecordingUi ui;
  TraceCapture trace;
  CSerialPort port{ui, [this](int) { return pty.SlavePath(); }};
};

TEST_F(LineTimeTest, BytesWrittenBeforeARateChangeLeaveAtTheirOwnRate) {
  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 1), 1);
  const std::vector<std::uint8_t> slow(240, 's');  // 500 ms at 4800 bit/s
  const std::vector<std::uint8_t> fast(20, 'f');
  PacedReceiver receiver(pty, slow.size() + fast.size());

  ASSERT_EQ(port.WriteToPort(slow.data(), 240), 240u);
  auto start = steady_clock::now();
  ASSERT_EQ(port.SetBaudRate(9600), 1);
  EXPECT_GE(steady_clock::now() - start, milliseconds(450));
  ASSERT_EQ(port.WriteToPort(fast.data(), 20), 20u);
  receiver.Join();

  ASSERT_EQ(receiver.departures.size(), slow.size() + fast.size());
  for (std::size_t i = 0; i < receiver.departures.size(); ++i) {
    const Departure& d = receiver.departures[i];
    EXPECT_EQ(d.bitRate, d.byte == 's' ? 4800u : 9600u) << "byte " << i;
  }
  EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(LineTimeTest, CloseDoesNotCutOffBytesWrittenOnePerCall) {
  // The wake sentences go out one byte per write, and the step closes the port at once.
  std::string wake;
  for (int i = 0; i < 5; ++i)
    wake += std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence);
  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 1), 1);
  PacedReceiver receiver(pty, wake.size());
  auto start = steady_clock::now();
  SendStoredText(port, wake);
  EXPECT_EQ(port.ClosePort(), 1);
  // A UART's queue is purged at close: the close must come after the last character time.
  auto lineTime = milliseconds(wake.size() * 10 * 1000 / 4800);
  EXPECT_GE(steady_clock::now() - start, lineTime - milliseconds(5));
  receiver.Join();

  std::string got;
  for (const Departure& d : receiver.departures)
    got.push_back(static_cast<char>(d.byte));
  EXPECT_EQ(got, wake);
}

}  // namespace
