#include "tests/first/first_rig.h"

#include "serial/sentences.h"

ScriptedReceiver::ScriptedReceiver(CVirtualClock& clock, Family kind)
    : FakeLink(clock), readyMs(kind == Family::kVr ? 1100 : 10), kind_(kind) {
  onWrite = [this](FakeLink&, const std::vector<std::uint8_t>& bytes) { OnWrite(bytes); };
}

void ScriptedReceiver::TakeReceived(const std::uint8_t** data, std::uint32_t* count) {
  // The waiting loader repeats its text every 100 ms for as long as the line is open.
  if (state_ == State::kLoaderWaiting && !silentLoader && IsOpen() && Settings().bitRate == 9600 &&
      clock().NowMs() >= nextTextAt_) {
    DeliverAfter(0, std::string(kTestWrgText) + "\r\n");
    nextTextAt_ = clock().NowMs() + 100;
  }
  FakeLink::TakeReceived(data, count);
}

void ScriptedReceiver::OnWrite(const std::vector<std::uint8_t>& bytes) {
  bool vr = kind_ == Family::kVr, fast = Settings().bitRate == 9600;
  State before = state_;
  if (state_ == State::kLoaderWaiting) {
    // A lone "0" at 9600 bit/s; the wake sentences' own zeros are no answer. TK wants two.
    if (bytes.size() != 1 || bytes[0] != '0' || !fast || ++zeros_ < (vr ? 1 : 2)) return;
    if (readyMs >= 0) DeliverAfter(readyMs, "1");
    state_ = State::kLoading;
  } else if (state_ == State::kNormal && vr != fast) {  // VR listens at 4800, TK at 9600
    heard_.append(bytes.begin(), bytes.end());
    if (heard_.ends_with(vr ? kReadOutRequestVr : kReadOutMarkerTk)) {
      heard_.clear();
      DeliverAfter(20, dump);
    } else if (heard_.ends_with(vr ? std::string(kFirstWakeSentence) +
                                         std::string(kSecondWakeSentence)
                                   : std::string(kLoadMarkerTk))) {
      heard_.clear();
      state_ = State::kLoaderWaiting;
      nextTextAt_ = clock().NowMs() + (vr ? 100 : 50);
    }
  }
  for (std::uint8_t b : before == State::kLoading ? bytes : std::vector<std::uint8_t>{}) {
    partial_.push_back(b);
    if (partial_[0] != 0x8C && partial_.size() < 2) continue;
    if (partial_.size() < (partial_[0] == 0x8C ? 4u : partial_[1] + 7u)) continue;
    records.push_back(std::move(partial_));
    partial_.clear();
    const std::vector<std::uint8_t>& r = records.back();
    bool quiet = r[0] == 0x8C
                     ? verdict.empty()
                     : records.size() - 1 == quietRecord || (quietWriteBacks && r[2] >= 0xC0);
    if (quiet) quietSince = clock().NowMs();
    if (quiet) continue;
    const bool refuse = r[0] != 0x8C && r[2] >= 0xC0 && refusedWriteBacks > 0;
    if (refuse) --refusedWriteBacks;
    DeliverAfter(5, r[0] == 0x8C ? verdict : refuse ? "1" : "0");
  }
}
