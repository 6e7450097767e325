#include "loader/second/tk_record.h"

#include "app/user_interaction.h"

std::size_t TkRecordSize(std::uint8_t first, std::uint8_t count) {
  if (first == kTkDataRecord) return 2u * count + 10u;
  if (first == kTkEndRecord) return kTkEndRecordSize;
  return 0;
}

std::size_t ReadTkRecord(std::FILE* file, UserInteraction& ui, TkRecordBuffer& record) {
  auto readInto = [&](std::size_t at, std::size_t count) -> bool {
    if (std::fread(record.data() + at, 1, count, file) == count) return true;
    if (std::ferror(file)) ui.ShowFileReadError();
    return false;
  };
  // The first three bytes tell the size; an end record has at least that many.
  if (!readInto(0, 1)) return 0;
  if (record[0] != kTkDataRecord && record[0] != kTkEndRecord) return 0;
  if (!readInto(1, 2)) return 0;
  std::size_t size = TkRecordSize(record[0], record[2]);
  if (!readInto(3, size - 3)) return 0;
  return size;
}
