// A dump file given with --tables: any content is refused or read within bounds.
#include <cstddef>
#include <cstdint>

#include "sim/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kznsim::Bytes dump(data, data + size);
  auto tables = kznsim::TablesFromDump(dump);
  if (tables) kznsim::BuildDumpRecords(*tables, -1);
  return 0;
}
