// Whole program files of either family, checked as before a load. The first byte picks the
// family's record rules, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/header_record.h"
#include "loader/program_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const RecordRules rules = (data[0] & 1) ? RecordRules::kSecondFamily : RecordRules::kFirstFamily;
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  const ImageLayout layout = CheckProgramImage(file, rules);
  // The records lie back to back behind the header record, each whole inside the file and
  // of the size its own bytes give; a sendable file ends with its end record.
  std::size_t at = MeasureHeaderRecord(file).occupied;
  for (const RecordExtent& r : layout.records) {
    if (r.offset != at || r.size == 0 || r.offset + r.size > file.size()) __builtin_trap();
    if (RecordSizeAt(file.subspan(r.offset), rules) != r.size) __builtin_trap();
    at += r.size;
  }
  // A first-family data record that passed carries the sum of its bytes as its last byte.
  if (rules == RecordRules::kFirstFamily) {
    for (const RecordExtent& r : layout.records) {
      if (file[r.offset] == 0x8C) continue;
      std::uint8_t sum = 0;
      for (std::size_t i = r.offset + 1; i + 1 < r.offset + r.size; ++i)
        sum = static_cast<std::uint8_t>(sum + file[i]);
      if (sum != file[r.offset + r.size - 1]) __builtin_trap();
    }
  }
  // Every refusal has words for the user.
  if (DescribeImageFault(file, layout, rules, Language::kEnglish).empty() !=
      (layout.fault == ImageFault::kNone))
    __builtin_trap();
  if (layout.fault == ImageFault::kNone) {
    if (layout.records.empty() || layout.headerLength <= 0) __builtin_trap();
    if (file[layout.records.back().offset] != 0x8C) __builtin_trap();
  } else if (layout.fault != ImageFault::kTooLarge && layout.fault != ImageFault::kNoHeader &&
             layout.faultOffset != at) {
    __builtin_trap();
  }
  return 0;
}
