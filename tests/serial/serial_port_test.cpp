// CSerialPort on the slave of a pseudo-terminal pair, the test playing the receiver on the
// master. On Linux tcgetattr on the master reports the slave's line settings, which is how the
// tests see what the port applied.
#include "serial/serial_port.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>

#include "serial/device_access.h"
#include "serial/sentences.h"
#include "tests/serial/trace_capture.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wall_clock.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Polls `done` every 2 ms until it holds or `timeoutMs` passed.
template <class Done>
bool PollUntil(int timeoutMs, Done done) {
  const auto limit = steady_clock::now() + milliseconds(timeoutMs);
  for (; !done(); std::this_thread::sleep_for(milliseconds(2))) {
    if (steady_clock::now() >= limit) return false;
  }
  return true;
}

std::uint32_t BitRateOf(const termios& settings) {
  const std::pair<speed_t, std::uint32_t> rates[] = {{B4800, 4800},   {B9600, 9600},
                                                     {B19200, 19200}, {B38400, 38400},
                                                     {B57600, 57600}, {B115200, 115200}};
  for (auto [code, rate] : rates) {
    if (::cfgetospeed(&settings) == code) return rate;
  }
  return 0;
}

class PtyPair {
 public:
  PtyPair() {
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
      throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    slavePath_ = name;
    ::fcntl(slave_, F_SETFL, ::fcntl(slave_, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }
  // The slave's settings as the port left them.
  termios SlaveSettings() const {
    termios settings{};
    ::tcgetattr(master_, &settings);
    return settings;
  }
  // What the receiver sends.
  void Send(std::string_view bytes) const {
    for (ssize_t put = 0; !bytes.empty(); bytes.remove_prefix(static_cast<std::size_t>(put))) {
      if ((put = ::write(master_, bytes.data(), bytes.size())) <= 0)
        throw std::runtime_error("write to the pty master failed");
    }
  }
  // Reads from the master until `count` bytes came or `timeoutMs` passed.
  std::string Receive(std::size_t count, int timeoutMs) const {
    std::string got;
    PollUntil(timeoutMs, [&] {
      pollfd in{master_, POLLIN, 0};
      char buffer[4096];
      ssize_t n = ::poll(&in, 1, 50) > 0
                      ? ::read(master_, buffer, std::min(sizeof buffer, count - got.size()))
                      : 0;
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
      return got.size() >= count;
    });
    return got;
  }
  bool WaitForSlaveQueue(int count, int timeoutMs) const {
    return PollUntil(timeoutMs, [&] { return SlaveQueue() >= count; });
  }
  // Waits until whoever holds the slave has read everything sent to it and the queue stayed
  // empty for 50 ms: the port's reader has moved the bytes into its buffer by then.
  void LetReaderCatchUp() const {
    auto quietSince = steady_clock::now();
    EXPECT_TRUE(PollUntil(5000, [&] {
      if (SlaveQueue() != 0) quietSince = steady_clock::now();
      return steady_clock::now() - quietSince >= milliseconds(50);
    })) << "the port's reader never emptied the line";
  }
  // Fills the slave-to-master direction until the kernel accepts no more. It moves bytes on to
  // the master's line discipline in the background and then takes more; full means several
  // rounds in a row take nothing.
  void FillOutput() const {
    std::uint8_t block[1024] = {};
    for (int idleRounds = 0; idleRounds < 3; std::this_thread::sleep_for(milliseconds(20))) {
      bool tookAny = false;
      while (::write(slave_, block, sizeof block) > 0)
        tookAny = true;
      idleRounds = tookAny ? 0 : idleRounds + 1;
    }
  }
  // The receiver goes away: the slave side sees a hang-up.
  void CloseMaster() { ::close(std::exchange(master_, -1)); }

 private:
  int SlaveQueue() const {  // bytes waiting in the slave's input queue, -1 on error
    int queued = 0;
    return ::ioctl(slave_, FIONREAD, &queued) == 0 ? queued : -1;
  }

  int master_ = -1;
  int slave_ = -1;  // kept open so the master never reads EIO between the port's opens
  std::string slavePath_;
};

// Takes from the port until `count` bytes were collected or `timeoutMs` passed.
std::string Collect(CSerialPort& port, std::size_t count, int timeoutMs) {
  std::string got;
  PollUntil(timeoutMs, [&] {
    const std::uint8_t* data = nullptr;
    std::uint32_t n = 0;
    port.TakeReceivedWaiting(&data, &n, 1);
    if (n > 0) got.append(reinterpret_cast<const char*>(data), n);
    return got.size() >= count;
  });
  return got;
}

std::string Take(CSerialPort& port) {
  const std::uint8_t* data = nullptr;
  std::uint32_t n = 0;
  port.TakeReceived(&data, &n);
  EXPECT_EQ(data == nullptr, n == 0);
  return n == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), n);
}

