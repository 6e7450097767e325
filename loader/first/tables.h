// Where the receiver keeps its doppler table and almanac, their read-out into the dump file
// before a load, and their write-back as load records at the end of the upload.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "catalogue/family.h"
#include "loader/first/first_result.h"
#include "loader/first/table_store.h"

struct FirstLoad;
class CProgress;

inline constexpr std::uint32_t kTkTableBase = 0xC0F400;
inline constexpr std::uint32_t kVrTableBase = 0xC1F400;
inline constexpr int kDopplerBlockCount = 11;    // blocks 0 to 10 go back to the receiver
inline constexpr int kDopplerTableBytes = 1280;  // blocks 0 to 9 whole, then block 10
inline constexpr int kLastDopplerBlock = 10;

enum class TablesRead : std::int8_t {
  kRead,              // the tables are in the store
  kReceiverInLoader,  // the receiver is already in its loader: nothing to read
  kStopped,           // a failure (told) or a cancel
};

// Lengths of every block; addresses from the family's base.
void FillBlockMap(BlockMap& map, Family kind);

// catalogue folder / ~tmp<port>.tmp
std::string DumpFilePath(const FirstLoad& load);

// How the read-out treats the port's dump file.
enum class DumpWrite : std::int8_t {
  kEmptyFirst,  // emptied, then filled as the tables arrive
  // An unfinished load's dump is the only copy of that receiver's tables: the read-out goes
  // to a file beside it, which replaces it only once it arrived whole and parsed.
  kReplaceWhenComplete,
};

// Asks the receiver for its tables, captures them into the dump file and parses it; the
// type they were read from is kept beside the port's marker. Leaves the port open at 9600
// bit/s.
TablesRead ReadReceiverTables(FirstLoad& load, CProgress& progress, Family kind, DumpWrite write);

// 0x8B, data count - 1, 24-bit address high byte first, the data, the 8-bit sum of every byte
// after the first. `data` holds 1 to 256 bytes.
std::vector<std::uint8_t> BuildWriteBackRecord(std::uint32_t address,
                                               std::span<const std::uint8_t> data);
// The 16-bit sum of the doppler table's 640 byte pairs, high byte first.
std::uint16_t DopplerWordSum(const TableStore& tables);

// The write-back as a step of its own in the progress window: its own status text and the
// bar from 0 to 100 over the records it sends, so the upload's 100 % does not stand still
// while the tables go back. Nothing changes when there is nothing to write back.
class CWriteBackProgress {
 public:
  CWriteBackProgress(CProgress& progress, const TableStore& tables, Language language);
  void RecordSent();
  CProgress& Progress() { return progress_; }

 private:
  CProgress& progress_;
  int records_ = 0;
  int sent_ = 0;
};

// Send the saved almanac (when valid) and the doppler table (when valid) back; 1 with the
// 16-bit sum of the data bytes sent in *sum; kStopped after message 119.
FirstStep WriteBackAlmanac(FirstLoad& load, std::uint16_t* sum, CWriteBackProgress& shown);
FirstStep WriteBackDopplerTable(FirstLoad& load, std::uint16_t* sum, CWriteBackProgress& shown);
