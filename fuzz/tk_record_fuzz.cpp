// Records of a second-family program file behind its header, from arbitrary files.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/silent_user_interaction.h"
#include "loader/second/tk_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::rewind(file);
  CSilentUserInteraction ui;
  TkRecordBuffer record{};
  std::size_t offset = 0;
  for (;;) {
    std::size_t got = ReadTkRecord(file, ui, record);
    if (got == 0) break;
    // A record read is whole, in the file, and byte for byte what the file holds there.
    if (got > kTkRecordBufferSize || offset + got > size) __builtin_trap();
    if (got != TkRecordSize(record[0], record[2])) __builtin_trap();
    for (std::size_t i = 0; i < got; ++i) {
      if (record[i] != data[offset + i]) __builtin_trap();
    }
    offset += got;
  }
  std::fclose(file);
  return 0;
}