// Process CPU time in milliseconds, all threads.
double ProcessCpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// write() returns while the line still carries the bytes: this receiver takes one byte per
// three quarters of a character time, a little faster than the line, so a port that waits for
// its bytes to leave never has one unread when it acts. Gives each byte with the rate then.
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

// The port under test on the slave of its own pair; `path` is what every COMn resolves to.
class SerialPortTest : public ::testing::Test {
 protected:
  PtyPair pty;
  RecordingUi ui;
  TraceCapture trace;
  std::string path = pty.SlavePath();
  CSerialPort port{ui, [this](int) { return path; }};
};

TEST_F(SerialPortTest, EveryOpenAppliesARawLineWithItsOwnSettings) {
  for (auto [rate, code, stopBits] :
       {std::tuple{4800u, speed_t{B4800}, std::uint16_t{2}}, {115200u, speed_t{B115200}, 1}}) {
    ASSERT_TRUE(port.OpenPort(1, rate, 'N', 8, stopBits));
    // Rate both ways, frame, no flow control, no translation of any kind.
    const termios line = pty.SlaveSettings();
    EXPECT_EQ(std::tuple(BitRateOf(line), ::cfgetispeed(&line),
                         line.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS | CREAD | CLOCAL),
                         line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP),
                         line.c_oflag & OPOST, line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)),
              std::tuple(rate, code, CS8 | CREAD | CLOCAL | (stopBits == 2 ? CSTOPB : 0),
                         tcflag_t{0}, tcflag_t{0}, tcflag_t{0}));
    ASSERT_TRUE(port.ClosePort());
  }
  EXPECT_EQ(trace.Matching(""), std::vector<std::string>{});
}

TEST_F(SerialPortTest, EveryByteValuePassesBothWays) {
  ASSERT_TRUE(port.OpenPort(1, 115200, 'N', 8, 1));
  // Up and down again, so CR LF, XON, XOFF, NUL and the interrupt characters meet neighbours.
  std::string all;
  for (int i = 0; i < 512; ++i)
    all.push_back(static_cast<char>(i < 256 ? i : 511 - i));
  EXPECT_EQ(port.WriteToPort(reinterpret_cast<const std::uint8_t*>(all.data()), 512), 512u);
  EXPECT_EQ(pty.Receive(all.size(), 3000), all);
  pty.Send(all);
  EXPECT_EQ(Collect(port, all.size(), 3000), all);
  EXPECT_TRUE(port.ClosePort());
}

