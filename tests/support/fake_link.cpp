#include "tests/support/fake_link.h"

#include <algorithm>

bool FakeLink::OpenPort(std::int16_t portNumber, std::uint32_t bitRate, char parity,
                        std::uint16_t dataBits, std::uint16_t stopBits) {
  if (open_ || refuseOpensUntold) return false;
  DeliverDue();  // what arrived while closed is gone
  settings_ = {portNumber, bitRate, parity, dataBits, stopBits};
  open_ = true;
  opens.push_back(settings_);
  return true;
}

std::uint32_t FakeLink::WriteToPort(const std::uint8_t* data, std::uint32_t count) {
  if (!open_ || count == 0) return 0;
  std::vector<std::uint8_t> bytes(data, data + count);
  writes.push_back({bytes, settings_, clock_.NowMs()});
  if (onWrite) onWrite(*this, bytes);
  return count;
}

void FakeLink::DeliverDue() {
  std::int64_t now = clock_.NowMs();
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Pending& a, const Pending& b) { return a.atMs < b.atMs; });
  auto it = pending_.begin();
  for (; it != pending_.end() && it->atMs <= now; ++it) {
    if (open_) received_.insert(received_.end(), it->bytes.begin(), it->bytes.end());
  }
  pending_.erase(pending_.begin(), it);
}

void FakeLink::TakeReceived(const std::uint8_t** data, std::uint32_t* count) {
  DeliverDue();
  taken_ = received_;
  received_.clear();
  *count = static_cast<std::uint32_t>(taken_.size());
  *data = taken_.empty() ? nullptr : taken_.data();
}

void FakeLink::TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count,
                                   std::int64_t maxWaitMs) {
  DeliverDue();
  if (received_.empty()) {
    std::int64_t wait = maxWaitMs;
    for (const Pending& p : pending_)
      wait = std::min(wait, p.atMs - clock_.NowMs());
    clock_.Advance(std::max<std::int64_t>(wait, maxWaitMs > 0 ? 1 : 0));
  }
  TakeReceived(data, count);
}

void FakeLink::ClearReceived() {
  DeliverDue();
  received_.clear();
}

bool FakeLink::SetBaudRate(std::uint32_t bitRate) {
  if (!open_) return false;
  DeliverDue();
  settings_.bitRate = bitRate;
  return true;
}

bool FakeLink::ClosePort() {
  if (!open_) return false;
  DeliverDue();
  open_ = false;
  ++closes;
  return true;
}

void FakeLink::DeliverAfter(std::int64_t delayMs, const std::vector<std::uint8_t>& bytes) {
  pending_.push_back({clock_.NowMs() + delayMs, bytes});
}

void FakeLink::DeliverAfter(std::int64_t delayMs, const std::string& text) {
  DeliverAfter(delayMs, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string FakeLink::TextWritten() const {
  std::string all;
  for (const Write& w : writes)
    all.append(w.bytes.begin(), w.bytes.end());
  return all;
}
