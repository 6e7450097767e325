#include "loader/program_image.h"

#include <cstdio>

#include "base/header_record.h"
#include "base/user_interaction.h"
#include "loader/tk20b_record.h"

std::size_t RecordSizeAt(std::span<const std::uint8_t> rest, RecordRules rules) {
  if (rest.empty()) return 0;
  if (rules == RecordRules::kFirstFamily) {
    if (rest[0] == kEndRecordStart) return kEndRecordSize;
    if (rest[0] != kDataRecordStart) return 0;
    return rest.size() < 2 ? 2 : rest[1] + 7u;
  }
  if (rest[0] == kTk20bEndRecord) return kTk20bEndRecordSize;
  if (rest[0] != kTk20bDataRecord) return 0;
  return rest.size() < 3 ? 3 : Tk20bRecordSize(rest[0], rest[2]);
}

// Both families end their files with a record that starts with 0x8C.
static_assert(kEndRecordStart == kTk20bEndRecord);

ImageLayout CheckProgramImage(std::span<const std::uint8_t> bytes, RecordRules rules) {
  ImageLayout layout;
  if (bytes.size() > kMaxProgramFileSize) {
    layout.fault = ImageFault::kTooLarge;
    return layout;
  }
  const HeaderRecordExtent header = MeasureHeaderRecord(bytes);
  if (header.counted <= 0) {
    layout.fault = ImageFault::kNoHeader;
    return layout;
  }
  layout.headerLength = header.counted;
  std::size_t at = header.occupied;
  for (;;) {
    if (at == bytes.size()) {
      layout.fault = ImageFault::kNoEndRecord;
      layout.faultOffset = at;
      return layout;
    }
    const std::span<const std::uint8_t> rest = bytes.subspan(at);
    const std::size_t size = RecordSizeAt(rest, rules);
    if (size == 0 || size > rest.size()) {
      layout.fault = size == 0 ? ImageFault::kForeignRecord : ImageFault::kCutShort;
      layout.faultOffset = at;
      return layout;
    }
    layout.records.push_back({at, size});
    if (rest[0] == kEndRecordStart) return layout;
    at += size;
  }
}

namespace {

// The whole file, or false on a read error. Stops reading once the file is too large to
// be a program; the check refuses it then.
bool ReadWhole(std::FILE* file, std::vector<std::uint8_t>* bytes) {
  constexpr std::size_t kChunk = 64 * 1024;
  for (;;) {
    const std::size_t have = bytes->size();
    bytes->resize(have + kChunk);
    const std::size_t got = std::fread(bytes->data() + have, 1, kChunk, file);
    bytes->resize(have + got);
    if (got < kChunk) return !std::ferror(file);
    if (bytes->size() > kMaxProgramFileSize) return true;
  }
}

}  // namespace

ImageLoad LoadProgramImage(const std::string& path, RecordRules rules, UserInteraction& ui,
                           ProgramImage* image) {
  image->bytes.clear();
  image->layout = ImageLayout{};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return ImageLoad::kUnreadable;
  const bool read = ReadWhole(file, &image->bytes);
  std::fclose(file);
  if (!read) {
    ui.ShowFileReadError();
    image->bytes.clear();
    return ImageLoad::kUnreadable;
  }
  TakeHeaderRecord(image->bytes);
  image->layout = CheckProgramImage(image->bytes, rules);
  return image->layout.fault == ImageFault::kNone ? ImageLoad::kReady : ImageLoad::kRefused;
}
