// A first-family receiver on the virtual clock: streams its tables when asked, enters its
// loader on the wake sentences or marker, repeats its wrong-checksum text there, answers
// records as a test scripts it and keeps what was written back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "loader/first/first_family.h"
#include "tests/support/fake_link.h"

inline constexpr const char* kTestWrgText = "WRONG CHECKSUM";

class ScriptedReceiver : public FakeLink {
 public:
  enum class State { kNormal, kLoaderWaiting, kLoading };

  ScriptedReceiver(VirtualClock& clock, FirstFamilyKind kind);

  int TakeReceived(const std::uint8_t** data, std::uint32_t* count) override;

  // What it streams when asked for its tables (text in front of the records included), in
  // pieces of `chunkBytes` every 320 ms, as a 9600 bit/s line would carry them.
  std::vector<std::uint8_t> dump;
  std::size_t chunkBytes = 300;
  // Answer to the n-th load record (0-based, resends counted); default "0" after 5 ms.
  std::function<std::string(std::size_t index, const std::vector<std::uint8_t>& record)>
      answerRecord;
  // Answers to the end record, in order; "5" when none are left.
  std::deque<std::string> verdicts;
  // Never says "1" after the "0"; never shows its wrong-checksum text.
  bool silentReady = false;
  bool silentLoader = false;

  State state() const { return state_; }
  int readOutRequests = 0;
  int zerosAnswered = 0;                           // lone "0"s in its loader, at 9600
  std::vector<std::vector<std::uint8_t>> records;  // every record, resends and end included

 private:
  void OnWrite(const std::vector<std::uint8_t>& bytes);
  void OnLoadingByte(std::uint8_t byte);

  FirstFamilyKind kind_;
  State state_ = State::kNormal;
  std::string heard_;
  std::int64_t nextTextAt_ = 0;
  std::vector<std::uint8_t> partial_;
};

// Test material in the receivers' formats.
namespace first_test {

inline std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
// A dump of 45 records with data from `seed`, almanac rows in GPS week `week`, behind
// `preface` (the receiver's normal output, ending with CR LF).
std::vector<std::uint8_t> MakeDump(std::uint8_t seed, std::uint16_t week,
                                   const std::string& preface);
// One dump record: 0x8B, block, data, check, CR LF.
std::vector<std::uint8_t> MakeDumpRecord(int block, const std::vector<std::uint8_t>& data);
// The data of block `block` in a dump made from `seed` (blocks of 120 x10, 80, 120, 8, 42 x32).
std::vector<std::uint8_t> BlockData(std::uint8_t seed, std::uint16_t week, int block);

struct ProgramFile {
  std::vector<std::uint8_t> bytes;
  std::vector<std::vector<std::uint8_t>> dataRecords;
};
// A form A header, `records` data records of `dataBytes` bytes each (1 to 256), an end record
// with the 16-bit sum of every data record's data bytes.
ProgramFile MakeProgram(int records, int dataBytes, std::uint8_t seed);

}  // namespace first_test
