// A loader reduced to a script stating each byte and line setting; it shares no code.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/program_file.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

class CScriptedLoader {
 public:
  explicit CScriptedLoader(std::string path) : path_(std::move(path)) {}
  ~CScriptedLoader() { Close(); }
  bool Open(int bitRate, int stopBits);  // raw, 8N, empty queues
  void Close();
  bool SetLine(int bitRate, int stopBits);
  void Send(const Bytes& bytes);
  void Send(const std::string& text) { Send(Bytes(text.begin(), text.end())); }
  void SendAndDrain(const std::string& text);  // waits as long as the bytes take on the line
  // Reads for timeoutMs, until the bytes (NUL left out) contain `until`, or `count` bytes came.
  Bytes Read(int timeoutMs, const std::string& until = "",
             std::size_t count = std::numeric_limits<std::size_t>::max());
  bool Await(const std::string& text, int timeoutMs);

 private:
  std::string path_;
  int fd_ = -1, bitRate_ = 9600, stopBits_ = 1;
};

bool Contains(const Bytes& haystack, const std::string& needle);
Bytes WithoutNul(Bytes bytes);
inline std::string Text(const Bytes& b) {
  return std::string(b.begin(), b.end());
}
long long NowMs();
void SleepMs(int ms);
unsigned DataSum(const Bytes& data);
using program_file::FirstDataRecord;
using program_file::FirstEndRecord;
using program_file::SecondDataRecord;
using program_file::SecondEndRecord;
std::vector<Bytes> DumpRecords(const Bytes& capture);  // checked, from the first CR LF 0x8B

inline const char* kVrText = "VR LOADER BAD CHECKSUM";
inline const char* kTkText = "TK LOADER BAD CHECKSUM";
inline const char* kTk20bText = "TK20B BOOT WAITING";
inline const char* kVrReadOut = "$PKZN,0C,00,02BE\r\n";
inline const char* kWake1 = "$PKZN,04,01,01,033D\r\n";
inline const char* kWake2 = "$PKZN,04,01,02,033E\r\n";
inline const std::string kTkReadOut("$KZNPROG", 9);
inline const std::string kTkWake("$KZNPROJ", 9);

}  // namespace simtest
