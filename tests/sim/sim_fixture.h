// The simulator driven over its pseudo-terminal by a loader reduced to a script stating each
// byte and line setting; it shares no code with the loader.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/program_file.h"
#include "tests/support/sim_process.h"
#include "tests/support/sim_report.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;
using program_file::FirstDataRecord;
using program_file::FirstEndRecord;
using program_file::SecondDataRecord;
using program_file::SecondEndRecord;

inline const char* kVrText = "VR LOADER BAD CHECKSUM";
inline const char* kTkText = "TK LOADER BAD CHECKSUM";
inline const char* kTk20bText = "TK20B BOOT WAITING";
inline const char* kVrReadOut = "$PKZN,0C,00,02BE\r\n";
inline const char* kWake1 = "$PKZN,04,01,01,033D\r\n";
inline const char* kWake2 = "$PKZN,04,01,02,033E\r\n";
inline const std::string kTkWake("$KZNPROJ", 9);

inline long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
inline void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
inline std::string Text(const Bytes& b) {
  return std::string(b.begin(), b.end());
}
inline bool Contains(const Bytes& bytes, const std::string& text) {
  return Text(bytes).find(text) != std::string::npos;
}
inline Bytes WithoutNul(Bytes bytes) {
  bytes.erase(std::remove(bytes.begin(), bytes.end(), 0), bytes.end());
  return bytes;
}
inline unsigned DataSum(const Bytes& data) {
  return std::accumulate(data.begin(), data.end(), 0u) & 0xFFFF;
}

// The table blocks of a captured dump, each checked, from the first CR LF 0x8B on.
inline std::vector<Bytes> DumpRecords(const Bytes& capture) {
  auto length = [](int block) -> std::size_t {
    return block <= 9 || block == 11 ? 120 : block == 10 ? 80 : block == 12 ? 8 : 42;
  };
  std::vector<Bytes> out;
  std::size_t pos = 0;
  while (pos + 2 < capture.size() &&
         !(capture[pos] == '\r' && capture[pos + 1] == '\n' && capture[pos + 2] == 0x8B))
    ++pos;
  for (pos += 2; pos + 1 < capture.size() && capture[pos] == 0x8B && capture[pos + 1] == out.size();
       pos += length(capture[pos + 1]) + 5) {
    const int block = capture[pos + 1];
    const std::size_t n = length(block);
    if (pos + n + 5 > capture.size()) break;
    Bytes data(capture.begin() + static_cast<long>(pos + 2),
               capture.begin() + static_cast<long>(pos + 2 + n));
    if (((static_cast<unsigned>(block) + DataSum(data)) & 0xFF) != capture[pos + 2 + n] ||
        capture[pos + 3 + n] != '\r' || capture[pos + 4 + n] != '\n')
      break;
    out.push_back(data);
  }
  return out;
}

class CScriptedLoader {
 public:
  explicit CScriptedLoader(std::string path) : path_(std::move(path)) {}
  ~CScriptedLoader() { Close(); }

  bool Open(int bitRate, int stopBits) {  // raw, 8N, empty queues
    Close();
    fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return fd_ >= 0 && SetLine(bitRate, stopBits) && tcflush(fd_, TCIOFLUSH) == 0;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  bool SetLine(int bitRate, int stopBits) {
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    const speed_t speed = bitRate == 4800    ? B4800
                          : bitRate == 9600  ? B9600
                          : bitRate == 19200 ? B19200
                                             : B115200;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSTOPB)) | CLOCAL | CREAD;
    if (stopBits == 2) t.c_cflag |= CSTOPB;
    bitRate_ = bitRate;
    stopBits_ = stopBits;
    return tcsetattr(fd_, TCSANOW, &t) == 0;
  }
  void Send(const Bytes& bytes) {
    pollfd p{fd_, POLLOUT, 0};
    for (std::size_t done = 0; fd_ >= 0 && done < bytes.size(); poll(&p, 1, 100)) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno != EAGAIN && errno != EINTR) return;  // the line is gone
      if (n > 0) done += static_cast<std::size_t>(n);
    }
  }
  void Send(const std::string& text) { Send(Bytes(text.begin(), text.end())); }
  // Sends and waits as long as the bytes take on the line.
  void SendAndDrain(const std::string& text) {
    Send(text);
    const long long us =
        static_cast<long long>(text.size()) * (stopBits_ == 2 ? 11 : 10) * 1000000 / bitRate_;
    std::this_thread::sleep_for(std::chrono::microseconds(us + 1000));
  }
  // Reads for timeoutMs, until the bytes (NUL left out) contain `until`, or `count` bytes came.
  Bytes Read(int timeoutMs, const std::string& until = "",
             std::size_t count = std::numeric_limits<std::size_t>::max()) {
    Bytes got;
    const long long limit = NowMs() + timeoutMs;
    while (fd_ >= 0 && got.size() < count &&
           !(!until.empty() && Contains(WithoutNul(got), until))) {
      const long long left = limit - NowMs();
      if (left <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      std::uint8_t buffer[4096];
      const ssize_t n = read(fd_, buffer, std::min(sizeof(buffer), count - got.size()));
      if (n > 0) got.insert(got.end(), buffer, buffer + n);
      if (n <= 0 && (p.revents & (POLLHUP | POLLERR))) break;
    }
    return got;
  }
  bool Await(const std::string& text, int timeoutMs) {
    return Contains(WithoutNul(Read(timeoutMs, text)), text);
  }

 private:
  std::string path_;
  int fd_ = -1, bitRate_ = 9600, stopBits_ = 1;
};

