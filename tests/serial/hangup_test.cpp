// A USB adapter pulled while the port is open: the descriptor reports a hang-up and
// errors from then on. Nothing may crash, spin or hang, and the device opens again once
// it is back.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "serial/serial_port.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/recording_ui.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(SerialPortHangUp, AVanishedDeviceCostsNothingAndCanBeReopened) {
  RecordingUi ui;
  TraceCapture trace;
  auto pty = std::make_unique<PtyPair>();
  std::string path = pty->SlavePath();
  CSerialPort port(ui, [&path](int) { return path; });
  ASSERT_EQ(port.OpenPort(1, 9600, 'N', 8, 1), 1);
  std::uint8_t byte = 'x';
  ASSERT_EQ(port.WriteToPort(&byte, 1), 1u);

  pty->CloseMaster();
  std::this_thread::sleep_for(milliseconds(100));  // the reader meets the hang-up

  // A reader thread that kept polling the dead descriptor would burn this whole window.
  double cpuBefore = ProcessCpuMs();
  std::this_thread::sleep_for(milliseconds(500));
  EXPECT_LT(ProcessCpuMs() - cpuBefore, 100.0);
  EXPECT_TRUE(trace.Contains("(SizeOfInputQ)Could not find out whether any"));

  // The callers' own limits end their waits: writes fail at once, takes find nothing.
  auto start = steady_clock::now();
  EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);
  const std::uint8_t* data = nullptr;
  std::uint32_t count = 0;
  EXPECT_EQ(port.TakeReceivedWaiting(&data, &count, 1), 1);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(port.SetBaudRate(4800), 0);
  EXPECT_LT(steady_clock::now() - start, milliseconds(500));
  EXPECT_TRUE(ui.serialMessages.empty());  // an error, not a time-out: no box

  EXPECT_EQ(port.ClosePort(), 1);
  EXPECT_FALSE(port.IsOpen());

  // The adapter is plugged in again (under a new name here).
  pty = std::make_unique<PtyPair>();
  path = pty->SlavePath();
  ASSERT_EQ(port.OpenPort(1, 9600, 'N', 8, 1), 1);
  pty->Send("back");
  std::string got;
  auto deadline = steady_clock::now() + milliseconds(3000);
  while (got.size() < 4 && steady_clock::now() < deadline) {
    port.TakeReceivedWaiting(&data, &count, 1);
    if (count > 0) got.append(reinterpret_cast<const char*>(data), count);
  }
  EXPECT_EQ(got, "back");
  EXPECT_EQ(port.ClosePort(), 1);
}

}  // namespace
