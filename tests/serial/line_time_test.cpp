// write() returns while the line still carries the bytes. These tests put a receiver on
// the master that takes one byte per character time, as a real line would deliver them,
// and notes the rate in force as each byte leaves.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "serial/sentences.h"
#include "tests/serial/pty_pair.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Reads a little faster than the line (three quarters of a character time per byte), so a
// port that waits for its bytes to leave never has one still unread when it acts. Gives each
// byte with the rate in force as it left.
std::vector<std::pair<char, std::uint32_t>> ReceivePaced(const PtyPair& pty, std::size_t count) {
  std::vector<std::pair<char, std::uint32_t>> departures;
  auto due = steady_clock::now();
  auto giveUp = due + std::chrono::seconds(5);
  while (departures.size() < count && steady_clock::now() < giveUp) {
    pollfd in{pty.Master(), POLLIN, 0};
    if (::poll(&in, 1, 50) <= 0) continue;
    std::this_thread::sleep_until(due);
    char byte = 0;
    if (::read(pty.Master(), &byte, 1) != 1) continue;
    std::uint32_t bitRate = BitRateOf(pty.SlaveSettings());
    departures.emplace_back(byte, bitRate);
    if (departures.size() == 1) due = steady_clock::now();
    due += std::chrono::microseconds(10'000'000 / std::max<std::uint32_t>(bitRate, 1) * 3 / 4);
  }
  return departures;
}

// The wake sentences go out one byte per write and the step closes the port at once; a
// UART's queue is purged at close, so the close must come after the last character time.
TEST_F(SerialPortTest, BytesLeaveAtTheRateTheyWereWrittenAtBeforeARateChangeOrAClose) {
  std::string wake;
  for (int i = 0; i < 5; ++i)
    wake += std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence);
  const std::string slow(240, 's');  // 500 ms at 4800 bit/s
  ASSERT_EQ(port.OpenPort(1, 4800, 'N', 8, 1), 1);
  auto receiver = std::async(std::launch::async, ReceivePaced, std::cref(pty), 240 + wake.size());

  ASSERT_EQ(port.WriteToPort(reinterpret_cast<const std::uint8_t*>(slow.data()), 240), 240u);
  auto start = steady_clock::now();
  ASSERT_EQ(port.SetBaudRate(9600), 1);
  EXPECT_GE(steady_clock::now() - start, milliseconds(450));
  start = steady_clock::now();
  SendStoredText(port, wake);
  EXPECT_EQ(port.ClosePort(), 1);
  EXPECT_GE(steady_clock::now() - start, milliseconds(wake.size() * 10 * 1000 / 9600 - 5));
  auto departures = receiver.get();

  std::string got;
  for (std::size_t i = 0; i < departures.size(); ++i) {
    got.push_back(departures[i].first);
    EXPECT_EQ(departures[i].second, i < slow.size() ? 4800u : 9600u) << "byte " << i;
  }
  EXPECT_EQ(got, slow + wake);
}

}  // namespace
