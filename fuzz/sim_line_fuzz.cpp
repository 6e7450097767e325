// Whatever a loader sends, the simulated receivers never read or write out of bounds.
// Input: first byte picks the family and faults; then a byte 0xFE followed by a selector
// changes the line settings and lets time pass, any other byte is received.
#include <cstddef>
#include <cstdint>

#include "sim/receiver.h"

namespace {

class CFuzzHost : public kznsim::CReceiverHost {
 public:
  long long NowMs() const override { return now; }
  void Transmit(const kznsim::Bytes& bytes, int, long long) override { sent += bytes.size(); }
  void Vanish() override { vanished = true; }
  long long now = 0;
  std::size_t sent = 0;
  bool vanished = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const kznsim::TableMemory kTables = kznsim::GenerateTables(1, 2300);
  static const int kRates[] = {4800, 9600, 19200, 115200};
  kznsim::SimOptions options;
  options.family = static_cast<kznsim::Family>(data[0] & 3);
  options.faults.refuse = (data[0] >> 2) & 1;
  options.faults.noise = (data[0] >> 3) & 1;
  options.faults.split = (data[0] >> 4) & 1;
  options.faults.vanishAfter = (data[0] >> 5) & 1 ? 2 : -1;
  options.faults.alreadyWrong = (data[0] >> 6) & 1 && (options.family == kznsim::Family::kVr ||
                                                       options.family == kznsim::Family::kTk);
  options.faults.busy = data[0] >> 7;
  kznsim::SimReport report;
  CFuzzHost host;
  auto receiver = kznsim::MakeReceiver(options.family, host, options, report, kTables);
  kznsim::LineSettings settings{4800, 2, true};
  for (std::size_t i = 1; i < size && !host.vanished; ++i) {
    if (data[i] == 0xFE && i + 1 < size) {
      std::uint8_t s = data[++i];
      settings.bitRate = kRates[s & 3];
      settings.stopBits = (s & 4) ? 2 : 1;
      bool open = (s & 8) == 0;
      if (open != settings.open) receiver->OnPortOpen(open);
      settings.open = open;
      host.now += (s >> 4) * 100;
      receiver->OnTime();
      continue;
    }
    receiver->OnByte(data[i], settings);
  }
  host.now += 10000;
  receiver->OnTime();
  kznsim::ReportToJson(report);
  return 0;
}