// The expected report of the running test: tests/sim/expected/<test name>.json.
inline void ExpectReportAsExpected(const simreport::Json& report,
                                   std::vector<std::string> varying = {}) {
  simreport::ExpectReportAsExpected(report, KZN_SOURCE_DIR "/tests/sim/expected", varying);
}

class SimLineTest : public ::testing::Test {
 protected:
  void StartSim(const std::vector<std::string>& args) {
    ASSERT_TRUE(sim_.Start(args)) << sim_.Error();
    loader_ = std::make_unique<CScriptedLoader>(sim_.SlavePath());
  }

  simreport::Json StopSim() {
    loader_->Close();
    return sim_.Report();
  }

  // The loader closes its port in the middle of a load. The simulator, started with
  // --exit-after 1, ends once it has seen the load abandoned.
  simreport::Json AbandonLoad() {
    loader_->Close();
    auto report = sim_.WaitForExit(10000);
    EXPECT_TRUE(report) << "kznsim did not end the abandoned load";
    return report ? *report : simreport::Json();
  }

  void TkIntoLoader(const std::string& text = kTkText) {
    ASSERT_TRUE(loader_->Open(9600, 2));
    loader_->Send(kTkWake);
    ASSERT_TRUE(loader_->Await(text, 1000));
    ASSERT_TRUE(TkReady(1000));
  }

  bool TkReady(int timeoutMs) {  // two "0" 200 ms apart: "1" after the second only
    loader_->Send("0");
    bool early = loader_->Await("1", 200);
    loader_->Send("0");
    return !early && loader_->Await("1", timeoutMs);
  }

  // Prepared by `preparation` (its "$PKZN,24,03" sentence) for `rate`.
  void Tk20bIntoTransfer(const std::string& preparation, int rate, bool expectDxf = false) {
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(kWake1);
    loader_->Send(kWake2);
    ASSERT_TRUE(loader_->Await(kTk20bText, 1000));
    ASSERT_TRUE(loader_->Open(4800, 2));
    loader_->Send(preparation);
    ASSERT_TRUE(loader_->Await("PRG\r\n", 1000));
    loader_->SetLine(rate, 2);
    Bytes erase = loader_->Read(2000, "PXF\r\n");
    ASSERT_TRUE(Contains(erase, "PXF\r\n"));
    EXPECT_EQ(Contains(erase, "DXF\r\n"), expectDxf);
    ASSERT_TRUE(loader_->Open(rate, 1));
  }

  std::string Exchange(const Bytes& record, int windowMs = 300) {
    loader_->Send(record);
    Bytes got = loader_->Read(windowMs, "", 1);
    Bytes rest = loader_->Read(got.empty() ? 0 : 30);
    got.insert(got.end(), rest.begin(), rest.end());
    return Text(got);
  }

  std::string Reply(const Bytes& record) {
    loader_->Send(record);
    return Text(loader_->Read(500, "\r\n"));
  }

  CSimProcess sim_;
  std::unique_ptr<CScriptedLoader> loader_;
};

}  // namespace simtest
