// The reply word a second-family receiver's loader sends after each record, and the
// 50-byte window in which it is recognised.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct LoadContext;
struct LoadTarget;

enum ReplyOutcome : std::uint8_t {
  kReplyP,    // "P" + record number: accepted
  kReplyM,    // "M" + record number
  kReplyI,    // "I" + record number: accepted
  kReplyECP,  // program checksum error
  kReplyECC,  // loading checksum error
  kReplyETA,  // wrong receiver type
  kReplyPOK,  // whole program confirmed
  kReplyTimeout,
};

inline constexpr std::size_t kReplyWindowBytes = 50;
// No word is shorter; fewer bytes are not looked at.
inline constexpr std::size_t kReplyMinimumBytes = 5;

// The words for one record, in the order they are looked for (the order of ReplyOutcome).
std::array<std::string, kReplyTimeout> FormReplyWords(std::uint8_t recordNumber);

// What has arrived since a record was sent. A take that would overfill the window drops
// everything held and itself: a receiver that talks that much is not answering.
class CReplyWindow {
 public:
  explicit CReplyWindow(std::uint8_t recordNumber) : words_(FormReplyWords(recordNumber)) {}

  void Take(const std::uint8_t* data, std::size_t count);
  // The first of the words found, in their order, or kReplyTimeout. The window reads as a
  // text that ends at its first zero byte, and never beyond its fill.
  ReplyOutcome Recognise() const;
  std::size_t Fill() const { return fill_; }

 private:
  std::array<std::string, kReplyTimeout> words_;
  std::array<std::uint8_t, kReplyWindowBytes> bytes_{};
  std::size_t fill_ = 0;
};

// Needs context.port open; does not empty its receive buffer. Waits up to kTk20bReplyWindowMs for
// one of the words for `recordNumber` (the second byte of the record just sent).
ReplyOutcome Tk20bAwaitReply(LoadContext& context, std::uint8_t recordNumber);
