#include "loader/tk20b_record.h"

std::size_t Tk20bRecordSize(std::uint8_t first, std::uint8_t count) {
  if (first == kTk20bDataRecord) return 2u * count + 10u;
  if (first == kTk20bEndRecord) return kTk20bEndRecordSize;
  return 0;
}