TEST_F(SerialPortTest, TakesFollowTheReceiveCountAndItsWrap) {
  // Nothing received, and a port never opened: count 0, null pointer, still 1.
  const std::uint8_t* data = reinterpret_cast<const std::uint8_t*>("stale");
  std::uint32_t count = 99;
  port.TakeReceived(&data, &count);
  EXPECT_EQ(std::pair(count, data), std::pair(0u, static_cast<const std::uint8_t*>(nullptr)));

  // The 1210th untaken byte empties the buffer; one fewer is all kept, whatever the chunks.
  ASSERT_TRUE(port.OpenPort(1, 115200, 'N', 8, 1));
  pty.Send(std::string(kReceiveBufferSize, '.') + "AFTER");
  pty.LetReaderCatchUp();
  EXPECT_EQ(Take(port), "AFTER");
  pty.Send(std::string(kReceiveBufferSize - 1, '-'));
  pty.LetReaderCatchUp();
  EXPECT_EQ(Take(port).size(), kReceiveBufferSize - 1);

  pty.Send("dropped");
  pty.LetReaderCatchUp();
  port.ClearReceived();
  EXPECT_EQ(Take(port), "");

  // A waiting take sleeps until bytes come rather than for its whole limit.
  std::thread late([this] {
    std::this_thread::sleep_for(milliseconds(50));
    pty.Send("late");
  });
  auto start = steady_clock::now();
  port.TakeReceivedWaiting(&data, &count, 5000);
  auto waited = steady_clock::now() - start;
  late.join();
  EXPECT_GT(count, 0u);
  EXPECT_TRUE(!kWallClockBounds || waited < milliseconds(2500)) << "took too long";
  EXPECT_TRUE(port.ClosePort());
}

TEST_F(SerialPortTest, UntakenBytesSurviveACloseButTheDriverQueuesDoNot) {
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  pty.Send(std::string("k\0ept", 5));
  pty.LetReaderCatchUp();
  ASSERT_TRUE(port.ClosePort());

  // Sent while the port was closed: still in the driver's queue, discarded by the open.
  pty.Send("while closed");
  ASSERT_TRUE(pty.WaitForSlaveQueue(12, 5000));
  ASSERT_TRUE(port.OpenPort(1, 4800, 'N', 8, 2));
  pty.LetReaderCatchUp();
  EXPECT_EQ(Take(port), std::string("k\0ept", 5));
  EXPECT_TRUE(port.ClosePort());
}

TEST_F(SerialPortTest, OpenAndCloseKeepTheirStateRules) {
  EXPECT_FALSE(port.ClosePort());
  ASSERT_TRUE(port.OpenPort(1, 4800, 'N', 8, 2));
  EXPECT_FALSE(port.OpenPort(2, 115200, 'N', 8, 1));
  EXPECT_TRUE(trace.Contains("Port already open"));
  EXPECT_TRUE(port.IsOpen());
  {
    // A second program (here a second port object) cannot take the device meanwhile.
    CSerialPort other(ui, [this](int) { return path; });
    EXPECT_FALSE(other.OpenPort(1, 9600, 'N', 8, 1));
    EXPECT_TRUE(trace.Contains("Port could not be opened (" + path + ": Device or resource busy)"));
    EXPECT_EQ(BitRateOf(pty.SlaveSettings()), 4800u);  // the open port is unchanged

    EXPECT_TRUE(port.ClosePort());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.ClosePort());
    ASSERT_TRUE(other.OpenPort(1, 9600, 'N', 8, 1));  // free again after the close
    pty.Send("pending");
  }
  // Destroying the open port released the device.
  EXPECT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  EXPECT_TRUE(port.ClosePort());
}

