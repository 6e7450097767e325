// What both receiver families share: judging a byte by the line settings it came with,
// noting it in the report, sending replies (split or noisy on request) and repeating the
// wrong-checksum text while the loader waits.
#pragma once

#include <string>

#include "sim/receiver.h"

namespace kznsim {

class CReceiverBase : public CReceiver {
 public:
  CReceiverBase(CReceiverHost& host, const SimOptions& options, SimReport& report, Family family);

  void OnTime() override { scheduler_.RunDue(host_.NowMs()); }
  long long NextDueMs() const override { return scheduler_.NextDueMs(); }

  // Bytes handed on by family recognition were noted in the report when they arrived.
  void SetReplaying(bool replaying) { replaying_ = replaying; }

 protected:
  enum Tag { kTagText = 1, kTagAnswer, kTagErase, kTagDump, kTagVanish };

  // Notes the byte under the state's name; false (and a violation, once per run of such
  // bytes) when it came at other settings than the receiver listens at.
  bool Accept(std::uint8_t byte, const LineSettings& settings, const char* state,
              const LineSettings& expected);
  // Notes a byte the receiver takes as garbage without complaint.
  void NoteOnly(std::uint8_t byte, const LineSettings& settings, const char* state);
  // Queues bytes; with the split fault they leave in pieces of pieceBytes, a pause apart.
  void Send(const Bytes& bytes, int bitRate, long long delayMs, std::size_t pieceBytes = 3);
  void SendText(const std::string& text, int bitRate, long long delayMs);
  // A reply word with CR LF, with printable garbage in front when noise is on.
  void SendWord(const std::string& word, int bitRate, long long delayMs);
  void StartRepeatingText(int bitRate);
  void StopRepeatingText();
  void Violation(const std::string& text) { report_.Violation(text); }
  // A violation noted once until ResetOnce(key) (keys are small integers).
  void ViolationOnce(int key, const std::string& text);
  void ResetOnce(int key);

  static std::string Settings(const LineSettings& s);
  static std::string HexByte(std::uint8_t byte);

  CReceiverHost& host_;
  const SimOptions& options_;
  const SimFaults& faults_;
  SimReport& report_;
  CScheduler scheduler_;
  std::string wrg_;

 private:
  void RepeatText(int bitRate);

  bool replaying_ = false;
  bool wrongRun_ = false;
  unsigned onceMask_ = 0;
};

}  // namespace kznsim
