#include "loader/wrong_checksum_wait.h"

#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/loader_state.h"
#include "base/progress.h"
#include "catalogue/catalogue.h"
#include "serial/serial_link.h"

int WaitForWrongChecksumText(CLoaderState& w, CProgress& progress) {
  const std::int64_t limit = w.clock.NowMs() + kWrongChecksumWindowMs;
  w.port.ClearReceived();
  const std::string wanted = GetWrongChecksumText(w);
  std::string collected;
  std::size_t searchFrom = 0;
  for (;;) {
    const std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    w.port.TakeReceivedWaiting(&data, &count, 1);
    for (std::uint32_t i = 0; i < count; ++i) {
      // The receiver pads with zero bytes between repeats; they are no part of the text.
      if (data[i] != 0) collected.push_back(static_cast<char>(data[i]));
    }
    if (collected.find(wanted, searchFrom) != std::string::npos) return kWrongChecksumFound;
    // Only bytes that could still complete the text need looking at again.
    if (collected.size() >= wanted.size()) searchFrom = collected.size() - wanted.size() + 1;
    if (progress.PollCancel() == 1) return kWrongChecksumCancelled;
    if (w.clock.NowMs() >= limit) return kWrongChecksumTimeout;
  }
}