TEST_F(SerialPortTest, FailedOpensLeaveThePortClosedForARetry) {
  const std::string slave = path;
  TempDir dir;
  dir.Write("no-line", "");  // opens, and has no line settings
  // Device, line, trace text, and whether the user hears of it (else the caller must tell).
  const std::tuple<std::string, LineSettings, const char*, bool> failures[] = {
      {"/dev/kzn-no-such-device", {}, "opened (/dev/kzn-no-such-device: No such file", true},
      {dir.File("no-line"), {}, "Could not retrieve the COM state", false},
      {"", {}, "Port could not be opened (COM4", true},    // no device
      {slave, {14400}, "Could not build COM DCB", false},  // no such termios speed
      {slave, {9600, 'M'}, "Could not build COM DCB", false},
      {slave, {9600, 'N', 9}, "Could not build COM DCB", false},
  };
  for (const auto& [device, line, text, told] : failures) {
    SCOPED_TRACE(text);
    path = device;
    EXPECT_FALSE(port.OpenPort(4, line.bitRate, line.parity, line.dataBits, 1));
    EXPECT_TRUE(trace.Contains(text));
    EXPECT_EQ(std::pair(port.OpenFailureTold(), port.IsOpen()), std::pair(told, false));
  }
  EXPECT_TRUE(trace.Contains("Port did not initialise properly"));

  path = slave;
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  EXPECT_EQ(port.PortNumber(), 1);
  EXPECT_TRUE(port.ClosePort());
  EXPECT_TRUE(ui.serialMessages.empty());
  // The user hears of the two devices that could not be opened, not of the refused settings.
  ASSERT_EQ(ui.portFailures.size(), 2u);
  EXPECT_EQ(std::tuple(ui.portFailures[0].devicePath, ui.portFailures[0].errorCode,
                       ui.portFailures[0].reason, ui.portFailures[1].portNumber,
                       ui.portFailures[1].devicePath),
            std::tuple(std::string("/dev/kzn-no-such-device"), ENOENT,
                       std::string("No such file or directory"), 4, std::string()));
}

// COMn is looked up at the first open of a load and kept: an adapter plugged or pulled
// between two steps must not turn the rest of the load to another device.
TEST_F(SerialPortTest, AReopenWithinALoadRefusesAnotherDeviceBehindTheSamePath) {
  PtyPair other;
  TempDir links;
  const std::string link = links.File("ttyUSB0");
  auto pointLinkAt = [&](const std::string& target) {
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
  };
  int lookups = 0;
  CSerialPort loading(ui, [&](int) {
    ++lookups;
    return link;
  });
  pointLinkAt(pty.SlavePath());
  loading.BeginLoad();
  ASSERT_TRUE(loading.OpenPort(1, 9600, 'N', 8, 2));
  ASSERT_TRUE(loading.ClosePort());
  ASSERT_TRUE(loading.OpenPort(1, 4800, 'N', 8, 2));  // the same device: fine
  ASSERT_TRUE(loading.ClosePort());
  pointLinkAt(other.SlavePath());
  EXPECT_FALSE(loading.OpenPort(1, 9600, 'N', 8, 2));
  EXPECT_FALSE(loading.IsOpen());
  EXPECT_EQ(lookups, 1);
  ASSERT_EQ(ui.portFailures.size(), 1u);
  EXPECT_EQ(ui.portFailures[0].devicePath, link);
  EXPECT_NE(ui.portFailures[0].reason.find("no longer the device this load began on"),
            std::string::npos);
  EXPECT_TRUE(trace.Contains("another device than at the start of the load (" + link));
  loading.EndLoad();

  // The next load takes the device COMn names then.
  loading.BeginLoad();
  ASSERT_TRUE(loading.OpenPort(1, 9600, 'N', 8, 2));
  other.Send("new");
  EXPECT_EQ(Collect(loading, 3, 3000), "new");
  EXPECT_TRUE(loading.ClosePort());
  loading.EndLoad();
  EXPECT_EQ(lookups, 2);
}

TEST(DeviceNode, ItsOwnershipAndNumberAreRead) {
  TempDir dir;
  dir.Write("node", "");
  const std::string node = dir.File("node");
  if (::chown(node.c_str(), static_cast<uid_t>(-1), 20) != 0) GTEST_SKIP() << "chown refused";
  group* named = ::getgrgid(20);
  // Joining the group is advice only where the group may read and write the node.
  for (const auto& [mode, groupMayOpen] : {std::pair{0660, true}, {0640, false}, {0600, false}}) {
    ASSERT_EQ(::chmod(node.c_str(), static_cast<mode_t>(mode)), 0);
    const DeviceOwnership owner = OwnershipOfDevice(node).value();
    EXPECT_EQ(owner.group, named != nullptr ? named->gr_name : "20");
    EXPECT_EQ(owner.groupMayOpen, groupMayOpen) << std::oct << mode;
  }
  // The system's own group 0 is nobody's cure, whatever its rights.
  const DeviceOwnership null = OwnershipOfDevice("/dev/null").value();
  EXPECT_EQ(std::pair(null.user, null.groupMayOpen), std::pair(std::string("root"), false));
  EXPECT_FALSE(OwnershipOfDevice(dir.File("missing")).has_value());
  std::uint64_t number = 1;
  int error = 0;
  ASSERT_TRUE(DeviceNumberOfPath("/dev/null", &number, &error));
  EXPECT_EQ(DeviceNumberText(number), "1:3");
  EXPECT_FALSE(DeviceNumberOfPath(dir.File("missing"), &number, &error));
  EXPECT_EQ(error, ENOENT);
}

