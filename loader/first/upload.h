// The program upload: every data record sent as stored and acknowledged one by one, the
// tables written back, and the end record with the combined sum.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/header_record.h"
#include "loader/first/first_result.h"
#include "loader/program_image.h"

struct FirstLoad;
class CProgress;
struct ProgramImage;

inline constexpr int kMaxRefusals = 10;   // a record goes out at most 11 times in a row
inline constexpr int kMaxEndRetries = 2;  // "1" or "2" to the end record

// An answer to a data record accepts it when its smallest byte, starting from 127, is "0":
// so "0" CR LF in one delivery is a refusal, "01" an acceptance.
bool IsRecordAcceptance(std::span<const std::uint8_t> delivery);

// 0x8C, S high, S low, (high + low) mod 256.
std::array<std::uint8_t, kEndRecordSize> BuildEndRecord(std::uint16_t sum);

enum class EndVerdict {
  kResend,       // "1" or "2": the sum was not taken
  kBusy,         // "3"
  kBadChecksum,  // "4"
  kAccepted,     // "5"
  kUnsuitable,   // "6"
  kFlashError,   // "7"
  kUnexpected,
};
EndVerdict JudgeEndVerdict(std::uint8_t firstByte);

// Sends the records of a checked image, the header record never; kDone when the loader
// accepted the whole program, kStopped on failure (reported) or confirmed cancel.
FirstStep UploadProgram(FirstLoad& load, CProgress& progress, const ProgramImage& image);
