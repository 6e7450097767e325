// Dump files of any content: the parse stays inside the rows whatever the block numbers
// and record lengths, and never touches the saved almanac or the flags.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "loader/first/dump_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // On the heap, so that a write past the store is caught by the sanitizer.
  auto tables = std::make_unique<TableStore>();
  for (auto& row : tables->savedAlmanac)
    row.fill(0xA5);
  DumpParse parse = ParseDumpBytes({data, size}, *tables);
  if (parse.goodRecords < 0 || parse.goodRecords > kDumpRecordCount) std::abort();
  if ((parse.outcome == DumpOutcome::kComplete) != (parse.goodRecords == kDumpRecordCount))
    std::abort();
  for (const auto& row : tables->savedAlmanac)
    for (std::uint8_t b : row)
      if (b != 0xA5) std::abort();
  if (tables->dopplerValid || tables->freshAlmanacValid || tables->savedAlmanacValid) std::abort();
  return 0;
}
