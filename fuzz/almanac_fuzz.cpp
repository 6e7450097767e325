// alm.alm of any content and length: decoding, the age check and the merge stay inside
// the rows and only ever use a whole file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "loader/first/almanac.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto tables = std::make_unique<TableStore>();
  bool decoded = DecodeAlmanacFile({data, size}, &tables->savedAlmanac);
  if (decoded != (size == static_cast<std::size_t>(kAlmanacFileSize))) std::abort();
  if (!decoded) return 0;
  // "Now" from the file too, so ages on both sides of every boundary are tried.
  std::int64_t now =
      static_cast<std::int64_t>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3];
  tables->savedAlmanacValid = IsAlmanacUsable(tables->savedAlmanac, now * 64);
  // The fresh almanac is the file read backwards: every row meets another.
  for (int slot = 0; slot < kAlmanacSlotCount; ++slot)
    tables->freshAlmanac[slot] = tables->savedAlmanac[kAlmanacSlotCount - 1 - slot];
  Almanac before = tables->savedAlmanac;
  MergeAlmanacRows(*tables);
  if (!tables->savedAlmanacValid) std::abort();
  for (int slot = 0; slot < kAlmanacSlotCount; ++slot) {
    const AlmanacRow& merged = tables->savedAlmanac[slot];
    if (merged != before[slot] && merged != tables->freshAlmanac[slot]) std::abort();
  }
  return 0;
}
