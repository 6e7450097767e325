#include "sim/receiver_base.h"

#include <algorithm>
#include <cstdio>

namespace kznsim {

namespace {

// A waiting loader repeats its text about ten times a second.
constexpr long long kTextRepeatMs = 100;
// Pause between the pieces of a reply with the split fault.
constexpr long long kSplitPauseMs = 15;

}  // namespace

CReceiverBase::CReceiverBase(CReceiverHost& host, const SimOptions& options, SimReport& report,
                             Family family)
    : host_(host),
      options_(options),
      faults_(options.faults),
      report_(report),
      wrg_(options.wrg ? *options.wrg : DefaultWrongChecksumText(family)) {}

std::string CReceiverBase::Settings(const LineSettings& s) {
  return std::to_string(s.bitRate) + "/" + std::to_string(s.stopBits);
}

std::string CReceiverBase::HexByte(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%02X", byte);
  return text;
}

void CReceiverBase::NoteOnly(std::uint8_t byte, const LineSettings& settings, const char* state) {
  if (!replaying_) report_.NoteReceived(state, settings, byte);
}

bool CReceiverBase::Accept(std::uint8_t byte, const LineSettings& settings, const char* state,
                           const LineSettings& expected) {
  NoteOnly(byte, settings, state);
  if (settings == expected) {
    wrongRun_ = false;
    return true;
  }
  if (!wrongRun_) {
    Violation("byte " + HexByte(byte) + " at " + Settings(settings) +
              " while the receiver listens at " + Settings(expected) + " (" + state + ")");
  }
  wrongRun_ = true;
  return false;
}

void CReceiverBase::Send(const Bytes& bytes, int bitRate, long long delayMs,
                         std::size_t pieceBytes) {
  if (!faults_.split || bytes.size() <= 1) {
    host_.Transmit(bytes, bitRate, delayMs);
    return;
  }
  long long at = delayMs;
  for (std::size_t i = 0; i < bytes.size(); i += pieceBytes) {
    std::size_t end = std::min(bytes.size(), i + pieceBytes);
    host_.Transmit(
        Bytes(bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(end)),
        bitRate, at);
    at += kSplitPauseMs;
  }
}

void CReceiverBase::SendText(const std::string& text, int bitRate, long long delayMs) {
  Send(Bytes(text.begin(), text.end()), bitRate, delayMs);
}

void CReceiverBase::SendWord(const std::string& word, int bitRate, long long delayMs) {
  // Printable bytes that spell no reply word; a NUL here would hide the word from the loader.
  SendText((faults_.noise ? "#~" : "") + word + "\r\n", bitRate, delayMs);
}

void CReceiverBase::StartRepeatingText(int bitRate) {
  scheduler_.Cancel(kTagText);
  if (faults_.Silent(Silence::kIdentify)) return;
  RepeatText(bitRate);
}

void CReceiverBase::StopRepeatingText() {
  scheduler_.Cancel(kTagText);
}

void CReceiverBase::RepeatText(int bitRate) {
  std::string text = wrg_ + "\r\n";
  if (faults_.noise) {
    // The loader drops NUL bytes before it searches, even between the text's characters.
    std::string noisy = std::string("\x01\x00\xFE", 3);
    for (std::size_t i = 0; i < wrg_.size(); ++i) {
      noisy += wrg_[i];
      if (i == 2) noisy += '\0';
    }
    noisy += std::string("\x00\x7F\r\n", 4);
    text = noisy;
  }
  SendText(text, bitRate, 0);
  // Split pieces of one repetition must not interleave with the next one's.
  long long period = kTextRepeatMs;
  if (faults_.split)
    period = std::max(period, static_cast<long long>(text.size() / 3 + 2) * kSplitPauseMs);
  scheduler_.At(host_.NowMs() + period, kTagText, [this, bitRate] { RepeatText(bitRate); });
}

void CReceiverBase::ViolationOnce(int key, const std::string& text) {
  unsigned bit = 1u << key;
  if (onceMask_ & bit) return;
  onceMask_ |= bit;
  Violation(text);
}

void CReceiverBase::ResetOnce(int key) {
  onceMask_ &= ~(1u << key);
}

}  // namespace kznsim
