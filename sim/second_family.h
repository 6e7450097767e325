// A receiver of the second family (TK20B): its own loader, woken by the wake sentences,
// prepared by the preparation sentence, erasing, then answering every record with a reply word.
#pragma once

#include "sim/receiver_base.h"
#include "sim/sentence_reader.h"

namespace kznsim {

class CSecondFamilyReceiver : public CReceiverBase {
 public:
  CSecondFamilyReceiver(CReceiverHost& host, const SimOptions& options, SimReport& report);

  void OnByte(std::uint8_t byte, const LineSettings& settings) override;
  void OnPortOpen(bool open) override;

 private:
  enum class State { kNormal, kIdentify, kErase, kRecord };
  enum class Framing { kNone, kData, kEnd, kHeaderB };
  enum OnceKey { kOnceNotReady, kOnceStray, kOnceCommand, kOnceErase };

  const char* StateName() const;
  void SetState(State state);
  void EnterIdentify();
  void HandleCommand(const Command& command);
  void Prepare(const Command& command);
  void FrameRecordByte(std::uint8_t byte, const LineSettings& settings);
  void HandleDataRecord(const LineSettings& settings);
  void HandleEndRecord(const LineSettings& settings);
  void Reply(int recordIndex, const std::string& word);
  void EndLoad(const std::string& outcome);

  State state_ = State::kNormal;
  CSentenceReader reader_;
  bool firstWakeSeen_ = false;
  int agreedRate_ = 0;
  Framing framing_ = Framing::kNone;
  Bytes record_;
  std::size_t recordLength_ = 0;
  Bytes lastUnanswered_;
  int recordsThisLoad_ = 0;
  int refuseLeft_ = 0;
  int refuseRecordLeft_ = 0;
  int mWordLeft_ = 0;
  int wrongRecordLeft_ = 0;
  int dataRecordsAccepted_ = 0;
  bool vanishing_ = false;
};

}  // namespace kznsim
