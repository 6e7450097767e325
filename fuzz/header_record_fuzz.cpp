// Header records of arbitrary files.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/header_record.h"
#include "base/silent_user_interaction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  CSilentUserInteraction ui;
  std::int16_t counted = ReadHeaderRecord(file, ui);
  long position = std::ftell(file);
  // A counted record always lies wholly inside the file.
  if (counted != 0 && (position <= 0 || static_cast<std::size_t>(position) > size))
    __builtin_trap();
  std::fclose(file);
  return 0;
}
