// Every time limit and pause of the first family's load, in one place. The pauses are the
// receivers' own pace: their loaders were written against exactly these, so they stay.
#pragma once

#include <cstdint>

namespace first_timing {

// Read-out of the tables.
inline constexpr std::int64_t kMarkerBytePauseMs = 2;        // TK markers: after every byte
inline constexpr std::int64_t kReadOutRequestSettleMs = 10;  // after the read-out request
inline constexpr std::int64_t kCaptureSilenceMs = 2000;      // capture ends after this quiet
inline constexpr std::int64_t kCapturePollPauseMs = 100;     // between takes of the capture

// Wake-up and loading mode.
inline constexpr std::int64_t kVrPortSettleMs = 750;  // before and after the wake sentences
inline constexpr std::int64_t kVrBetweenWakeSentencesMs = 250;
inline constexpr std::int64_t kIdentifyWindowMs = 10000;   // for the wrong-checksum text
inline constexpr std::int64_t kVrAfterZeroPauseMs = 1000;  // the VR loader prepares its memory
inline constexpr std::int64_t kTkSecondZeroPauseMs = 200;  // TK wants its "0" twice
inline constexpr std::int64_t kReadyWindowMs = 10000;      // for the loader's "1"
// The wake-up's pauses look for a cancel or a stop this often.
inline constexpr std::int64_t kWakePausePollMs = 50;

// Program upload.
inline constexpr std::int64_t kRecordAnswerWindowMs = 30000;  // silence that fails a record
// The longest sleep between takes of the answer wait, and the pause behind an answer.
inline constexpr std::int64_t kAnswerSettleMs = 50;
inline constexpr std::int64_t kResendPauseMs = 200;  // before a refused record again
inline constexpr std::int64_t kEndVerdictWindowMs = 4000;
inline constexpr std::int64_t kBusyPauseMs = 500;  // after a busy "3"
inline constexpr std::int64_t kEndResendPauseMs = 200;

// Table write-back.
inline constexpr std::int64_t kWriteBackAnswerWindowMs = 2000;

// A wait "without pause" sleeps on the port's arrival signal for at most this long.
inline constexpr std::int64_t kArrivalWaitMs = 1;

}  // namespace first_timing