// What the user reads when the port cannot be had: the cure that fits the device.
TEST(PortOpenFailureText, AdviceFitsWhoOwnsOrHoldsTheDevice) {
  const PortOpenFailure dialout{.portNumber = 2,
                                .devicePath = "/dev/ttyUSB0",
                                .errorCode = EACCES,
                                .reason = "Permission denied",
                                .deviceOwner = "root",
                                .deviceGroup = "dialout",
                                .groupMayOpen = true,
                                .holders = ""};
  PortOpenFailure rootOnly = dialout;
  rootOnly.deviceGroup = "root";
  rootOnly.groupMayOpen = false;
  const struct {
    PortOpenFailure failure;
    bool french;
    std::string text;
  } cases[] = {
      {dialout, false,
       "COM2 (/dev/ttyUSB0) could not be opened: Permission denied.\nThe user must belong to "
       "the group \"dialout\" that owns /dev/ttyUSB0 (then log in again)."},
      {dialout, true,
       "Le port COM2 (/dev/ttyUSB0) n'a pas pu \xC3\xAAtre ouvert : Permission denied.\n"
       "L'utilisateur doit appartenir au groupe \"dialout\" propri\xC3\xA9taire de "
       "/dev/ttyUSB0 (puis rouvrir sa session)."},
      {rootOnly, false,
       "COM2 (/dev/ttyUSB0) could not be opened: Permission denied.\n/dev/ttyUSB0 belongs to "
       "user \"root\" and group \"root\": a udev rule or the administrator must grant this "
       "user access to it (see Troubleshooting in the README)."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PortOpenFailureText(c.failure, c.french), c.text);
  EXPECT_EQ(PortOpenFailureText(rootOnly, true).find("doit appartenir"), std::string::npos);
}

TEST_F(SerialPortTest, AStuckWriteEndsWithinItsLimitAndIsReported) {
  ASSERT_TRUE(port.OpenPort(1, 115200, 'N', 8, 1));
  pty.FillOutput();  // the receiver reads nothing more: no room for another byte
  std::uint8_t byte = '$';
  auto start = steady_clock::now();
  EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);
  auto took = steady_clock::now() - start;
  EXPECT_GE(took, milliseconds(900));  // 500 ms for the byte, 500 ms for the write
  EXPECT_TRUE(!kWallClockBounds || took < milliseconds(3000)) << "took too long";
  EXPECT_EQ(ui.serialMessages,
            (std::vector<std::string>{
                "The time-out interval elapsed, and the object\xE2\x80\x99s state is nonsignaled. ",
                "Number of bytes written = 0 : Number\t\t\t\t\t\trequired = 1"}));
  EXPECT_TRUE(trace.Contains("Erreur ecriture"));

  // The stuck bytes were discarded, so the line is usable again.
  EXPECT_EQ(port.WriteToPort(&byte, 1), 1u);
  EXPECT_TRUE(port.ClosePort());
  EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);  // closed
}

