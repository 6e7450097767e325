#include "loader/second/tk_record.h"

std::size_t TkRecordSize(std::uint8_t first, std::uint8_t count) {
  if (first == kDataRecordStart) return 2u * count + 10u;
  if (first == kEndRecordStart) return kTkEndRecordSize;
  return 0;
}
