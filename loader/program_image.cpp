#include "loader/program_image.h"

#include <cstdio>

#include "base/atomic_file.h"
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
  if (rest[0] == kEndRecordStart) return kTk20bEndRecordSize;
  if (rest[0] != kDataRecordStart) return 0;
  return rest.size() < 3 ? 3 : Tk20bRecordSize(rest[0], rest[2]);
}

// Both families end their files with a record that starts with 0x8C.

namespace {

// A first-family data record: its last byte is the 8-bit sum of the bytes between the
// first and itself.
bool HasGoodCheckByte(std::span<const std::uint8_t> record) {
  std::uint8_t sum = 0;
  for (std::size_t i = 1; i + 1 < record.size(); ++i)
    sum = static_cast<std::uint8_t>(sum + record[i]);
  return sum == record.back();
}

}  // namespace

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
      layout.faultRecord = layout.records.size() + 1;
      return layout;
    }
    layout.records.push_back({at, size});
    if (rest[0] == kEndRecordStart) return layout;
    // The loader would refuse the record eleven times and give up halfway, the receiver
    // already in its loader and its tables gone.
    if (rules == RecordRules::kFirstFamily && !HasGoodCheckByte(rest.first(size))) {
      layout.records.pop_back();
      layout.fault = ImageFault::kBadCheckByte;
      layout.faultOffset = at;
      layout.faultRecord = layout.records.size() + 1;
      return layout;
    }
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
  image->header = HeaderRecord{};
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr) return ImageLoad::kUnreadable;
  const bool read = ReadWhole(file.get(), &image->bytes);
  file.reset();
  if (!read) {
    ui.ShowFileReadError();
    image->bytes.clear();
    return ImageLoad::kUnreadable;
  }
  image->header = TakeHeaderRecord(image->bytes);
  image->layout = CheckProgramImage(image->bytes, rules);
  return image->layout.fault == ImageFault::kNone ? ImageLoad::kReady : ImageLoad::kRefused;
}

namespace {

std::string Text(Language language, const std::string& french, const std::string& english) {
  return language == Language::kFrench ? french : english;
}

}  // namespace

std::string DescribeImageFault(std::span<const std::uint8_t> bytes, const ImageLayout& layout,
                               RecordRules rules, Language language) {
  const std::string record = std::to_string(layout.faultRecord);
  const std::string offset = std::to_string(layout.faultOffset);
  switch (layout.fault) {
    case ImageFault::kNone:
      return {};
    case ImageFault::kTooLarge:
      return Text(language, "fichier de plus de 4 Mio : ce n'est pas un programme de récepteur",
                  "the file is larger than 4 MiB: no program for these receivers");
    case ImageFault::kNoHeader:
      return Text(language, "pas d'enregistrement d'en-tête : ce n'est pas un fichier programme",
                  "no header record: this is not a program file");
    default:
      break;
  }
  const RecordRules other =
      rules == RecordRules::kFirstFamily ? RecordRules::kSecondFamily : RecordRules::kFirstFamily;
  if (CheckProgramImage(bytes, other).fault == ImageFault::kNone) {
    return rules == RecordRules::kFirstFamily
               ? Text(language, "fichier d'un récepteur TK20B, pas de ce type de récepteur",
                      "a file for TK20B receivers, not for this receiver type")
               : Text(language, "fichier d'un récepteur VR ou TK, pas de ce type de récepteur",
                      "a file for VR or TK receivers, not for this receiver type");
  }
  switch (layout.fault) {
    case ImageFault::kForeignRecord:
      return Text(
          language,
          "l'enregistrement " + record + " (octet " + offset + ") n'est pas un enregistrement",
          "record " + record + " (byte " + offset + ") starts no record");
    case ImageFault::kCutShort:
      return Text(
          language,
          "l'enregistrement " + record + " (octet " + offset + ") est coupé par la fin du fichier",
          "record " + record + " (byte " + offset + ") is cut short by the end of the file");
    case ImageFault::kNoEndRecord:
      return Text(language, "pas d'enregistrement de fin", "no end record");
    case ImageFault::kBadCheckByte:
      return Text(
          language,
          "mauvais octet de contrôle dans l'enregistrement " + record + " (octet " + offset + ")",
          "bad check byte in record " + record + " (byte " + offset + ")");
    default:
      return {};
  }
}