// A USB adapter pulled while the port is open: the descriptor reports a hang-up and errors
// from then on. Nothing may crash, spin or hang; every byte written fails the same way, told
// once with its reason and, at the close, how often it came again; the device opens again
// once it is back.
TEST_F(SerialPortTest, AVanishedDeviceCostsNothingIsTracedOnceAndCanBeReopened) {
  port.BeginLoad();
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  std::uint8_t byte = 'x';
  ASSERT_EQ(port.WriteToPort(&byte, 1), 1u);
  pty.CloseMaster();
  ASSERT_TRUE(trace.Await("(SizeOfInputQ)Could not find out whether any"))
      << "the reader never met the hang-up";

  // A reader thread that kept polling the dead descriptor would burn this whole window.
  double cpuBefore = ProcessCpuMs();
  std::this_thread::sleep_for(milliseconds(500));
  EXPECT_TRUE(!kWallClockBounds || ProcessCpuMs() - cpuBefore < 100.0) << "the reader spun";

  // The callers' own limits end their waits: writes fail at once, takes find nothing.
  auto start = steady_clock::now();
  for (int i = 0; i < 70; ++i)
    EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);
  const std::uint8_t* data = nullptr;
  std::uint32_t count = 0;
  port.TakeReceivedWaiting(&data, &count, 1);
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(port.SetBaudRate(4800));
  EXPECT_TRUE(!kWallClockBounds || steady_clock::now() - start < milliseconds(500))
      << "took too long";
  EXPECT_TRUE(ui.serialMessages.empty());  // an error, not a time-out: no box
  EXPECT_TRUE(port.ClosePort());
  EXPECT_FALSE(port.IsOpen());
  // Writes on the closed port within the same load are another failure, told once too.
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(port.WriteToPort(&byte, 1), 0u);
  port.EndLoad();
  EXPECT_EQ(trace.Matching("Erreur ecriture"),
            (std::vector<std::string>{
                "Erreur ecriture (" + path + ": Input/output error)",
                "Erreur ecriture repeated 69 times (" + path + ": Input/output error)",
                "Erreur ecriture (" + path + ": Bad file descriptor)",
                "Erreur ecriture repeated 2 times (" + path + ": Bad file descriptor)"}));

  PtyPair back;  // the adapter is plugged in again, under a new name here
  path = back.SlavePath();
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  back.Send("back");
  EXPECT_EQ(Collect(port, 4, 3000), "back");
  EXPECT_TRUE(port.ClosePort());
}

// The wake sentences go out one byte per write and the step closes the port at once; a
// UART's queue is purged at close, so the close must come after the last character time.
// A rate change waits for the bytes written before it and changes the rate alone.
TEST_F(SerialPortTest, BytesLeaveAtTheRateTheyWereWrittenAtBeforeARateChangeOrAClose) {
  EXPECT_FALSE(port.SetBaudRate(9600));  // closed
  std::string wake;
  for (int i = 0; i < 5; ++i)
    wake += std::string(kFirstWakeSentence) + std::string(kSecondWakeSentence);
  const std::string slow(240, 's');  // 500 ms at 4800 bit/s
  ASSERT_TRUE(port.OpenPort(1, 4800, 'N', 8, 2));
  auto receiver = std::async(std::launch::async, ReceivePaced, std::cref(pty), 240 + wake.size());

  ASSERT_EQ(port.WriteToPort(reinterpret_cast<const std::uint8_t*>(slow.data()), 240), 240u);
  auto start = steady_clock::now();
  ASSERT_TRUE(port.SetBaudRate(9600));
  EXPECT_GE(steady_clock::now() - start, milliseconds(450));
  EXPECT_EQ(pty.SlaveSettings().c_cflag & (CSTOPB | CSIZE), static_cast<tcflag_t>(CSTOPB | CS8));
  EXPECT_FALSE(port.SetBaudRate(14400));  // no such rate: refused, the line unchanged
  EXPECT_TRUE(trace.Contains("Could not set the COM state"));
  start = steady_clock::now();
  SendStoredText(port, wake);
  // The same rate is no change: no wait for the line time just written.
  auto same = steady_clock::now();
  EXPECT_TRUE(port.SetBaudRate(9600));
  EXPECT_TRUE(!kWallClockBounds || steady_clock::now() - same < milliseconds(100))
      << "took too long";
  EXPECT_TRUE(port.ClosePort());
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
