#include "loader/first/header_record.h"

#include "app/user_interaction.h"

std::array<std::uint8_t, kRecordBufferSize> HeaderRecordBuffer{};

namespace {

enum class ReadResult { kByte, kEnd, kError };

ReadResult ReadByte(std::FILE* file, std::uint8_t* byte) {
  int c = std::fgetc(file);
  if (c != EOF) {
    *byte = static_cast<std::uint8_t>(c);
    return ReadResult::kByte;
  }
  return std::ferror(file) ? ReadResult::kError : ReadResult::kEnd;
}

}  // namespace

std::int16_t ReadHeaderRecord(std::FILE* file, UserInteraction& ui) {
  std::clearerr(file);
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    ui.ShowFileReadError();
    return 0;
  }
  // A file that ends inside its header record has none: the bytes it lacks would be
  // whatever an earlier file left in the buffer.
  bool truncated = false;
  auto read = [&](std::size_t position, std::uint8_t* into) -> bool {
    std::uint8_t byte = 0;
    switch (ReadByte(file, &byte)) {
      case ReadResult::kByte:
        if (into != nullptr) {
          *into = byte;
        } else if (position < HeaderRecordBuffer.size()) {
          HeaderRecordBuffer[position] = byte;
        }
        return true;
      case ReadResult::kEnd:
        truncated = true;
        return true;
      case ReadResult::kError:
        return false;
    }
    return false;
  };
  auto fail = [&]() -> std::int16_t {
    ui.ShowFileReadError();
    return 0;
  };

  std::uint8_t first = 0;
  if (!read(0, &first)) return fail();
  if (truncated) return 0;
  HeaderRecordBuffer[0] = first;
  if (first != kHeaderFormA && first != kHeaderFormB) return 0;

  std::uint8_t count = 0;
  if (!read(1, &count)) return fail();
  if (truncated) return 0;
  HeaderRecordBuffer[1] = count;

  std::size_t textBytes = first == kHeaderFormA ? count + 6u : count;
  for (std::size_t i = 0; i < textBytes; ++i) {
    if (!read(2 + i, nullptr)) return fail();
  }
  if (first == kHeaderFormB) {
    std::uint8_t dropped = 0;
    for (int i = 0; i < 2; ++i) {
      if (!read(0, &dropped)) return fail();
    }
  }
  if (truncated) return 0;
  return static_cast<std::int16_t>(first == kHeaderFormA ? count + 8 : count + 2);
}
