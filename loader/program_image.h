// A program or language file read whole into memory and checked against the record rules
// of the family that will send it. The transfers send from the checked image only, so a
// file that cannot be sent whole is refused before the receiver is touched, and a file
// changed or removed during a load cannot mix two versions.
//
// Behind the header record come records up to the end record; bytes behind the end record
// are ignored.
//   first family:  data 0x8B, count n, n + 5 bytes (n + 7 in all); end 0x8C + 3 bytes
//   second family: data 0x8B, number, count n, 2n + 7 bytes;        end 0x8C + 7 bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class UserInteraction;

enum class RecordRules { kFirstFamily, kSecondFamily };

// The first family's records (the second family's are in tk20b_record.h).
inline constexpr std::uint8_t kDataRecordStart = 0x8B;
inline constexpr std::uint8_t kEndRecordStart = 0x8C;
inline constexpr int kEndRecordSize = 4;

// Program files are a few hundred kB; anything far beyond is no program for these receivers.
inline constexpr std::size_t kMaxProgramFileSize = std::size_t{4} << 20;

// The size of the record at the start of `rest` under `rules`: 0 when its first byte starts
// no record of the family. More than rest.size() when `rest` ends inside the record (when
// even its count byte is missing, the bytes up to the count byte).
std::size_t RecordSizeAt(std::span<const std::uint8_t> rest, RecordRules rules);

enum class ImageFault {
  kNone,
  kTooLarge,       // beyond kMaxProgramFileSize
  kNoHeader,       // no header record, or the file ends inside it
  kForeignRecord,  // a record whose first byte the family does not know
  kCutShort,       // the file ends inside a record
  kNoEndRecord,    // the file ends after a whole data record
};

struct RecordExtent {
  std::size_t offset = 0;
  std::size_t size = 0;
};

struct ImageLayout {
  ImageFault fault = ImageFault::kNone;
  std::size_t faultOffset = 0;        // where the faulty header or record begins
  std::int16_t headerLength = 0;      // the header record's counted length
  std::vector<RecordExtent> records;  // the data records, then the end record
};

// Checks a whole file's bytes; on a fault `records` holds the whole records before it.
ImageLayout CheckProgramImage(std::span<const std::uint8_t> bytes, RecordRules rules);

struct ProgramImage {
  std::vector<std::uint8_t> bytes;  // the file as read, bytes behind the end record included
  ImageLayout layout;

  std::span<const std::uint8_t> Record(std::size_t index) const {
    const RecordExtent& r = layout.records[index];
    return std::span<const std::uint8_t>(bytes).subspan(r.offset, r.size);
  }
};

enum class ImageLoad {
  kReady,       // checked: every record can be sent whole
  kUnreadable,  // the file cannot be opened or read (113)
  kRefused,     // its records break the family's rules (119)
};

// Reads the file at `path` once, whole, and checks it. A read error shows "Error while
// reading file" through `ui`; other outcomes are for the caller to report. The header
// record goes into HeaderRecordBuffer as the header reader would put it there.
ImageLoad LoadProgramImage(const std::string& path, RecordRules rules, UserInteraction& ui,
                           ProgramImage* image);
