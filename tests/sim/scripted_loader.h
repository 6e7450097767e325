// A loader reduced to a script: opens the simulator's slave with its own line settings and
// writes and reads bytes, so each test states exactly what goes over the line. It shares
// nothing with the real loader or with the simulator.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

class CScriptedLoader {
 public:
  explicit CScriptedLoader(std::string path) : path_(std::move(path)) {}
  ~CScriptedLoader() { Close(); }
  CScriptedLoader(const CScriptedLoader&) = delete;
  CScriptedLoader& operator=(const CScriptedLoader&) = delete;

  // Raw, 8 data bits, no parity, the given rate and stop bits, empty queues.
  bool Open(int bitRate, int stopBits);
  void Close();
  bool SetLine(int bitRate, int stopBits);

  void Send(const Bytes& bytes);
  void Send(const std::string& text) { Send(Bytes(text.begin(), text.end())); }
  // Sends, then waits as long as the bytes take on the line, as a careful loader does
  // before it changes the line settings or closes the port.
  void SendAndDrain(const std::string& text);

  // Reads for timeoutMs, or until the bytes, NUL bytes left out, contain `until` (when not
  // empty), or until `count` bytes came.
  Bytes Read(int timeoutMs, const std::string& until = "",
             std::size_t count = std::numeric_limits<std::size_t>::max());
  // Whether text (NUL bytes left out, as loaders do) comes within timeoutMs.
  bool Await(const std::string& text, int timeoutMs);

 private:
  std::string path_;
  int fd_ = -1;
  int bitRate_ = 9600;
  int stopBits_ = 1;
};

bool Contains(const Bytes& haystack, const std::string& needle);
Bytes WithoutNul(Bytes bytes);
std::string Text(const Bytes& bytes);
long long NowMs();
void SleepMs(int ms);

// First family: 0x8B, data length - 1, address (3 bytes), data, check byte.
Bytes FirstDataRecord(std::uint32_t address, const Bytes& data);
Bytes FirstEndRecord(std::uint16_t sum);
// Second family: 0x8B, number, n, address (4), 2n data bytes, word sum (2), check byte.
Bytes SecondDataRecord(std::uint8_t number, const Bytes& data);
Bytes SecondEndRecord(std::uint8_t number);
unsigned DataSum(const Bytes& data);

// The dump records of a capture: from the first 0x8B after a CR LF, each 0x8B, block, data
// (the block's length), check, CR LF; stops at the first that does not fit or check.
std::vector<Bytes> DumpRecords(const Bytes& capture);
int DumpBlockLength(int block);

// The receiver's loader texts by default.
inline const char* kVrText = "VR LOADER BAD CHECKSUM";
inline const char* kTkText = "TK LOADER BAD CHECKSUM";
inline const char* kTk20bText = "TK20B BOOT WAITING";

inline const char* kVrReadOut = "$PKZN,0C,00,02BE\r\n";
inline const char* kWake1 = "$PKZN,04,01,01,033D\r\n";
inline const char* kWake2 = "$PKZN,04,01,02,033E\r\n";
inline const std::string kTkReadOut("$KZNPROG", 9);
inline const std::string kTkWake("$KZNPROJ", 9);

}  // namespace simtest
