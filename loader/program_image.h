// A program or language file read whole into memory and checked against the record rules
// of the family that will send it. The transfers send from the checked image only, so a
// file that cannot be sent whole is refused before the receiver is touched, and a file
// changed or removed during a load cannot mix two versions.
//
// Behind the header record come records up to the end record; bytes behind the end record
// are ignored.
//   first family:  data 0x8B, count n, n + 5 bytes (n + 7 in all), the last of them the 8-bit
//                  sum of every byte after the first; end 0x8C + 3 bytes
//   second family: data 0x8B, number, count n, 2n + 7 bytes;        end 0x8C + 7 bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/header_record.h"
#include "base/messages.h"

class UserInteraction;

enum class RecordRules { kFirstFamily, kSecondFamily };

// The first family's end record: 0x8C, the sum's two bytes and their sum (the record bytes
// are named with the header record; the second family's sizes are in tk20b_record.h).
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
  kBadCheckByte,   // a first-family data record whose check byte is not its sum
};

struct RecordExtent {
  std::size_t offset = 0;
  std::size_t size = 0;
};

struct ImageLayout {
  ImageFault fault = ImageFault::kNone;
  std::size_t faultOffset = 0;        // where the faulty header or record begins
  std::size_t faultRecord = 0;        // which record behind the header, counted from 1
  std::int16_t headerLength = 0;      // the header record's counted length
  std::vector<RecordExtent> records;  // the data records, then the end record
};

// Checks a whole file's bytes; on a fault `records` holds the whole records before it.
ImageLayout CheckProgramImage(std::span<const std::uint8_t> bytes, RecordRules rules);

struct ProgramImage {
  std::vector<std::uint8_t> bytes;  // the file as read, bytes behind the end record included
  ImageLayout layout;
  HeaderRecord header;  // as the header reader would read it from the file

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

// Why a checked file is refused, in words a user can act on ("bad check byte in record 12
// (byte 3081)"); it names the other family when the file is one of its files. Empty for a
// file without fault.
std::string DescribeImageFault(std::span<const std::uint8_t> bytes, const ImageLayout& layout,
                               RecordRules rules, Language language);

// Reads the file at `path` once, whole, and checks it. A read error shows "Error while
// reading file" through `ui`; other outcomes are for the caller to report.
ImageLoad LoadProgramImage(const std::string& path, RecordRules rules, UserInteraction& ui,
                           ProgramImage* image);
