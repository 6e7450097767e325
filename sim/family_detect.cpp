// Recognises the receiver family from what the loader sends first, then hands everything
// received so far to a receiver of that family.
#include <deque>

#include "sim/first_family.h"
#include "sim/second_family.h"

namespace kznsim {

namespace {

constexpr long long kTextRepeatMs = 100;
constexpr int kVrTextRate = 9600;
constexpr int kTk20bTextRate = 4800;
// Enough for the wake sentences and the longest command after them.
constexpr std::size_t kMaxLogBytes = 4096;

class CFamilyDetector : public CReceiver {
 public:
  CFamilyDetector(CReceiverHost& host, const SimOptions& options, SimReport& report,
                  const TableMemory& tables)
      : host_(host), options_(options), report_(report), tables_(tables) {}

  void OnByte(std::uint8_t byte, const LineSettings& settings) override {
    if (chosen_) {
      chosen_->OnByte(byte, settings);
      return;
    }
    report_.NoteReceived(woken_ ? "identify" : "normal", settings, byte);
    log_.push_back({byte, settings});
    if (log_.size() > kMaxLogBytes) log_.pop_front();
    if (woken_ && byte == '0' && settings.bitRate == kVrTextRate) {
      Choose(Family::kVr);
      return;
    }
    auto command = reader_.Feed(byte);
    if (!command) return;
    if (command->kind == Command::Kind::kMarker) {
      Choose(Family::kTk);
    } else if (command->code == 0x0C && command->data.empty()) {
      Choose(Family::kVr);
    } else if (command->code == 0x24 && woken_) {
      Choose(Family::kTk20b);
    } else if (command->code == 0x04 && command->sumOk && command->data == "01") {
      firstWake_ = true;
    } else if (command->code == 0x04 && command->sumOk && command->data == "02" && firstWake_ &&
               !options_.faults.Silent(Silence::kDetect)) {
      woken_ = true;
      if (!options_.faults.Silent(Silence::kIdentify)) RepeatTexts();
    }
  }

  void OnPortOpen(bool open) override {
    if (chosen_) chosen_->OnPortOpen(open);
  }

  void OnTime() override {
    if (chosen_) {
      chosen_->OnTime();
      return;
    }
    scheduler_.RunDue(host_.NowMs());
  }

  long long NextDueMs() const override {
    return chosen_ ? chosen_->NextDueMs() : scheduler_.NextDueMs();
  }

 private:
  // Until the family is known the receiver shows both texts, each at its family's rate, so
  // that the loader's port sees its own family's text intact.
  void RepeatTexts() {
    SendText(options_.wrg ? *options_.wrg : DefaultWrongChecksumText(Family::kVr), kVrTextRate);
    SendText(options_.wrg ? *options_.wrg : DefaultWrongChecksumText(Family::kTk20b),
             kTk20bTextRate);
    scheduler_.At(host_.NowMs() + kTextRepeatMs, 0, [this] { RepeatTexts(); });
  }

  void SendText(const std::string& text, int bitRate) {
    std::string line = text + "\r\n";
    host_.Transmit(Bytes(line.begin(), line.end()), bitRate, 0);
  }

  void Choose(Family family) {
    scheduler_.Cancel(0);
    if (family == Family::kTk20b) {
      auto r = std::make_unique<CSecondFamilyReceiver>(host_, options_, report_);
      Replay(*r);
      chosen_ = std::move(r);
    } else {
      auto r = std::make_unique<CFirstFamilyReceiver>(host_, options_, report_, family, tables_);
      Replay(*r);
      chosen_ = std::move(r);
    }
  }

  void Replay(CReceiverBase& receiver) {
    receiver.SetReplaying(true);
    for (const auto& entry : log_)
      receiver.OnByte(entry.byte, entry.settings);
    receiver.SetReplaying(false);
    log_.clear();
  }

  struct Logged {
    std::uint8_t byte;
    LineSettings settings;
  };

  CReceiverHost& host_;
  const SimOptions& options_;
  SimReport& report_;
  TableMemory tables_;
  CSentenceReader reader_;
  CScheduler scheduler_;
  std::deque<Logged> log_;
  bool firstWake_ = false;
  bool woken_ = false;
  std::unique_ptr<CReceiver> chosen_;
};

}  // namespace

std::unique_ptr<CReceiver> MakeReceiver(Family family, CReceiverHost& host,
                                        const SimOptions& options, SimReport& report,
                                        const TableMemory& tables) {
  switch (family) {
    case Family::kVr:
    case Family::kTk:
      return std::make_unique<CFirstFamilyReceiver>(host, options, report, family, tables);
    case Family::kTk20b:
      return std::make_unique<CSecondFamilyReceiver>(host, options, report);
    case Family::kAuto:
      break;
  }
  return std::make_unique<CFamilyDetector>(host, options, report, tables);
}

}  // namespace kznsim
