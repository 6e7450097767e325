// Every time limit and pause of the second family's load, with the line rates of each
// phase, in one place.
#pragma once

#include <cstdint>

// Detection: the wake sentences go out at 4800 bit/s with 2 stop bits.
inline constexpr std::uint32_t kTk20bDetectBitRate = 4800;
inline constexpr std::uint16_t kTk20bDetectStopBits = 2;
inline constexpr std::int64_t kTk20bWakeSentenceGapMs = 250;
// New wrong-checksum windows (2000 ms each) start until this much has passed.
inline constexpr std::int64_t kTk20bDetectionMs = 5000;
inline constexpr std::int64_t kTk20bDetectionPassPauseMs = 10;

// Preparation: the sentence goes out at the detection rate; "PRG" must follow within this.
inline constexpr std::int64_t kTk20bAcceptWindowMs = 2000;
// Transfer rates: the fast one when the port takes it, else the slow one.
inline constexpr std::uint32_t kTk20bFastBitRate = 115200;
inline constexpr std::uint32_t kTk20bSlowBitRate = 19200;
inline constexpr std::uint16_t kTk20bTransferStopBits = 1;

// Erasing: "PXF" within this, the limit restarted by every "DXF"; polled every 200 ms.
inline constexpr std::int64_t kTk20bEraseWindowMs = 60000;
inline constexpr std::int64_t kTk20bErasePollPauseMs = 200;

// Reply to a record: the whole word within this window, looked for as bytes arrive. The
// wait sleeps on the port's arrival signal, at most this long at a time and never past the
// window's end; a wake-up every millisecond would cost more CPU than the whole transfer.
inline constexpr std::int64_t kTk20bReplyWindowMs = 1500;
inline constexpr std::int64_t kTk20bReplyWaitStepMs = 50;
// A refused or unanswered record goes again after this pause, at most this many times.
inline constexpr std::int64_t kTk20bResendPauseMs = 200;
inline constexpr int kTk20bMaxResends = 10;
