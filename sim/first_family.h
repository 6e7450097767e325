// A receiver of the first family (VR or TK): streams its tables when asked, enters its loader
// on the wake sentences (VR) or the marker (TK), takes load records with a one-character
// answer each, keeps the written-back tables and judges the end record's sum.
#pragma once

#include "sim/receiver_base.h"
#include "sim/sentence_reader.h"

namespace kznsim {

class CFirstFamilyReceiver : public CReceiverBase {
 public:
  CFirstFamilyReceiver(CReceiverHost& host, const SimOptions& options, SimReport& report,
                       Family family, const TableMemory& tables);

  void OnByte(std::uint8_t byte, const LineSettings& settings) override;
  void OnPortOpen(bool open) override;

 private:
  enum class State { kNormal, kIdentify, kReady, kRecord, kEnd };
  enum class Framing { kNone, kData, kEnd, kHeaderB };
  enum OnceKey { kOnceNotReady, kOnceStray, kOnceCommand };

  const char* StateName() const;
  LineSettings Listening() const;
  void SetState(State state);
  void EnterIdentify();
  void HandleCommand(const Command& command);
  void StreamDump();
  void AnswerReady();
  void HandleZero();
  void FrameRecordByte(std::uint8_t byte, const LineSettings& settings);
  void HandleDataRecord(const LineSettings& settings);
  void HandleWriteBack(int recordIndex, std::uint32_t address);
  void HandleEndRecord(const LineSettings& settings);
  void SendVerdict(char verdict, int recordIndex);
  void EndLoad(const std::string& outcome, bool programRuns);
  void Answer(int recordIndex, const std::string& answer);
  void SyncMemoryToReport();

  Family family_;
  std::uint32_t base_;
  int listenRate_;  // normal operation: VR listens at 4800, TK at 9600
  State state_ = State::kNormal;
  CSentenceReader reader_;
  bool firstWakeSeen_ = false;
  int zeros_ = 0;
  TableMemory memory_;

  // One load.
  Framing framing_ = Framing::kNone;
  Bytes record_;
  std::size_t recordLength_ = 0;
  Bytes lastUnanswered_;  // the last record refused or left unanswered, to spot its resend
  unsigned runningSum_ = 0;
  int dataRecordsAccepted_ = 0;
  int endAttempts_ = 0;
  int refuseLeft_ = 0;
  int refuseRecordLeft_ = 0;
  int refuseWriteBackLeft_ = 0;
  bool vanishing_ = false;
};

}  // namespace kznsim
