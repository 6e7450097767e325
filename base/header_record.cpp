#include "base/header_record.h"

#include <algorithm>

#include "base/user_interaction.h"

std::array<std::uint8_t, kRecordBufferSize> HeaderRecordBuffer{};

namespace {

// Bytes of the record up to and including its header text: first byte, count, text.
std::size_t KeptBytes(std::uint8_t first, std::uint8_t count) {
  return first == kHeaderFormA ? count + 8u : count + 2u;
}

}  // namespace

HeaderRecordExtent MeasureHeaderRecord(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return {};
  const std::uint8_t first = bytes[0];
  if (first != kHeaderFormA && first != kHeaderFormB) return {0, 1};
  if (bytes.size() < 2) return {0, bytes.size()};
  const std::uint8_t count = bytes[1];
  const std::size_t occupied = first == kHeaderFormA ? count + 8u : count + 4u;
  // A file that ends inside its header record has none: the bytes it lacks would be
  // whatever an earlier file left in the buffer.
  if (bytes.size() < occupied) return {0, bytes.size()};
  return {static_cast<std::int16_t>(KeptBytes(first, count)), occupied};
}

HeaderRecordExtent TakeHeaderRecord(std::span<const std::uint8_t> bytes) {
  HeaderRecordExtent extent = MeasureHeaderRecord(bytes);
  if (bytes.empty()) return extent;
  HeaderRecordBuffer[0] = bytes[0];
  if (bytes[0] != kHeaderFormA && bytes[0] != kHeaderFormB) return extent;
  if (bytes.size() < 2) return extent;
  const std::size_t kept = std::min(KeptBytes(bytes[0], bytes[1]), bytes.size());
  std::copy_n(bytes.begin(), kept, HeaderRecordBuffer.begin());
  return extent;
}

std::int16_t ReadHeaderRecord(std::FILE* file, UserInteraction& ui) {
  std::clearerr(file);
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    ui.ShowFileReadError();
    return 0;
  }
  std::array<std::uint8_t, kMaxHeaderRecordSize> head{};
  const std::size_t got = std::fread(head.data(), 1, head.size(), file);
  if (got < head.size() && std::ferror(file)) {
    ui.ShowFileReadError();
    return 0;
  }
  const HeaderRecordExtent extent = TakeHeaderRecord({head.data(), got});
  if (std::fseek(file, static_cast<long>(extent.occupied), SEEK_SET) != 0) {
    ui.ShowFileReadError();
    return 0;
  }
  return extent.counted;
}
